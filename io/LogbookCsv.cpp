#include "LogbookCsv.h"

#include "FileAccess.h"
#include "core/Locale.h"

#include <array>
#include <charconv>

namespace io {

namespace {

constexpr const char* kHeader[] = {
    "id",
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
    "withdrawal reason",
    "measured at",
    "operator",
    "comment",
    "titrand volume",
    "electrolyte volume",
    "titrand concentration",
    "burette concentration",
    "Gamma",
    "Gamma typed",
    "Gamma refined",
    "edited",
    "withdrawn by",
    "withdrawal comment",
    "source file",
    "source SHA-256",
    "import profile",
    "titrand volume from",
    "electrolyte volume from",
    "titrand concentration from",
    "burette concentration from",
    "u(E0)",
    "u(slope)",
};

class Row {
public:
    Row(std::string& text, char separator) : m_text(text), m_separator(separator) {}

    void text(const std::string& field) {
        begin();
        if (field.find_first_of(std::string{m_separator, '"', '\r', '\n'}) == std::string::npos) {
            m_text += field;
            return;
        }
        m_text += '"';
        for (char c : field)
            m_text += c == '"' ? std::string("\"\"") : std::string(1, c);
        m_text += '"';
    }

    /// The shortest text that reads back to the same double, in plain decimals.
    void number(double value) { plain(value); }

    /// A number read from a typed text (single precision, widened) as its
    /// shortest single-precision text: 13.92, not 13.920000076293945.
    void typed(double value) {
        const float single = static_cast<float>(value);
        if (static_cast<double>(single) != value)
            return plain(value);
        plain(single);
    }

    void integer(long long value) { text(std::to_string(value)); }

    void end() {
        m_text += "\r\n";
        m_first = true;
    }

private:
    template <typename Number> void plain(Number value) {
        std::array<char, 400> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::fixed);
        std::string field(buffer.data(), result.ptr);
        if (const auto point = field.find('.'); point != std::string::npos)
            field[point] = core::decimalSeparator();
        text(field);
    }

    void begin() {
        if (!m_first)
            m_text += m_separator;
        m_first = false;
    }

    std::string& m_text;
    char m_separator;
    bool m_first = true;
};

std::string joinedReasons(const core::Verdict& verdict) {
    std::string text;
    for (const std::string& reason : verdict.reasons)
        text += (text.empty() ? "" : "; ") + reason;
    return text;
}

/// The columns a record of format 1 leaves empty.
void writeReproduction(Row& row, const LogbookRecord& r) {
    if (!r.reproducible) {
        for (int i = 0; i < 11; ++i)
            row.text("");
        return;
    }
    row.text(r.measuredAt);
    row.text(r.operatorName);
    row.text(r.comment);
    for (double value : {r.titrandVolume, r.electrolyteVolume, r.titrandConc, r.buretteConc})
        row.typed(value);
    row.number(r.gamma);
    row.typed(r.gammaTyped);
    row.integer(r.gammaRefined ? 1 : 0);
    row.integer(r.edited ? 1 : 0);
}

void writeEntry(Row& row, const LogbookEntry& entry) {
    const LogbookRecord& r = entry.record;
    row.integer(r.id);
    for (const std::string* field :
         {&r.recordedAt, &r.electrode, &r.dataFile, &r.dataSha256, &r.identifier})
        row.text(*field);
    row.typed(r.temperature);
    row.typed(r.pKw);
    for (double bound : r.ranges)
        row.typed(bound);
    row.integer(r.pointsUsed);
    row.integer(r.pointsIgnored);
    for (double value :
         {r.E0, r.E0sd, r.slope, r.slopeSd, r.slopeFactor, r.rms, r.acidEndPoint, r.acidEndPointSd,
          r.alkaliEndPoint, r.alkaliEndPointSd, r.impurityPercent, r.alkaliConc, r.alkaliConcSd})
        row.number(value);
    row.text(r.verdict.ok() ? "ok" : "check");
    row.text(joinedReasons(r.verdict));
    row.text(r.programVersion);
    row.text(entry.withdrawal ? entry.withdrawal->withdrawnAt : "");
    row.text(entry.withdrawal ? entry.withdrawal->reason : "");
    writeReproduction(row, r);
    row.text(entry.withdrawal ? entry.withdrawal->operatorName : "");
    row.text(entry.withdrawal ? entry.withdrawal->comment : "");
    for (const std::string* field : {&r.sourceFile, &r.sourceSha256, &r.importProfile})
        row.text(*field);
    for (const std::string& source : r.conditionSource)
        row.text(source);
    for (const std::optional<double>& u : {r.uE0, r.uSlope}) {
        if (u)
            row.number(*u);
        else
            row.text("");
    }
    row.end();
}

} // namespace

std::string logbookCsvText(const std::vector<LogbookEntry>& entries) {
    const char separator = core::decimalSeparator() == ',' ? ';' : ',';
    std::string text;
    Row row(text, separator);
    for (const char* name : kHeader)
        row.text(name);
    row.end();
    for (const LogbookEntry& entry : entries)
        writeEntry(row, entry);
    return text;
}

std::string writeLogbookCsv(const std::string& path, const std::vector<LogbookEntry>& entries) {
    return writeFileAtomically(path, logbookCsvText(entries));
}

} // namespace io
