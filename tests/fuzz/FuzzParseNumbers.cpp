// ParseNumbers on an arbitrary line: a count from 0 to 5, finite items, and a
// run without a digit reads as 0.
#include "io/DataFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    core::RecordingSink sink;
    const io::LineItems items = io::ParseNumbers(line, sink);
    if (items.count < 0 || items.count > 5)
        __builtin_trap();
    for (std::size_t i = 0; i < items.item.size(); ++i) {
        const bool filled = static_cast<int>(i) < items.count;
        if (!std::isfinite(items.item[i]) || (!filled && (items.item[i] != 0 || items.hasDigit[i])))
            __builtin_trap();
        if (!items.hasDigit[i] && items.item[i] != 0)
            __builtin_trap();
    }
    return 0;
}
