#include "Import.h"

#include "FileAccess.h"
#include "LineReader.h"
#include "TextEncoding.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace io {

namespace {

/// Lines looked at to find the separator.
constexpr std::size_t kSniffLines = 20;

using Lines = std::vector<std::string_view>;

bool isBlank(std::string_view line) {
    return trimBlanks(line).empty();
}

bool startsWithNoCase(std::string_view line, std::string_view prefix) {
    line = trimBlanks(line);
    return line.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), line.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::string inQuotes(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

/// A field without blanks around it and without the quotes a spreadsheet puts around text.
std::string_view cleanField(std::string_view field) {
    field = trimBlanks(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = trimBlanks(field.substr(1, field.size() - 2));
    return field;
}

std::vector<std::string> splitFields(std::string_view line, Separator separator) {
    std::vector<std::string> fields;
    if (separator == Separator::Space) {
        std::size_t i = 0;
        while ((i = line.find_first_not_of(" \t", i)) != std::string_view::npos) {
            const std::size_t end = std::min(line.find_first_of(" \t", i), line.size());
            fields.emplace_back(cleanField(line.substr(i, end - i)));
            i = end;
        }
        return fields;
    }
    const char c = separator == Separator::Tab ? '\t' : separator == Separator::Comma ? ',' : ';';
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(c, start);
        fields.emplace_back(cleanField(line.substr(start, end - start)));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

/// Whether the field is one number written with the decimal mark: optional
/// sign, digits with at most one mark (at least one digit), optional exponent.
bool isNumberField(std::string_view s, char mark) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool digits = false, seenMark = false;
    for (; i < s.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(s[i])))
            digits = true;
        else if (s[i] == mark && !seenMark)
            seenMark = true;
        else
            break;
    }
    if (!digits)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t exponent = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == exponent)
            return false;
    }
    return i == s.size();
}

/// The number of the field times 10 to the power `shift`, scaled in its text
/// so that 0.227315 V gives exactly what 227.315 mV would.
std::optional<double> fieldNumber(std::string_view field, char mark, core::MessageSink& sink,
                                  int shift = 0) {
    if (!isNumberField(field, mark))
        return std::nullopt;
    std::string text(field);
    std::replace(text.begin(), text.end(), ',', '.');
    if (shift != 0) {
        const auto e = text.find_first_of("eE");
        int exponent = 0;
        if (e != std::string::npos) {
            const char* first = text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0);
            std::from_chars(first, text.data() + text.size(), exponent);
            text.resize(e);
        }
        text += "e" + std::to_string(exponent + shift);
    }
    return core::TextToNumber(text, sink);
}

/// Every field of each line (blank lines aside) a number with a decimal comma, split at blanks.
bool blankSeparatedCommaNumbers(const std::vector<std::string_view>& sample) {
    bool anyComma = false;
    for (const std::string_view line : sample)
        for (const std::string& f : splitFields(line, Separator::Space)) {
            if (!isNumberField(f, ','))
                return false;
            anyComma = anyComma || f.find(',') != std::string::npos;
        }
    return anyComma;
}

/// Tab, then semicolon, then comma (unless the commas are decimal commas
/// between blank-separated numbers), else blanks.
Separator findSeparator(const Lines& lines, std::size_t begin, std::size_t end) {
    std::vector<std::string_view> sample;
    for (std::size_t i = begin; i < end && sample.size() < kSniffLines; ++i)
        if (!isBlank(lines[i]))
            sample.push_back(lines[i]);
    const auto any = [&](char c) {
        return std::any_of(sample.begin(), sample.end(),
                           [c](std::string_view l) { return l.find(c) != std::string_view::npos; });
    };
    if (any('\t'))
        return Separator::Tab;
    if (any(';'))
        return Separator::Semicolon;
    if (any(',') && !blankSeparatedCommaNumbers(sample))
        return Separator::Comma;
    return Separator::Space;
}

/// Comma when the chosen columns hold commas and no full stop.
char findDecimalMark(const ImportProfile& p, Separator separator,
                     const std::vector<std::vector<std::string>>& rows, int volume, int emf) {
    if (p.decimal != DecimalMark::Auto)
        return p.decimal == DecimalMark::Comma ? ',' : '.';
    if (separator == Separator::Comma)
        return '.';
    bool comma = false;
    for (const auto& fields : rows)
        for (const int c : {volume, emf})
            if (c >= 0 && static_cast<std::size_t>(c) < fields.size()) {
                if (fields[static_cast<std::size_t>(c)].find('.') != std::string::npos)
                    return '.';
                comma = comma || fields[static_cast<std::size_t>(c)].find(',') != std::string::npos;
            }
    return comma ? ',' : '.';
}

