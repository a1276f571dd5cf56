// What an import gives on: the texts of its classic data file, checked as the
// reader would check it, and where --write-data puts it.
#include "Import.h"
#include "ImportFields.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <filesystem>

namespace io {

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
    for (std::size_t i = 0; i < texts.conditions.size(); ++i) {
        const std::string text = result.conditions[i].value_or("0");
        core::RecordingSink range;
        const double value = core::TextToNumber(text, range);
        // Out of range it stays as given, for the reader to refuse.
        texts.conditions[i] = range.messages.empty() ? core::generalNumberText(value) : text;
    }
    texts.points.reserve(result.points.size());
    for (const auto& [volume, emf] : result.points)
        texts.points.emplace_back(core::generalNumberText(volume), core::generalNumberText(emf));
    texts.latin1 = result.latin1;
    return texts;
}

std::optional<DataFileContent> checkedImport(const ImportResult& result, const std::string& name,
                                             core::MessageSink& sink) {
    for (std::size_t i = 0; i < result.conditions.size(); ++i) {
        core::RecordingSink range;
        static_cast<void>(core::TextToNumber(result.conditions[i].value_or("0"), range));
        if (!range.messages.empty()) {
            sink.message(std::string(kConditionKeys[i]) + ": " +
                         quotedField(*result.conditions[i]) + " is a number out of range");
            return std::nullopt;
        }
    }
    return parseDataFile(dataFileBytes(importedTexts(result)), name, sink);
}

bool loadImport(const ImportResult& result, const std::string& name, core::Titration& titration,
                core::MessageSink& sink) {
    std::optional<DataFileContent> content = checkedImport(result, name, sink);
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
