#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace io {

/// Reads the file's bytes, at most limit + 1 of them, so that the caller can
/// tell a file that is larger than the limit. Returns an empty text on success,
/// else "The file "PATH" cannot be read: REASON".
std::string readFileBytes(const std::string& path, std::size_t limit, std::string& bytes);

/// Creates or replaces the file atomically: the bytes go to a temporary file
/// beside it, which then takes the file's place. Returns an empty text on
/// success, else "The file "PATH" cannot be written: REASON"; the old file is
/// then intact.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace io
