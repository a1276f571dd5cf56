#include "io/LogbookCsv.h"

#include "SampleRecord.h"
#include "core/Locale.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using Row = std::vector<std::string>;

/// Reads CSV as a spreadsheet does: a quoted field may hold anything, "" in it is a quote.
std::vector<Row> readCsv(const std::string& text, char separator) {
    std::vector<Row> rows(1, Row(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool pair = i + 1 < text.size() && text[i + 1] == (c == '\r' ? '\n' : '"');
        if (quoted && c == '"' && pair)
            rows.back().back() += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == separator)
            rows.back().emplace_back();
        else if (!quoted && c == '\r' && pair && ++i)
            rows.emplace_back(1);
        else
            rows.back().back() += c;
    }
    EXPECT_EQ(rows.back(), Row(1)) << "the last line ends in CR LF";
    rows.pop_back();
    return rows;
}

double readNumber(std::string text, char decimalSeparator) {
    std::replace(text.begin(), text.end(), decimalSeparator, '.');
    double value = NAN;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << text;
    return value;
}

TEST(LogbookCsv, ReadsBackWithTheLocalesSeparators) {
    // The sample texts hold commas, semicolons, quotes and line breaks.
    std::vector<io::LogbookEntry> entries(3);
    for (int n = 0; n < 3; ++n) {
        entries[n].record = logbooktest::sampleRecord(n, n == 2 ? "glass; \"7\"" : "glass 7");
        entries[n].record.id = 10 + n;
    }
    entries[1].withdrawal = io::Withdrawal{"2024-06-01T12:00:00+02:00", "cracked, \"replaced\""};
    for (const auto& [decimal, field] : {std::pair{'.', ','}, std::pair{',', ';'}}) {
        SCOPED_TRACE(std::string("decimal separator ") + decimal);
        core::ScopedDecimalSeparator locale(decimal);
        QTemporaryDir dir;
        const std::string path = dir.filePath("glass 7.csv").toStdString();
        ASSERT_EQ(io::writeLogbookCsv(path, entries), "");
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const std::vector<Row> rows = readCsv(file.readAll().toStdString(), field);
        ASSERT_EQ(rows.size(), 4u);
        // The header names every column; the rows below are checked by it.
        ASSERT_EQ(rows[0].size(), 54u);
        EXPECT_EQ(rows[0].front(), "id");
        EXPECT_EQ(rows[0][14], "E0");
        EXPECT_EQ(rows[0][24], "impurity %");
        EXPECT_EQ(rows[0][31], "withdrawal reason");
        EXPECT_EQ(rows[0][42], "edited");
        EXPECT_EQ(rows[0][45], "source file");
        EXPECT_EQ(rows[0][53], "u(slope)");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const io::LogbookRecord& r = entries[i].record;
            const Row& row = rows[i + 1];
            ASSERT_EQ(row.size(), rows[0].size());
            const std::optional<io::Withdrawal>& w = entries[i].withdrawal;
            EXPECT_EQ(Row(row.begin(), row.begin() + 6),
                      (Row{std::to_string(r.id), r.recordedAt, r.electrode, r.dataFile,
                           r.dataSha256, r.identifier}));
            EXPECT_EQ(Row(row.begin() + 12, row.begin() + 14),
                      (Row{std::to_string(r.pointsUsed), std::to_string(r.pointsIgnored)}));
            EXPECT_EQ(Row(row.begin() + 27, row.begin() + 32),
                      (Row{r.verdict.ok() ? "ok" : "check",
                           r.verdict.ok() ? "" : r.verdict.reasons[0] + "; " + r.verdict.reasons[1],
                           r.programVersion, w ? w->withdrawnAt : "", w ? w->reason : ""}));
            // Typed numbers in their shortest single-precision text.
            const char mark =
                decimal; // a structured binding cannot be captured before C++20's clang 16
            const auto shortest = [&](float value) {
                std::array<char, 32> buffer{};
                std::string text(buffer.data(),
                                 std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                               std::chars_format::fixed)
                                     .ptr);
                std::replace(text.begin(), text.end(), '.', mark);
                return text;
            };
            EXPECT_EQ(row[7], shortest(13.78f));
            EXPECT_EQ(row[10], shortest(10.8f));
            EXPECT_EQ(Row(row.begin() + 32, row.begin() + 34), (Row{r.measuredAt, r.operatorName}));
            EXPECT_EQ(row[42], r.reproducible ? (r.edited ? "1" : "0") : "");
            EXPECT_EQ(row[38], r.reproducible ? shortest(-0.1f) : "");
            EXPECT_EQ(Row(row.begin() + 45, row.begin() + 52),
                      (Row{r.sourceFile, r.sourceSha256, r.importProfile, r.conditionSource[0],
                           r.conditionSource[1], r.conditionSource[2], r.conditionSource[3]}));
            for (const auto& [column, u] : {std::pair{52, r.uE0}, std::pair{53, r.uSlope}})
                EXPECT_EQ(u ? std::optional(readNumber(row[column], decimal)) : std::nullopt,
                          row[column].empty() ? std::nullopt : u);
            std::vector<double> numbers;
            for (std::size_t column : {6, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26})
                numbers.push_back(readNumber(row[column], decimal));
            EXPECT_EQ(numbers,
                      (std::vector<double>{r.temperature, r.E0, r.E0sd, r.slope, r.slopeSd,
                                           r.slopeFactor, r.rms, r.acidEndPoint, r.acidEndPointSd,
                                           r.alkaliEndPoint, r.alkaliEndPointSd, r.impurityPercent,
                                           r.alkaliConc, r.alkaliConcSd}));
        }
    }
}

} // namespace