int namedColumn(const std::vector<std::string>& fields, const std::string& name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (lowerCase(fields[i]) == lowerCase(name))
            return static_cast<int>(i);
    return -1;
}

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

/// The state of one import while it is read.
class Reader {
public:
    Reader(std::string_view text, const std::string& name, const ImportProfile& profile,
           core::MessageSink& sink)
        : m_name(name), m_p(profile), m_sink(sink) {
        LineReader reader(text);
        std::string_view line;
        while (reader.next(line))
            m_lines.push_back(line);
    }

    void run(ImportResult& r) {
        if (!findData())
            return;
        m_separator = m_p.separator == Separator::Auto ? findSeparator(m_lines, m_begin, m_end)
                                                       : m_p.separator;
        for (std::size_t i = m_begin; i < m_end; ++i)
            m_fields.push_back(splitFields(m_lines[i], m_separator));
        const bool columns = findColumns(r);
        keepPreview(r);
        if (!columns)
            return;
        readPoints(r);
        if (r.points.size() < kMinImportRows) {
            tooFewRows(r);
            return;
        }
        warnAboutAmounts(r);
        warnAboutEmf(r);
        for (std::size_t i = 0; i < r.conditions.size(); ++i)
            r.conditions[i] = condition(i);
        r.id = identifier();
        r.accepted = true;
    }

private:
    bool refuse(const std::string& text) {
        m_sink.message(text);
        return false;
    }

    std::optional<std::size_t> lineBeginning(std::string_view marker, std::size_t from = 0) const {
        for (std::size_t i = from; i < m_lines.size(); ++i)
            if (startsWithNoCase(m_lines[i], marker))
                return i;
        return std::nullopt;
    }

    /// The lines [m_begin, m_end) that hold the data.
    bool findData() {
        m_begin = m_p.startLine > 0 ? static_cast<std::size_t>(m_p.startLine - 1) : 0;
        if (!m_p.skipTo.empty()) {
            const std::optional<std::size_t> marker = lineBeginning(m_p.skipTo, m_begin);
            if (!marker)
                return refuse("No line of " + m_name + " begins with " + inQuotes(m_p.skipTo) +
                              ", where the data should start");
            m_begin = *marker + 1;
            m_markerLine = *marker;
        }
        m_end = m_lines.size();
        if (!m_p.endAt.empty())
            if (const std::optional<std::size_t> end = lineBeginning(m_p.endAt, m_begin))
                m_end = *end;
        if (m_begin >= m_end)
            return refuse(m_name + " has no lines of data");
        return true;
    }

    int resolveColumn(const ColumnRef& c, const std::vector<std::string>& header) const {
        return c.number > 0 ? c.number - 1 : namedColumn(header, c.name);
    }

