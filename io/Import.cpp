#include "Import.h"

#include "FileAccess.h"
#include "ImportColumns.h"
#include "ImportConditions.h"
#include "ImportFields.h"
#include "LineReader.h"
#include "TextEncoding.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <algorithm>
#include <cmath>
#include <filesystem>

namespace io {

namespace {

/// Lines with digits looked at to find the separator, and how far they are looked for.
constexpr std::size_t kSniffLines = 50;
constexpr std::size_t kSniffReach = 1000;

using Lines = std::vector<std::string_view>;

bool isBlank(std::string_view line) {
    return trimBlanks(line).empty();
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string inQuotes(std::string_view s) {
    return quotedField(s);
}

std::size_t numberFields(const std::vector<std::string>& fields) {
    return static_cast<std::size_t>(std::count_if(fields.begin(), fields.end(), [](const auto& f) {
        return isNumberField(f, '.') || isNumberField(f, ',');
    }));
}

int namedColumn(const std::vector<std::string>& fields, const std::string& name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (lowerCase(fields[i]) == lowerCase(name))
            return static_cast<int>(i);
    return -1;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string sha256Hex(std::string_view bytes) {
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QCryptographicHash::hash(view, QCryptographicHash::Sha256).toHex().toStdString();
}

std::string columnText(int column) {
    return "column " + std::to_string(column + 1);
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
        if (!findData()) {
            previewRaw(r);
            return;
        }
        m_separator = m_p.separator == Separator::Auto ? findSeparator(sample()) : m_p.separator;
        for (std::size_t i = m_begin; i < m_end; ++i)
            m_fields.push_back(splitFields(m_lines[i], m_separator));
        const bool columns = findColumns(r);
        keepPreview(r);
        if (!columns || !readPoints(r))
            return;
        if (r.points.size() < kMinImportRows) {
            tooFewRows(r);
            return;
        }
        if (!checkAmounts(r) || !checkEmf(r))
            return;
        warnAboutLeftOut(r);
        bool refused = false;
        for (std::size_t i = 0; i < r.conditions.size(); ++i)
            r.conditions[i] =
                readCondition({m_lines, m_separator, m_mark}, m_p.conditions[i], kConditionKeys[i],
                              m_name, m_sink, r.origin.conditionSources[i], refused);
        if (refused)
            return;
        r.id = importIdentifier(m_p, m_name);
        r.accepted = true;
    }

private:
    bool refuse(const std::string& text) {
        m_sink.message(text);
        return false;
    }

    std::optional<std::size_t> lineBeginning(std::string_view marker, std::size_t from = 0) const {
        return io::lineBeginning(m_lines, marker, from);
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
            return refuse(m_name + " has no lines of data" +
                          (m_p.startLine > 0 && m_begin >= m_lines.size()
                               ? " (it has " + std::to_string(m_lines.size()) +
                                     " lines, the data should start at line " +
                                     std::to_string(m_p.startLine) + ")"
                               : std::string()));
        return true;
    }

    /// The lines the separator is found from: those with digits, from the start of the data.
    std::vector<std::string_view> sample() const {
        std::vector<std::string_view> lines;
        for (std::size_t i = m_begin; i < m_end && i < m_begin + kSniffReach; ++i) {
            const std::string_view l = m_lines[i];
            if (std::any_of(l.begin(), l.end(), isDigit))
                lines.push_back(l);
            if (lines.size() == kSniffLines)
                break;
        }
        return lines;
    }

    /// The first row (in m_fields) from `from` on with two numbers and more
    /// numbers than other texts: a row of data, not a title with a number in it.
    std::optional<std::size_t> firstDataRow(std::size_t from = 0) const {
        for (std::size_t i = from; i < m_fields.size(); ++i) {
            const std::size_t numbers = numberFields(m_fields[i]);
            const auto texts = static_cast<std::size_t>(std::count_if(
                m_fields[i].begin(), m_fields[i].end(), [](const auto& f) { return !f.empty(); }));
            if (numbers >= 2 && 2 * numbers > texts)
                return i;
        }
        return std::nullopt;
    }

    /// The header row: the nearest row before the data that names a column by a usual name.
    std::optional<std::size_t> headerRow() const {
        const std::optional<std::size_t> data = firstDataRow();
        for (std::size_t i = data.value_or(0); i-- > 0;) {
            const HeaderColumns h = headerColumns(m_fields[i]);
            if (h.amount >= 0 || h.emf >= 0)
                return i;
        }
        return std::nullopt;
    }

    /// The row that holds every column the profile names.
    std::optional<std::size_t> namingRow() const {
        for (std::size_t i = 0; i < m_fields.size(); ++i)
            if ((m_p.volume.name.empty() || namedColumn(m_fields[i], m_p.volume.name) >= 0) &&
                (m_p.emf.name.empty() || namedColumn(m_fields[i], m_p.emf.name) >= 0))
                return i;
        return std::nullopt;
    }

    /// The columns: by number, by a name in a header row (the data begin after
    /// it), by the usual names of a header row, else the first numeric columns.
    bool findColumns(ImportResult& r) {
        int& v = r.volumeColumn;
        int& e = r.emfColumn;
        v = m_p.volume.number - 1;
        e = m_p.emf.number - 1;
        const bool named = !m_p.volume.name.empty() || !m_p.emf.name.empty();
        const std::optional<std::size_t> header = named ? namingRow() : headerRow();
        if (named && !header)
            return refuse("No header row of " + m_name + " names the column " +
                          inQuotes(m_p.volume.name.empty() ? m_p.emf.name : m_p.volume.name));
        if (header) {
            const std::vector<std::string>& row = m_fields[*header];
            const HeaderColumns h = headerColumns(row);
            if (!m_p.volume.name.empty())
                v = namedColumn(row, m_p.volume.name);
            else if (m_p.volume.found() && h.amount != e)
                v = h.amount;
            if (!m_p.emf.name.empty())
                e = namedColumn(row, m_p.emf.name);
            else if (m_p.emf.found() && h.emf != v)
                e = h.emf;
            if (e >= 0 && static_cast<std::size_t>(e) < row.size())
                m_headerUnit = headerUnit(row[static_cast<std::size_t>(e)]);
            if (e < 0 && h.pH >= 0 && m_p.phCheck)
                return refuse(phMessage(h.pH));
            if (named || m_p.volume.found() || m_p.emf.found())
                m_firstRow = *header + 1;
        }
        numericColumns(v, e);
        if (v == e)
            return refuse(columnText(v) + " of " + m_name +
                          " is both the amount and the emf: choose two columns");
        m_unit = m_p.emfUnit != EmfUnit::Auto ? m_p.emfUnit : m_headerUnit.value_or(EmfUnit::mV);
        return true;
    }

    /// Columns still to be found: the first ones of numbers in the first data row.
    void numericColumns(int& v, int& e) const {
        if (v >= 0 && e >= 0)
            return;
        std::vector<int> numeric;
        if (const std::optional<std::size_t> data = firstDataRow(m_firstRow))
            for (std::size_t c = 0; c < m_fields[*data].size(); ++c)
                if (numberFields({m_fields[*data][c]}) == 1)
                    numeric.push_back(static_cast<int>(c));
        for (const int c : {0, 1})
            numeric.push_back(c); // without a data row: columns 1 and 2
        const auto firstBut = [&](int other) {
            return *std::find_if(numeric.begin(), numeric.end(), [&](int c) { return c != other; });
        };
        if (v < 0)
            v = firstBut(e);
        if (e < 0)
            e = firstBut(v);
    }

    void previewRaw(ImportResult& r) const {
        for (std::size_t i = 0; i < m_lines.size() && r.rows.size() < kPreviewRows; ++i)
            r.rows.push_back({static_cast<int>(i + 1), {std::string(m_lines[i])}, false});
    }

    void keepPreview(ImportResult& r) const {
        const std::size_t first = m_markerLine ? *m_markerLine : m_begin;
        for (std::size_t i = first; i < m_end && r.rows.size() < kPreviewRows; ++i)
            r.rows.push_back(
                {static_cast<int>(i + 1), splitFields(m_lines[i], m_separator), false});
    }

    /// Powers of ten from the units of the file to ml and mV.
    int amountShift() const { return m_p.amountUnit == AmountUnit::ul ? -3 : 0; }
    int emfShift() const { return m_unit == EmfUnit::V ? 3 : 0; }

    /// An amount in ml from the amount as read (µl already scaled).
    double amount(double read) const {
        if (m_p.amountUnit == AmountUnit::g && m_p.density > 0)
            return static_cast<float>(read / m_p.density); // as if read from a text
        return read;
    }

    /// Comma when more of the numbers in the chosen columns have a comma than a full stop.
    char findDecimalMark(std::size_t v, std::size_t e) const {
        if (m_p.decimal != DecimalMark::Auto)
            return m_p.decimal == DecimalMark::Comma ? ',' : '.';
        if (m_separator == Separator::Comma)
            return '.';
        std::size_t commas = 0, points = 0;
        for (std::size_t i = m_firstRow; i < m_fields.size(); ++i)
            for (const std::size_t c : {v, e})
                if (c < m_fields[i].size()) {
                    const std::string& f = m_fields[i][c];
                    commas += f.find(',') != f.npos && isNumberField(f, ',') ? 1 : 0;
                    points += f.find('.') != f.npos && isNumberField(f, '.') ? 1 : 0;
                }
        return commas > points ? ',' : '.';
    }

    std::string lineOf(std::size_t line) const {
        return "line " + std::to_string(line + 1) + " of " + m_name;
    }

    bool readPoints(ImportResult& r) {
        const auto v = static_cast<std::size_t>(r.volumeColumn);
        const auto e = static_cast<std::size_t>(r.emfColumn);
        m_mark = findDecimalMark(v, e);
        for (std::size_t i = m_firstRow; i < m_fields.size(); ++i) {
            const std::vector<std::string>& f = m_fields[i];
            const std::size_t line = m_begin + i;
            if (isBlank(m_lines[line]))
                continue;
            if (f.size() <= std::max(v, e)) {
                m_short = m_short.value_or(line);
                m_skipped = m_skipped.value_or(line);
                const std::string_view l = m_lines[line];
                if (!r.points.empty() && std::any_of(l.begin(), l.end(), isDigit))
                    m_unsplit.push_back(line);
                continue;
            }
            if (!readPoint(r, f[v], f[e], line))
                return false;
        }
        return true;
    }

    /// One row's amount and emf: a point, a row without values, a row without
    /// numbers (a header, a note), or an odd number that refuses the file.
    bool readPoint(ImportResult& r, const std::string& v, const std::string& e, std::size_t line) {
        bool volumeOut = false, emfOut = false;
        const std::optional<double> volume = fieldNumber(v, m_mark, amountShift(), volumeOut);
        const std::optional<double> emf = fieldNumber(e, m_mark, emfShift(), emfOut);
        const bool numbers = (volume || volumeOut) && (emf || emfOut);
        if (numbers && (volumeOut || emfOut))
            return refuse(lineOf(line) + " has " + inQuotes(volumeOut ? v : e) + " in " +
                          columnText(volumeOut ? r.volumeColumn : r.emfColumn) +
                          ", a number out of range");
        if (!numbers) {
            const auto numberOrOdd = [&](const std::string& f) {
                return isNumberField(f, m_mark) || isOddNumber(f, m_mark);
            };
            if (numberOrOdd(v) && numberOrOdd(e)) {
                const bool oddVolume = isOddNumber(v, m_mark);
                return refuse(lineOf(line) + " has " + inQuotes(oddVolume ? v : e) + " in " +
                              columnText(oddVolume ? r.volumeColumn : r.emfColumn) +
                              ", which is not a number written as the others are (with a decimal " +
                              (m_mark == ',' ? "comma" : "point") + " and no digit grouping)");
            }
            if (!r.points.empty() && (isMissingValue(v) || isMissingValue(e)) &&
                (volume || isMissingValue(v)) && (emf || isMissingValue(e)))
                m_missing.push_back(line);
            else
                m_skipped = m_skipped.value_or(line);
            return true;
        }
        r.points.emplace_back(amount(*volume), m_p.flipEmf ? -*emf : *emf);
        m_rawAmounts.push_back(*volume);
        m_rawEmf.push_back(*emf);
        m_pointLines.push_back(line);
        const std::size_t row = line - (m_markerLine ? *m_markerLine : m_begin);
        if (row < r.rows.size())
            r.rows[row].point = true;
        return true;
    }

    void tooFewRows(const ImportResult& r) const {
        std::string text = "Only " + std::to_string(r.points.size()) + " rows of " + m_name +
                           " hold numbers in " + columnText(r.volumeColumn) + " (amount) and " +
                           columnText(r.emfColumn) + " (emf); a titration needs at least " +
                           std::to_string(kMinImportRows);
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
        if (m_short)
            text += "; the fields are split at the " + separatorName(m_separator) +
                    separatorOrigin() + ", and line " + std::to_string(*m_short + 1) +
                    " does not split into " +
                    std::to_string(std::max(r.volumeColumn, r.emfColumn) + 1) +
                    " fields at it: " + inQuotes(m_lines[*m_short]);
        m_sink.message(text);
    }

    std::string lineText(std::size_t point) const {
        return std::to_string(m_pointLines[point] + 1);
    }

    /// Amounts that fall back to the start are a new run of additions; other
    /// falls are told, and so are amounts that look like a row index or times.
    /// False when too few points remain of the first run.
    bool checkAmounts(ImportResult& r) {
        const std::vector<double>& a = m_rawAmounts;
        bool told = false;
        for (std::size_t i = 1; i < a.size(); ++i) {
            if (a[i] >= a[i - 1])
                continue;
            if (a[i] > a.front()) {
                m_sink.message("The amounts in " + m_name + " are not increasing: line " +
                               lineText(i) + " has " + core::generalNumberText(a[i]) + " after " +
                               core::generalNumberText(a[i - 1]));
                told = true;
                break;
            }
            if (!splitSegments(r, i))
                return false;
            break;
        }
        const std::string in = "The amounts in " + m_name;
        if (countsRows(a))
            m_sink.message(in + " count the rows (" + core::generalNumberText(a[0]) + ", " +
                           core::generalNumberText(a[1]) + ", " + core::generalNumberText(a[2]) +
                           "...): is the amount column the row index?");
        else if (m_p.amountUnit == AmountUnit::ml && looksLikeTimes(a))
            m_sink.message(in + " are whole numbers up to " + core::generalNumberText(a.back()) +
                           ": is the amount column a time?");
        else if (!told && a.back() <= a.front())
            m_sink.message(in + " do not increase (" + core::generalNumberText(a.front()) +
                           " in line " + lineText(0) + ", " + core::generalNumberText(a.back()) +
                           " in line " + lineText(a.size() - 1) + "): is " +
                           columnText(r.volumeColumn) + " the amount?");
        if (r.points.size() > kMaxDataLines)
            return refuse(m_name + " has " + std::to_string(r.points.size()) +
                          " points, more than the " + std::to_string(kMaxDataLines) +
                          " a data file may hold");
        return true;
    }

    bool splitSegments(ImportResult& r, std::size_t restart) {
        const std::string where =
            "The amounts in " + m_name + " start again at line " + lineText(restart) + ": ";
        if (m_p.segments == Segments::First) {
            if (restart < kMinImportRows)
                return refuse(
                    where + "the first run of additions has only " + std::to_string(restart) +
                    " of the " + std::to_string(r.points.size()) +
                    " points, and a titration needs at least " + std::to_string(kMinImportRows) +
                    (restart == 1 ? "; if line " + lineText(0) +
                                        " is not a point, let the data start at line " +
                                        lineText(1) + " (start-line = " + lineText(1) + ")"
                                  : "; segments = sum adds the runs together"));
            m_sink.message(where + "only the first run of additions is taken (" +
                           std::to_string(restart) + " of " + std::to_string(r.points.size()) +
                           " points)");
            r.points.resize(restart);
            m_rawAmounts.resize(restart);
            m_rawEmf.resize(restart);
            for (SourceRow& row : r.rows)
                row.point =
                    row.point && static_cast<std::size_t>(row.line) <= m_pointLines[restart];
            m_pointLines.resize(restart);
            return true;
        }
        m_sink.message(where + "the runs of additions are summed, each continuing from the end "
                               "of the one before");
        double offset = 0;
        for (std::size_t i = 1; i < r.points.size(); ++i) {
            if (m_rawAmounts[i] < m_rawAmounts[i - 1])
                offset += amount(m_rawAmounts[i - 1]);
            r.points[i].first = static_cast<float>(amount(m_rawAmounts[i]) + offset);
        }
        return true;
    }

    std::string phMessage(int column) const {
        return "In " + m_name + ", " + columnText(column) +
               " holds pH values, not an emf: export the potential in mV. (Millivolts all the "
               "same? Then set ph-check = no in the profile, or give --no-ph-check.)";
    }

    /// The emf column against a row index, pH and times; the unit against the size of the values.
    bool checkEmf(ImportResult& r) {
        std::vector<double> asWritten = m_rawEmf; // in the file's unit
        if (m_unit == EmfUnit::V)
            for (double& x : asWritten)
                x /= 1000;
        const std::string column = columnText(r.emfColumn);
        if (countsRows(asWritten))
            return refuse("In " + m_name + ", " + column + " counts the rows (" +
                          core::generalNumberText(asWritten[0]) + ", " +
                          core::generalNumberText(asWritten[1]) +
                          "...), not an emf: choose the emf column");
        if (m_p.phCheck && looksLikePH(asWritten))
            return refuse(phMessage(r.emfColumn));
        if (looksLikeTimes(asWritten))
            m_sink.message("The emf in " + m_name + " are whole numbers up to " +
                           core::generalNumberText(asWritten.back()) + ": is " + column +
                           " a time?");
        warnAboutUnit(r);
        return true;
    }

    void warnAboutUnit(ImportResult& r) const {
        const bool given = m_p.emfUnit != EmfUnit::Auto;
        const std::string how =
            given ? "" : " (emf-unit in the profile, --emf-unit for tamo-calibrate)";
        const auto small = [](double mV) { return std::fabs(mV) < 2; };
        const auto large = [](double mV) { return std::fabs(mV) >= 2000; };
        if (m_unit == EmfUnit::mV && std::all_of(m_rawEmf.begin(), m_rawEmf.end(), small))
            m_sink.message("Every emf in " + m_name +
                           " is smaller than 2 mV in size: \"emf in volts?\" Then choose the "
                           "emf unit V" +
                           how + (given ? "" : "; or mV to read them as millivolts all the same"));
        else if (m_unit == EmfUnit::V && std::all_of(m_rawEmf.begin(), m_rawEmf.end(), large))
            m_sink.message("Every emf in " + m_name +
                           " is 2 V or more in size: emf in millivolts? Then choose the emf "
                           "unit mV" +
                           how + (given ? "" : "; or V to read them as volts all the same"));
        else
            return;
        r.emfUnitInDoubt = !given;
    }

    /// Rows among the points that gave none: without values, or not split into the columns.
    void warnAboutLeftOut(const ImportResult& r) const {
        const auto lines = [](const std::vector<std::size_t>& l) {
            std::string text = l.size() > 1 ? "lines " : "line ";
            for (std::size_t i = 0; i < l.size() && i < 5; ++i)
                text += (i ? ", " : "") + std::to_string(l[i] + 1);
            return text + (l.size() > 5 ? "..." : "");
        };
        const auto rowsOf = [&](std::size_t n, const char* one, const char* many) {
            return std::to_string(n) + (n == 1 ? " row of " : " rows of ") + m_name +
                   (n == 1 ? one : many);
        };
        if (!m_missing.empty())
            m_sink.message(rowsOf(m_missing.size(), " has", " have") +
                           " no value (empty, NaN) in the amount or emf column, left out: " +
                           lines(m_missing));
        if (!m_unsplit.empty())
            m_sink.message(rowsOf(m_unsplit.size(), " does", " do") + " not split into " +
                           std::to_string(std::max(r.volumeColumn, r.emfColumn) + 1) +
                           " fields at the " + separatorName(m_separator) + separatorOrigin() +
                           ", left out: " + lines(m_unsplit) + ", " +
                           inQuotes(m_lines[m_unsplit.front()]));
    }

    std::string separatorOrigin() const {
        return m_p.separator == Separator::Auto ? " (found from the file)"
                                                : " (the profile's separator)";
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
    std::vector<double> m_rawAmounts, m_rawEmf;     ///< per point (mV), before density and sign
    std::vector<std::size_t> m_pointLines;          ///< line index of each point
    std::optional<std::size_t> m_skipped;           ///< the first non-blank line without numbers
    std::optional<std::size_t> m_short;             ///< the first line without the chosen columns
    std::vector<std::size_t> m_missing;             ///< lines whose values are empty or NaN
    std::vector<std::size_t> m_unsplit;             ///< lines with digits but not the columns
    std::optional<EmfUnit> m_headerUnit;            ///< the emf unit the header row gives
    EmfUnit m_unit = EmfUnit::mV;                   ///< the emf unit read
};

} // namespace

ImportResult importText(std::string_view bytes, const std::string& name,
                        const ImportProfile& profile, core::MessageSink& sink) {
    ImportResult result;
    result.origin.sourceFile = absolutePath(name);
    result.origin.profileText = profileText(profile);
    if (bytes.size() > kMaxDataFileBytes) {
        sink.message("The file \"" + name + "\" is larger than 10 MB and is not a titration");
        return result;
    }
    result.origin.sourceSha256 = sha256Hex(bytes);
    if (const std::optional<std::string> reason = notTextReason(bytes)) {
        sink.message(name + " is not a text file" + (reason->empty() ? "" : " (" + *reason + ")"));
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

} // namespace io
