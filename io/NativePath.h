#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace io {

/// A file name as the system gives it (bytes, normally UTF-8) as a QString that
/// gives the same bytes back: each byte that is not part of valid UTF-8 (a
/// Latin-1 "m\xe9sure.txt" of an old archive) becomes the lone surrogate
/// U+DC00 + byte. Qt's own decoding would replace it and the file could not be
/// opened again.
QString fromNativePath(std::string_view bytes);

/// The bytes of a file name made by fromNativePath (or typed in the window).
std::string toNativePath(const QString& path);

} // namespace io