    /// The column indices; a named column must be in a header row, and the data begin after it.
    bool findColumns(ImportResult& r) {
        if (m_p.volume.number > 0 && m_p.emf.number > 0) {
            r.volumeColumn = m_p.volume.number - 1;
            r.emfColumn = m_p.emf.number - 1;
            return true;
        }
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            const int volume = resolveColumn(m_p.volume, m_fields[i]);
            const int emf = resolveColumn(m_p.emf, m_fields[i]);
            if (volume >= 0 && emf >= 0) {
                r.volumeColumn = volume;
                r.emfColumn = emf;
                m_firstRow = i + 1;
                return true;
            }
        }
        const ColumnRef& named = m_p.volume.number > 0 ? m_p.emf : m_p.volume;
        return refuse("No header row of " + m_name + " names the column " + inQuotes(named.name));
    }

    void keepPreview(ImportResult& r) const {
        const std::size_t first = m_markerLine ? *m_markerLine : m_begin;
        for (std::size_t i = first; i < m_end && r.rows.size() < kPreviewRows; ++i)
            r.rows.push_back(
                {static_cast<int>(i + 1), splitFields(m_lines[i], m_separator), false});
    }

    /// Powers of ten from the units of the file to ml and mV.
    int amountShift() const { return m_p.amountUnit == AmountUnit::ul ? -3 : 0; }
    int emfShift() const { return m_p.emfUnit == EmfUnit::V ? 3 : 0; }

    /// An amount in ml from the amount as read (µl already scaled).
    double amount(double read) const {
        if (m_p.amountUnit == AmountUnit::g && m_p.density > 0)
            return static_cast<float>(read / m_p.density); // as if read from a text
        return read;
    }

    void readPoints(ImportResult& r) {
        const auto v = static_cast<std::size_t>(r.volumeColumn);
        const auto e = static_cast<std::size_t>(r.emfColumn);
        std::vector<std::vector<std::string>> dataRows(
            m_fields.begin() + static_cast<long>(m_firstRow), m_fields.end());
        m_mark = findDecimalMark(m_p, m_separator, dataRows, r.volumeColumn, r.emfColumn);
        for (std::size_t i = m_firstRow; i < m_fields.size(); ++i) {
            const std::vector<std::string>& f = m_fields[i];
            if (f.size() <= std::max(v, e))
                continue;
            const std::optional<double> volume = fieldNumber(f[v], m_mark, m_sink, amountShift());
            const std::optional<double> emf = fieldNumber(f[e], m_mark, m_sink, emfShift());
            if (!volume || !emf) {
                if (!m_skipped && !isBlank(m_lines[m_begin + i]))
                    m_skipped = m_begin + i;
                continue;
            }
            r.points.emplace_back(amount(*volume), m_p.flipEmf ? -*emf : *emf);
            m_rawAmounts.push_back(*volume);
            m_rawEmf.push_back(*emf);
            m_pointLines.push_back(m_begin + i);
            const std::size_t row = m_begin + i - (m_markerLine ? *m_markerLine : m_begin);
            if (row < r.rows.size())
                r.rows[row].point = true;
        }
    }

    void tooFewRows(const ImportResult& r) const {
        std::string text = "Only " + std::to_string(r.points.size()) + " rows of " + m_name +
                           " hold numbers in column " + std::to_string(r.volumeColumn + 1) +
                           " (amount) and column " + std::to_string(r.emfColumn + 1) +
                           " (emf); a titration needs at least " + std::to_string(kMinImportRows);
        if (m_skipped) {
            const std::vector<std::string> f = splitFields(m_lines[*m_skipped], m_separator);
            const auto field = [&](int c) {
                return static_cast<std::size_t>(c) < f.size()
                           ? inQuotes(f[static_cast<std::size_t>(c)])
                           : std::string("nothing");
            };
            text += " (line " + std::to_string(*m_skipped + 1) + " has " + field(r.volumeColumn) +
                    " and " + field(r.emfColumn) + " there)";
        }
        m_sink.message(text);
    }

    std::string lineText(std::size_t point) const {
        return std::to_string(m_pointLines[point] + 1);
    }

    /// Amounts that fall back to the start are a new run of additions; other falls are told.
    void warnAboutAmounts(ImportResult& r) {
        const std::vector<double>& a = m_rawAmounts;
        for (std::size_t i = 1; i < a.size(); ++i) {
            if (a[i] >= a[i - 1])
                continue;
            if (a[i] > a.front()) {
                m_sink.message("The amounts in " + m_name + " are not increasing: line " +
                               lineText(i) + " has " + core::generalNumberText(a[i]) + " after " +
                               core::generalNumberText(a[i - 1]));
                break;
            }
            splitSegments(r, i);
            break;
        }
        if (isRowIndex(a))
            m_sink.message("The amounts in " + m_name + " count the rows (" +
                           core::generalNumberText(a[0]) + ", " + core::generalNumberText(a[1]) +
                           ", " + core::generalNumberText(a[2]) +
                           "...): is the amount column the row index?");
        else if (looksLikeTimes(a))
            m_sink.message("The amounts in " + m_name + " are whole numbers up to " +
                           core::generalNumberText(a.back()) + ": is the amount column a time?");
    }

    void splitSegments(ImportResult& r, std::size_t restart) {
        const std::string where =
            "The amounts in " + m_name + " start again at line " + lineText(restart) + ": ";
        if (m_p.segments == Segments::First) {
            m_sink.message(where + "only the first run of additions is taken (" +
                           std::to_string(restart) + " of " + std::to_string(r.points.size()) +
                           " points)");
            r.points.resize(restart);
            m_rawAmounts.resize(restart);
            m_rawEmf.resize(restart);
            for (SourceRow& row : r.rows)
                row.point =
                    row.point && static_cast<std::size_t>(row.line) <= m_pointLines[restart];
            return;
        }
        m_sink.message(where + "the runs of additions are summed, each continuing from the end "
                               "of the one before");
        double offset = 0;
        for (std::size_t i = 1; i < r.points.size(); ++i) {
            if (m_rawAmounts[i] < m_rawAmounts[i - 1])
                offset += amount(m_rawAmounts[i - 1]);
            r.points[i].first = static_cast<float>(amount(m_rawAmounts[i]) + offset);
        }
    }

    static bool isRowIndex(const std::vector<double>& a) {
        if (a.front() != 0 && a.front() != 1)
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != a.front() + static_cast<double>(i))
                return false;
        return true;
    }

    bool looksLikeTimes(const std::vector<double>& a) const {
        const bool whole =
            std::all_of(a.begin(), a.end(), [](double x) { return x == std::floor(x); });
        return m_p.amountUnit == AmountUnit::ml && whole && a.back() >= 60;
    }

    void warnAboutEmf(const ImportResult& r) const {
        const auto small = [](const auto& point) { return std::fabs(point.second) < 2; };
        if (m_p.emfUnit == EmfUnit::mV && std::all_of(r.points.begin(), r.points.end(), small))
            m_sink.message("Every emf in " + m_name +
                           " is smaller than 2 mV in size: \"emf in volts?\" Then choose the "
                           "emf unit V");
        const auto large = [](double mV) { return std::fabs(mV) >= 2000; };
        if (m_p.emfUnit == EmfUnit::V && std::all_of(m_rawEmf.begin(), m_rawEmf.end(), large))
            m_sink.message("Every emf in " + m_name +
                           " is 2 V or more in size: emf in millivolts? Then choose the emf "
                           "unit mV");
    }

    /// Field `column` (from 1) of the line, if it is a number; its text.
    std::optional<std::string> numberAt(std::size_t line, int column) const {
        const std::vector<std::string> f = splitFields(m_lines[line], m_separator);
        const auto c = static_cast<std::size_t>(column - 1);
        if (c >= f.size() || !isNumberField(f[c], m_mark))
            return std::nullopt;
        return f[c];
    }

    std::optional<std::string> keyValue(std::size_t line, std::string_view key) const {
        std::string_view rest = trimBlanks(m_lines[line]).substr(key.size());
        const auto start = rest.find_first_not_of(" \t:=,;");
        if (start == std::string_view::npos)
            return std::nullopt;
        rest = rest.substr(start);
        const std::string_view token = rest.substr(0, rest.find_first_of(" \t;"));
        return isNumberField(token, m_mark) || isNumberField(token, '.')
                   ? std::optional<std::string>(token)
                   : std::nullopt;
    }

    std::optional<std::size_t> nonBlankFrom(std::size_t line, int step) const {
        for (auto i = static_cast<long>(line); i >= 0 && i < static_cast<long>(m_lines.size());
             i += step)
            if (!isBlank(m_lines[static_cast<std::size_t>(i)]))
                return static_cast<std::size_t>(i);
        return std::nullopt;
    }

    std::optional<std::string> sourceText(const ConditionSource& s, std::string& where) const {
        using Kind = ConditionSource::Kind;
        const std::string column = " column " + std::to_string(s.column);
        switch (s.kind) {
        case Kind::Ask:
            return std::nullopt;
        case Kind::Fixed:
            return s.text;
        case Kind::Line:
            where = "line " + std::to_string(s.line) + column;
            if (static_cast<std::size_t>(s.line) > m_lines.size())
                return std::nullopt;
            return numberAt(static_cast<std::size_t>(s.line - 1), s.column);
        case Kind::Before:
        case Kind::After: {
            const bool before = s.kind == Kind::Before;
            where = std::string(before ? "the line before " : "the line after ") +
                    inQuotes(s.text) + column;
            const std::optional<std::size_t> marker = lineBeginning(s.text);
            if (!marker || (before && *marker == 0))
                return std::nullopt;
            const std::optional<std::size_t> line =
                nonBlankFrom(before ? *marker - 1 : *marker + 1, before ? -1 : 1);
            return line ? numberAt(*line, s.column) : std::nullopt;
        }
        case Kind::Key: {
            where = "the line beginning with " + inQuotes(s.text);
            const std::optional<std::size_t> line = lineBeginning(s.text);
            return line ? keyValue(*line, s.text) : std::nullopt;
        }
        }
        return std::nullopt;
    }

    std::optional<std::string> condition(std::size_t i) const {
        const ConditionSource& s = m_p.conditions[i];
        std::string where;
        std::optional<std::string> text = sourceText(s, where);
        if (!text) {
            if (s.kind != ConditionSource::Kind::Ask)
                m_sink.message(std::string(kConditionKeys[i]) + ": " + m_name +
                               " has no number in " + where);
            return std::nullopt;
        }
        if (s.negate)
            *text = text->front() == '-' ? text->substr(1)
                                         : "-" + (text->front() == '+' ? text->substr(1) : *text);
        return text;
    }

    std::string identifier() const {
        std::string id = m_p.id.empty() ? "{file}" : m_p.id;
        if (const auto at = id.find("{file}"); at != std::string::npos)
            id.replace(at, 6, fileNameOf(m_name));
        return id;
    }

    const std::string& m_name;
    const ImportProfile& m_p;
    core::MessageSink& m_sink;
    Lines m_lines;
    std::size_t m_begin = 0, m_end = 0;
    std::optional<std::size_t> m_markerLine;
    Separator m_separator = Separator::Space;
    char m_mark = '.';
    std::vector<std::vector<std::string>> m_fields; ///< of the lines [m_begin, m_end)
    std::size_t m_firstRow = 0;                     ///< in m_fields: after a header row
    std::vector<double> m_rawAmounts, m_rawEmf;     ///< per point, before density and sign
    std::vector<std::size_t> m_pointLines;          ///< line index of each point
    std::optional<std::size_t> m_skipped;           ///< the first non-blank line without numbers
};

} // namespace

