#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class QFileDevice;

namespace io {

/// Reads the file's bytes, at most limit + 1 of them, so that the caller can
/// tell a file that is larger than the limit: a regular file by its size, a
/// pipe or a device in chunks (a device without end stops there). Returns an
/// empty text on success, else "The file "PATH" cannot be read: REASON".
[[nodiscard]] std::string readFileBytes(const std::string& path, std::size_t limit,
                                        std::string& bytes);

/// A file written piece by piece and replaced atomically at the end: the bytes
/// go to a temporary file beside it, which takes the file's place on commit.
/// Without a successful commit the old file stays intact. A path that names a
/// device or a pipe (/dev/null, /dev/stdout) is written to directly, never
/// replaced. Each step returns an empty text on success, else "The file "PATH"
/// cannot be written: REASON"; after a failure the later steps do nothing and
/// return that first failure. A name that is not valid UTF-8 can be read
/// (readFileBytes takes the bytes as they are) but not written.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    [[nodiscard]] std::string open();
    [[nodiscard]] std::string write(std::string_view bytes);
    [[nodiscard]] std::string commit();

private:
    std::string fail();

    std::string m_path;
    std::unique_ptr<QFileDevice> m_file;
    bool m_replace = true; ///< through a temporary file (false: a device or a pipe)
    std::string m_error;
};

/// Creates or replaces the file atomically: the bytes go to a temporary file
/// beside it, which then takes the file's place. Returns an empty text on
/// success, else "The file "PATH" cannot be written: REASON"; the old file is
/// then intact.
[[nodiscard]] std::string writeFileAtomically(const std::string& path, std::string_view bytes);

/// Creates the file with the bytes, never replacing one: the bytes go to a
/// temporary file beside it, which takes the name only if no file has it by
/// then. Returns an empty text on success, else "The file "PATH" cannot be
/// written: REASON" ("it exists already" when another file has the name).
[[nodiscard]] std::string writeNewFileAtomically(const std::string& path, std::string_view bytes);

} // namespace io
