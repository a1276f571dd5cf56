// parseProfile on arbitrary text: a refusal says why; an accepted profile has
// no contradicting keys, and its text reads back as the same profile.
#include "io/ImportProfile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    io::ImportProfile profile;
    const std::string error = io::parseProfile(text, profile);
    if (!error.empty())
        return 0;
    if (!io::contradiction(profile).empty())
        __builtin_trap();
    io::ImportProfile again;
    if (!io::parseProfile(io::profileText(profile), again).empty() || !(again == profile))
        __builtin_trap();
    return 0;
}