ImportResult importText(std::string_view bytes, const std::string& name,
                        const ImportProfile& profile, core::MessageSink& sink) {
    ImportResult result;
    if (bytes.size() > kMaxDataFileBytes) {
        sink.message("The file \"" + name + "\" is larger than 10 MB and is not a titration");
        return result;
    }
    const DecodedText decoded = decodeText(bytes);
    result.latin1 = decoded.latin1;
    Reader(decoded.text, name, profile, sink).run(result);
    return result;
}

ImportResult importFile(const std::string& path, const ImportProfile& profile,
                        core::MessageSink& sink) {
    std::string bytes;
    if (std::string error = readFileBytes(path, kMaxDataFileBytes, bytes); !error.empty()) {
        sink.message(error);
        return {};
    }
    return importText(bytes, path, profile, sink);
}

std::vector<std::string> missingConditions(const ImportResult& result) {
    std::vector<std::string> missing;
    for (std::size_t i = 0; i < result.conditions.size(); ++i)
        if (!result.conditions[i])
            missing.emplace_back(kConditionKeys[i]);
    return missing;
}

DataFileTexts importedTexts(const ImportResult& result) {
    DataFileTexts texts;
    texts.id = result.id;
    core::RecordingSink ignored; // the numbers were checked when they were read
    for (std::size_t i = 0; i < texts.conditions.size(); ++i)
        texts.conditions[i] = core::generalNumberText(
            core::TextToNumber(result.conditions[i].value_or("0"), ignored));
    texts.points.reserve(result.points.size());
    for (const auto& [volume, emf] : result.points)
        texts.points.emplace_back(core::generalNumberText(volume), core::generalNumberText(emf));
    texts.latin1 = result.latin1;
    return texts;
}

bool loadImport(const ImportResult& result, const std::string& name, core::Titration& titration,
                core::MessageSink& sink) {
    std::optional<DataFileContent> content =
        parseDataFile(dataFileBytes(importedTexts(result)), name, sink);
    if (!content)
        return false;
    applyDataFile(std::move(*content), titration);
    return true;
}

std::string importedDataPath(const std::string& folder, const std::string& source) {
    std::filesystem::path name = std::filesystem::path(source).filename();
    name.replace_extension(".txt");
    return (std::filesystem::path(folder) / name).string();
}

} // namespace io
