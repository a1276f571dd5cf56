// importText on arbitrary bytes read by an arbitrary profile: the input is the
// profile's text, a NUL byte, then the file (no NUL: the file alone, read by
// csv). No message shows a control character (the bytes of a binary file); a
// refusal says why; an accepted import has 5 to 100000 finite points and
// conditions in range, and its data file reads back with the same points.
#include "core/NumberEntry.h"
#include "io/Import.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool hasControl(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    return false;
}

void checkAccepted(const io::ImportResult& r) {
    if (r.points.size() < io::kMinImportRows || r.points.size() > io::kMaxDataLines)
        __builtin_trap();
    for (const auto& [volume, emf] : r.points)
        if (!std::isfinite(volume) || !std::isfinite(emf))
            __builtin_trap();
    for (const std::optional<std::string>& c : r.conditions) {
        core::RecordingSink range;
        if (c && (static_cast<void>(core::TextToNumber(*c, range)), !range.messages.empty()))
            __builtin_trap();
    }
    if (!io::missingConditions(r).empty())
        return;
    core::RecordingSink sink;
    const std::optional<io::DataFileContent> content = io::checkedImport(r, "fuzz.txt", sink);
    if (!content)
        return; // a condition that shows as zero
    if (content->points.size() != r.points.size())
        __builtin_trap();
    for (std::size_t i = 0; i < r.points.size(); ++i)
        if (static_cast<float>(content->points[i].first) != static_cast<float>(r.points[i].first) ||
            static_cast<float>(content->points[i].second) != static_cast<float>(r.points[i].second))
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    io::ImportProfile profile;
    if (split == std::string_view::npos ||
        !io::parseProfile(input.substr(0, split), profile).empty())
        static_cast<void>(io::loadProfile("csv", profile));
    const std::string_view bytes =
        split == std::string_view::npos ? input : input.substr(split + 1);
    core::RecordingSink sink;
    const io::ImportResult r = io::importText(bytes, "fuzz.csv", profile, sink);
    for (const core::Message& m : sink.messages)
        if (hasControl(m.text))
            __builtin_trap();
    if (r.rows.size() > io::kPreviewRows)
        __builtin_trap();
    if (!r.accepted) {
        if (sink.messages.empty())
            __builtin_trap();
        return 0;
    }
    checkAccepted(r);
    return 0;
}
