// parseDataFile on arbitrary bytes: a rejected file sends its rejection last,
// after at most the number message; an accepted one has finite numbers,
// conditions that do not show as zero, and what the writer makes of it reads
// back with the same points (at single precision, as the writer writes them).
#include "core/NumberEntry.h"
#include "io/DataFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool finite(double x) {
    return std::isfinite(x);
}

core::Titration titrationOf(const io::DataFileContent& content) {
    core::Titration t;
    t.TitrationID = content.id;
    const auto& c = content.conditions;
    core::setConditions(t, c[0], c[1], c[2], c[3]);
    for (const auto& [volume, emf] : content.points) {
        core::Point p;
        p.Volume = volume;
        p.EmfObs = emf;
        t.points.push_back(p);
    }
    t.fileLatin1 = content.latin1;
    return t;
}

void checkAccepted(const io::DataFileContent& content) {
    for (double c : content.conditions)
        if (!finite(c))
            __builtin_trap();
    for (const auto& [volume, emf] : content.points)
        if (!finite(volume) || !finite(emf))
            __builtin_trap();
    const core::Titration t = titrationOf(content);
    if (t.v0.value == 0 || t.Initial.value == 0 || t.Burette.value == 0)
        __builtin_trap();

    core::RecordingSink sink;
    const auto again = io::parseDataFile(io::dataFileBytes(io::dataFileTexts(t)), "again", sink);
    if (!again || again->points.size() != content.points.size())
        __builtin_trap();
    for (std::size_t i = 0; i < content.points.size(); ++i)
        if (static_cast<float>(again->points[i].first) !=
            static_cast<float>(content.points[i].first))
            __builtin_trap();
    if (again->conditions[0] != t.v0.value || again->conditions[3] != t.Burette.value)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::RecordingSink sink;
    const auto content = io::parseDataFile(bytes, "fuzz.txt", sink);
    if (!content) {
        const std::size_t n = sink.messages.size();
        if (n == 0 || n > 2 || (n == 2 && sink.messages[0].text != core::kInvalidNumberMessage))
            __builtin_trap();
        return 0;
    }
    checkAccepted(*content);
    return 0;
}
