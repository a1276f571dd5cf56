#include "ImportConditions.h"

#include "Import.h"
#include "ImportFields.h"
#include "core/NumberEntry.h"

#include <algorithm>
#include <filesystem>

namespace io {

namespace {

bool isBlank(std::string_view line) {
    return trimBlanks(line).empty();
}

/// Field `column` (from 1) of the line, if it is a number; its text.
std::optional<std::string> numberAt(const SplitLines& file, std::size_t line, int column) {
    const std::vector<std::string> f = splitFields(file.lines[line], file.separator);
    const auto c = static_cast<std::size_t>(column - 1);
    if (c >= f.size() || !isNumberField(f[c], file.mark))
        return std::nullopt;
    return f[c];
}

/// The first number after the key on its line ("Sample size: 50 ml").
std::optional<std::string> keyValue(const SplitLines& file, std::size_t line,
                                    std::string_view key) {
    std::string_view rest = trimBlanks(file.lines[line]).substr(key.size());
    const auto start = rest.find_first_not_of(" \t:=,;");
    if (start == std::string_view::npos)
        return std::nullopt;
    rest = rest.substr(start);
    const std::string_view token = rest.substr(0, rest.find_first_of(" \t;"));
    return isNumberField(token, file.mark) || isNumberField(token, '.')
               ? std::optional<std::string>(token)
               : std::nullopt;
}

std::optional<std::size_t> nonBlankFrom(const std::vector<std::string_view>& lines,
                                        std::size_t line, int step) {
    for (auto i = static_cast<long>(line); i >= 0 && i < static_cast<long>(lines.size()); i += step)
        if (!isBlank(lines[static_cast<std::size_t>(i)]))
            return static_cast<std::size_t>(i);
    return std::nullopt;
}

} // namespace

std::optional<std::size_t> lineBeginning(const std::vector<std::string_view>& lines,
                                         std::string_view marker, std::size_t from) {
    const auto begins = [marker](std::string_view line) {
        line = trimBlanks(line);
        return line.size() >= marker.size() &&
               std::equal(marker.begin(), marker.end(), line.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (std::size_t i = from; i < lines.size(); ++i)
        if (begins(lines[i]))
            return i;
    return std::nullopt;
}

std::optional<std::string> conditionText(const SplitLines& file, const ConditionSource& s,
                                         std::string& where) {
    using Kind = ConditionSource::Kind;
    const std::string column = " column " + std::to_string(s.column);
    switch (s.kind) {
    case Kind::Ask:
        return std::nullopt;
    case Kind::Fixed:
        return s.text;
    case Kind::Line:
        where = "line " + std::to_string(s.line) + column;
        if (static_cast<std::size_t>(s.line) > file.lines.size())
            return std::nullopt;
        return numberAt(file, static_cast<std::size_t>(s.line - 1), s.column);
    case Kind::Before:
    case Kind::After: {
        const bool before = s.kind == Kind::Before;
        where = std::string(before ? "the line before " : "the line after ") + quotedField(s.text) +
                column;
        const std::optional<std::size_t> marker = lineBeginning(file.lines, s.text);
        if (!marker || (before && *marker == 0))
            return std::nullopt;
        const std::optional<std::size_t> line =
            nonBlankFrom(file.lines, before ? *marker - 1 : *marker + 1, before ? -1 : 1);
        return line ? numberAt(file, *line, s.column) : std::nullopt;
    }
    case Kind::Key: {
        where = "the line beginning with " + quotedField(s.text);
        const std::optional<std::size_t> line = lineBeginning(file.lines, s.text);
        return line ? keyValue(file, *line, s.text) : std::nullopt;
    }
    }
    return std::nullopt;
}

std::optional<std::string> readCondition(const SplitLines& file, const ConditionSource& s,
                                         const std::string& key, const std::string& fileName,
                                         core::MessageSink& sink, std::string& origin,
                                         bool& refused) {
    std::string where;
    std::optional<std::string> text = conditionText(file, s, where);
    if (!text) {
        if (s.kind != ConditionSource::Kind::Ask)
            sink.message(key + ": " + fileName + " has no number in " + where);
        return std::nullopt;
    }
    if (s.negate)
        *text = text->front() == '-' ? text->substr(1)
                                     : "-" + (text->front() == '+' ? text->substr(1) : *text);
    core::RecordingSink range;
    static_cast<void>(core::TextToNumber(*text, range));
    if (!range.messages.empty()) {
        sink.message(
            key + ": " + quotedField(*text) +
            (s.kind == ConditionSource::Kind::Fixed ? "" : " in " + where + " of " + fileName) +
            " is a number out of range");
        refused = true;
        return std::nullopt;
    }
    origin = s.kind != ConditionSource::Kind::Fixed ? kFromSourceFile
             : s.typed                              ? kTyped
                                                    : kFromProfile;
    return text;
}

std::string importIdentifier(const ImportProfile& p, const std::string& fileName) {
    const std::string file = std::filesystem::path(fileName).filename().string();
    std::string id = p.id.empty() ? "{file}" : p.id;
    const auto at = id.find("{file}");
    if (at != std::string::npos)
        id.replace(at, 6, file);
    const std::string profile = p.name.empty() ? std::string("a profile") : p.name;
    return id + (at != std::string::npos ? "; imported with profile " + profile
                                         : "; imported from " + file + " with profile " + profile);
}

} // namespace io
