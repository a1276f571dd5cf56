#include "io/LogbookCsv.h"

#include "SampleRecord.h"
#include "core/Locale.h"

#include <QFile>
#include <QTemporaryDir>
#include <charconv>
#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::vector<std::string>>;

/// Reads CSV as a spreadsheet does: quoted fields may hold anything, "" is a quote.
Rows readCsv(const std::string& text, char separator) {
    Rows rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = rows.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    EXPECT_FALSE(quoted);
    EXPECT_EQ(rows.back(), std::vector<std::string>(1)) << "the last line ends in CR LF";
    rows.pop_back();
    return rows;
}

double readNumber(std::string text, char decimalSeparator) {
    if (const auto point = text.find(decimalSeparator); point != std::string::npos)
        text[point] = '.';
    EXPECT_EQ(text.find_first_of(",;"), std::string::npos) << text;
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << text;
    return value;
}

TEST(LogbookCsv, ReadsBackWithTheLocalesSeparators) {
    std::vector<io::LogbookEntry> entries;
    for (int n = 0; n < 4; ++n) {
        io::LogbookEntry& entry = entries.emplace_back();
        entry.record = logbooktest::sampleRecord(n, n == 2 ? "glass; \"7\"" : "glass 7");
        entry.record.id = 10 + n;
    }
    entries[1].withdrawal = io::Withdrawal{"2024-06-01T12:00:00+02:00", "cracked, \"replaced\""};

    const std::vector<std::string> header = {"id",
                                             "date",
                                             "electrode",
                                             "data file",
                                             "SHA-256",
                                             "identifier",
                                             "temperature",
                                             "pKw",
                                             "range 1",
                                             "range 2",
                                             "range 3",
                                             "range 4",
                                             "points used",
                                             "points ignored",
                                             "E0",
                                             "E0 sd",
                                             "slope",
                                             "slope sd",
                                             "slope factor",
                                             "rms",
                                             "acid end-point",
                                             "acid end-point sd",
                                             "alkali end-point",
                                             "alkali end-point sd",
                                             "impurity %",
                                             "alkali concentration",
                                             "alkali concentration sd",
                                             "verdict",
                                             "reasons",
                                             "program version",
                                             "withdrawn",
                                             "withdrawal reason"};
    for (const auto& [decimal, field] : {std::pair{'.', ','}, std::pair{',', ';'}}) {
        SCOPED_TRACE(std::string("decimal separator ") + decimal);
        core::ScopedDecimalSeparator locale(decimal);
        QTemporaryDir dir;
        const std::string path = dir.filePath("glass 7.csv").toStdString();
        ASSERT_EQ(io::writeLogbookCsv(path, entries), "");
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const Rows rows = readCsv(file.readAll().toStdString(), field);
        ASSERT_EQ(rows.size(), entries.size() + 1);
        EXPECT_EQ(rows[0], header);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::vector<std::string>& row = rows[i + 1];
            ASSERT_EQ(row.size(), header.size()) << "row " << i;
            const io::LogbookRecord& r = entries[i].record;
            const std::vector<std::string> texts = {
                std::to_string(r.id),
                r.recordedAt,
                r.electrode,
                r.dataFile,
                r.dataSha256,
                r.identifier,
                std::to_string(r.pointsUsed),
                std::to_string(r.pointsIgnored),
                r.verdict.ok() ? "ok" : "check",
                r.verdict.ok() ? ""
                               : "slope factor 0.9412 is below 0.95; rms residual 1.2 mV is "
                                 "above 1.0 mV",
                r.programVersion,
                entries[i].withdrawal ? entries[i].withdrawal->withdrawnAt : "",
                entries[i].withdrawal ? entries[i].withdrawal->reason : ""};
            const std::vector<std::string> read = {row[0],  row[1],  row[2],  row[3],  row[4],
                                                   row[5],  row[12], row[13], row[27], row[28],
                                                   row[29], row[30], row[31]};
            EXPECT_EQ(read, texts) << "row " << i;
            const std::vector<double> numbers = {r.temperature,
                                                 r.pKw,
                                                 r.ranges[0],
                                                 r.ranges[1],
                                                 r.ranges[2],
                                                 r.ranges[3],
                                                 r.E0,
                                                 r.E0sd,
                                                 r.slope,
                                                 r.slopeSd,
                                                 r.slopeFactor,
                                                 r.rms,
                                                 r.acidEndPoint,
                                                 r.acidEndPointSd,
                                                 r.alkaliEndPoint,
                                                 r.alkaliEndPointSd,
                                                 r.impurityPercent,
                                                 r.alkaliConc,
                                                 r.alkaliConcSd};
            std::vector<double> readNumbers;
            for (std::size_t column :
                 {6, 7, 8, 9, 10, 11, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26})
                readNumbers.push_back(readNumber(row[column], decimal));
            EXPECT_EQ(readNumbers, numbers) << "row " << i;
        }
    }
}

TEST(LogbookCsv, QuotesOnlyTheFieldsThatNeedIt) {
    io::LogbookEntry entry;
    entry.record.electrode = "a\"b";
    entry.record.identifier = "1,5";
    entry.record.dataFile = "x;y";
    entry.record.alkaliConc = -1e-7;
    const std::string text = io::logbookCsvText({entry});
    const std::string row = text.substr(text.find("\r\n") + 2);
    EXPECT_TRUE(row.starts_with("0,,\"a\"\"b\",x;y,,\"1,5\",0,0,")) << row;
    EXPECT_NE(row.find(",-0.0000001,"), std::string::npos) << row;
    core::ScopedDecimalSeparator comma(',');
    const std::string commaText = io::logbookCsvText({entry});
    EXPECT_TRUE(commaText.substr(commaText.find("\r\n") + 2)
                    .starts_with("0;;\"a\"\"b\";\"x;y\";;1,5;0;0;"));
}

TEST(LogbookCsv, AFailedWriteNamesTheFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("missing/out.csv").toStdString();
    const std::string error = io::writeLogbookCsv(path, {});
    EXPECT_TRUE(error.starts_with("The file \"" + path + "\" cannot be written: ")) << error;
}

} // namespace
