#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace io {

/// Length of the well-formed UTF-8 sequence at the start of s (not empty), 0
/// when there is none.
std::size_t utf8SequenceLength(std::string_view s);

/// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates,
/// nothing above U+10FFFF, no sequence cut short.
bool isValidUtf8(std::string_view bytes);

/// Latin-1 bytes as UTF-8 text.
std::string latin1ToUtf8(std::string_view bytes);

/// UTF-8 text as Latin-1 bytes; nothing when the text holds a character above
/// U+00FF or is not well-formed UTF-8.
std::optional<std::string> utf8ToLatin1(std::string_view text);

/// The bytes of a text file as UTF-8 text. A UTF-8 byte-order mark at the start
/// is dropped; bytes that are not UTF-8 are read as Latin-1.
struct DecodedText {
    std::string text;
    bool latin1 = false; ///< the bytes were read as Latin-1
};
DecodedText decodeText(std::string_view bytes);

} // namespace io
