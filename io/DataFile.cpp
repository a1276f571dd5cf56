#include "DataFile.h"

#include "FileAccess.h"
#include "LineReader.h"
#include "TextEncoding.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <algorithm>

namespace io {

namespace {

constexpr std::size_t kZoneWidth = 14;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Digits, signs and exponent letters: number characters whatever the line's decimal character.
constexpr std::array<bool, 256> kNumberCharacters = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view("0123456789+-eE"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

inline bool isNumberCharacter(char c, char decimal) {
    return kNumberCharacters[static_cast<unsigned char>(c)] || c == decimal;
}

std::string_view trimSpaces(std::string_view s) {
    const auto begin = s.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return {};
    return s.substr(begin, s.find_last_not_of(' ') - begin + 1);
}

bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

/// "," when the line holds a comma and no full stop, else ".".
char decimalCharacter(std::string_view line) {
    const bool comma = line.find(',') != std::string_view::npos;
    const bool stop = line.find('.') != std::string_view::npos;
    return comma && !stop ? ',' : '.';
}

std::string fileMessage(const std::string& name, const char* reason) {
    return "The file \"" + name + "\" " + reason;
}

/// A check that failed: the one message a rejected file sends.
struct Rejection {
    std::string message;
};

/// Line 2: four numbers; the titrand volume and both concentrations must not
/// show as zero, for the calculation uses the numbers the captions show.
std::optional<Rejection> readConditions(std::string_view line, std::array<double, 4>& conditions,
                                        core::MessageSink& numberMessages) {
    const LineItems items = ParseNumbers(line, numberMessages);
    const bool fourNumbers =
        items.count == 4 &&
        std::all_of(items.hasDigit.begin(), items.hasDigit.end(), [](bool digit) { return digit; });
    if (!fourNumbers)
        return Rejection{"The second line does not contain 4 items of data"};
    conditions = items.item;
    core::Titration shown;
    core::setConditions(shown, conditions[0], conditions[1], conditions[2], conditions[3]);
    if (shown.v0.value == 0)
        return Rejection{"titrand volume is zero"};
    if (shown.Initial.value == 0)
        return Rejection{"Initial titrand concentration is zero"};
    if (shown.Burette.value == 0)
        return Rejection{"Burette concentration is zero"};
    return std::nullopt;
}

/// One data line: its first two runs must both be numbers.
std::optional<Rejection> readPoint(std::string_view line, int lineNumber,
                                   std::vector<std::pair<double, double>>& points,
                                   core::MessageSink& numberMessages) {
    const LineItems items = ParseNumbers(line, numberMessages);
    if (items.count < 2 || !items.hasDigit[0] || !items.hasDigit[1])
        return Rejection{"line " + std::to_string(lineNumber) +
                         " does not contain 2 items of data"};
    points.emplace_back(items.item[0], items.item[1]);
    return std::nullopt;
}

std::optional<Rejection> readLines(std::string_view text, const std::string& name,
                                   DataFileContent& content, core::MessageSink& numberMessages) {
    LineReader lines(text);
    std::string_view line;
    if (lines.next(line))
        content.id = std::string(line);
    if (!lines.next(line))
        return Rejection{"The second line does not contain 4 items of data"};
    if (auto rejected = readConditions(line, content.conditions, numberMessages))
        return rejected;
    while (lines.next(line)) {
        if (isBlankLine(line))
            continue;
        if (content.points.size() == kMaxDataLines)
            return Rejection{fileMessage(name, "has more than 100000 data lines and is not a "
                                               "calibration data file")};
        if (auto rejected = readPoint(line, lines.number(), content.points, numberMessages))
            return rejected;
    }
    return std::nullopt;
}

/// Each distinct message once: a file with many numbers out of range gives one box, not hundreds.
void forwardOnce(const core::RecordingSink& recorded, core::MessageSink& sink) {
    std::vector<std::string> sent;
    for (const core::Message& m : recorded.messages) {
        if (std::find(sent.begin(), sent.end(), m.text) != sent.end())
            continue;
        sink.message(m.text, m.title);
        sent.push_back(m.text);
    }
}



/// The values in print zones: each but the last padded up to the next zone start
/// that leaves at least one space.
template <typename Values> void appendZones(std::string& out, const Values& values) {
    const std::size_t lineStart = out.size();
    bool first = true;
    for (const std::string& value : values) {
        if (!first) {
            const std::size_t column = out.size() - lineStart;
            out.append((column / kZoneWidth + 1) * kZoneWidth - column, ' ');
        }
        out += value;
        first = false;
    }
    out += "\r\n";
}

} // namespace

LineItems ParseNumbers(std::string_view line, core::MessageSink& sink) {
    LineItems items;
    line = trimSpaces(line);
    const char decimal = decimalCharacter(line);
    std::size_t i = 0;
    while (i < line.size()) {
        if (!isNumberCharacter(line[i], decimal)) {
            ++i;
            continue;
        }
        if (items.count == 4) {
            items.count = 5;
            break;
        }
        std::size_t end = i;
        while (end < line.size() && isNumberCharacter(line[end], decimal))
            ++end;
        const std::string_view run = line.substr(i, end - i);
        const auto slot = static_cast<std::size_t>(items.count++);
        items.item[slot] = core::TextToNumber(run, sink);
        items.hasDigit[slot] = std::any_of(run.begin(), run.end(), isDigit);
        i = end;
    }
    return items;
}

std::optional<DataFileContent> parseDataFile(std::string_view bytes, const std::string& name,
                                             core::MessageSink& sink) {
    if (bytes.size() > kMaxDataFileBytes) {
        sink.message(fileMessage(name, "is larger than 10 MB and is not a calibration data file"));
        return std::nullopt;
    }
    DecodedText decoded = decodeText(bytes);
    DataFileContent content;
    content.latin1 = decoded.latin1;
    core::RecordingSink numberMessages;
    const std::optional<Rejection> rejected =
        readLines(decoded.text, name, content, numberMessages);
    // The number messages come first, also for a rejected file: they tell why a
    // condition became zero.
    forwardOnce(numberMessages, sink);
    if (rejected) {
        sink.message(rejected->message);
        return std::nullopt;
    }
    return content;
}

void applyDataFile(DataFileContent&& content, core::Titration& t) {
    t.TitrationID = std::move(content.id);
    const auto& c = content.conditions;
    core::setConditions(t, c[0], c[1], c[2], c[3]);
    t.points.clear();
    t.points.reserve(content.points.size());
    for (const auto& [volume, emf] : content.points) {
        core::Point p;
        p.Volume = volume;
        p.EmfObs = emf;
        t.points.push_back(std::move(p));
    }
    t.fileLatin1 = content.latin1;
}

bool ReadDataFile(const std::string& path, core::Titration& titration, core::MessageSink& sink) {
    std::string bytes;
    if (std::string error = readFileBytes(path, kMaxDataFileBytes, bytes); !error.empty()) {
        sink.message(error);
        return false;
    }
    std::optional<DataFileContent> content = parseDataFile(bytes, path, sink);
    if (!content)
        return false;
    applyDataFile(std::move(*content), titration);
    return true;
}

DataFileTexts dataFileTexts(const core::Titration& t) {
    DataFileTexts texts;
    texts.id = t.TitrationID;
    texts.conditions = {t.v0.text, t.v1.text, t.Initial.text, t.Burette.text};
    texts.points.reserve(t.points.size());
    for (const core::Point& p : t.points)
        texts.points.emplace_back(core::generalNumberText(p.Volume),
                                  core::generalNumberText(p.EmfObs));
    texts.latin1 = t.fileLatin1;
    return texts;
}

std::string dataFileBytes(const DataFileTexts& texts) {
    std::string id = texts.id;
    std::replace(id.begin(), id.end(), '\r', ' '); // a line end inside would shift every line
    std::replace(id.begin(), id.end(), '\n', ' ');
    std::string out = id + "\r\n";
    appendZones(out, texts.conditions);
    for (const auto& [volume, emf] : texts.points)
        appendZones(out, std::array<std::string, 2>{volume, emf});
    if (texts.latin1)
        if (std::optional<std::string> latin1 = utf8ToLatin1(out))
            return *latin1;
    return out;
}

std::string WriteDataFile(const std::string& path, const DataFileTexts& texts) {
    return writeFileAtomically(path, dataFileBytes(texts));
}

} // namespace io
