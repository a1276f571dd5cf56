// TextToNumber on arbitrary text, in both locales: never a value that is not
// finite or beyond the single range, at most one message, and without any
// number in the text neither a value nor a message.
#include "core/Locale.h"
#include "core/NumberEntry.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void check(std::string_view text, char separator) {
    core::ScopedDecimalSeparator locale(separator);
    core::RecordingSink sink;
    const double value = core::TextToNumber(text, sink);
    if (!std::isfinite(value) || std::abs(value) > FLT_MAX)
        __builtin_trap();
    if (!core::hasNumber(text) && (value != 0 || !sink.messages.empty()))
        __builtin_trap();
    if (sink.messages.size() > 1 || (!sink.messages.empty() && value != 0))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, '.');
    check(text, ',');
    return 0;
}
