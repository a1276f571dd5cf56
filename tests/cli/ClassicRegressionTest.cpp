#include "cli/Calibrator.h"

#include <QFile>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// With Gamma and pKw held, the reports and JSON lines of the bundled examples
// are those of the program before the converging refinement was added, byte
// for byte. The files under golden/ were written by that program through this
// test (TAMO_WRITE_GOLDEN=1); they are never to be rewritten for a change of
// the classic results.

namespace {

struct Case {
    const char* name;
    std::vector<std::string> arguments; // ranges, pKw, temperature, Gamma
};

const Case kCases[] = {
    {"defaults", {}},
    {"wide-ranges", {"2.5", "4", "9", "10.5", "13.82", "20", "1"}},
    {"constant-gamma", {"2.5", "4", "10.8", "11.3", "13.78", "25", "1.02"}},
    {"warm", {"3", "4.5", "10", "11", "14", "30", "0.99"}},
};

cli::Options optionsFor(const Case& c, cli::OutputFormat format) {
    cli::Options o;
    o.format = format;
    if (!c.arguments.empty()) {
        for (std::size_t k = 0; k < 4; ++k)
            o.inputs.Range[k] = c.arguments[k];
        o.inputs.pKbox = c.arguments[4];
        o.inputs.Tbox = c.arguments[5];
        o.inputs.GammaBox = c.arguments[6];
    }
    for (const char* file :
         {"acid-with-alkali.txt", "reverse-alkali-with-acid.txt", "decimal-comma.txt"})
        o.files.push_back(std::string(TAMO_EXAMPLES_DIR) + "/" + file);
    return o;
}

/// The output with the examples' folder replaced, so it does not depend on the checkout.
std::string portable(std::string text) {
    const std::string folder = TAMO_EXAMPLES_DIR;
    for (auto at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.replace(at, folder.size(), "EXAMPLES");
    return text;
}

std::string goldenPath(const Case& c, const char* suffix) {
    return std::string(TAMO_GOLDEN_DIR) + "/" + c.name + suffix;
}

TEST(ClassicRegression, ReportsAndJsonAsBefore) {
    const bool write = std::getenv("TAMO_WRITE_GOLDEN") != nullptr;
    for (const Case& c : kCases) {
        for (const auto& [format, suffix] : {std::pair{cli::OutputFormat::Report, ".txt"},
                                             std::pair{cli::OutputFormat::Json, ".jsonl"}}) {
            const std::string output =
                portable(cli::calibrateFiles(optionsFor(c, format), "a fixed date").output);
            QFile file(QString::fromStdString(goldenPath(c, suffix)));
            if (write) {
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(QByteArray::fromStdString(output));
                continue;
            }
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << goldenPath(c, suffix);
            EXPECT_EQ(output, file.readAll().toStdString()) << c.name << suffix;
        }
    }
}

} // namespace
