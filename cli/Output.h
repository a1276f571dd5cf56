#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace cli {

/// Where the reports or JSON lines of a run go: standard output, or a file
/// that is replaced atomically once everything is written.
class Output {
public:
    virtual ~Output() = default;
    /// Writes the text. False after a failure (later writes are then skipped);
    /// finish() tells the failure, so a caller may go on without looking.
    virtual bool write(std::string_view text) = 0;
    /// Ends the output. Returns an empty text on success, else the first
    /// failure with the system's reason.
    [[nodiscard]] virtual std::string finish() = 0;
    /// How many bytes of what was written have reached their destination: after
    /// finish(), all of them on success; on a failure, those before it (none of
    /// a file, which is then not replaced).
    virtual std::uint64_t delivered() const = 0;
};

/// Standard output for an empty path, else the file. Sets `error` when the
/// file cannot be created.
std::unique_ptr<Output> openOutput(const std::string& path, std::string& error);

/// Writes all the bytes to the descriptor, again after an interruption by a
/// signal and after a partial write. Returns the bytes written; fewer on a
/// failure, with errno set.
std::size_t writeFully(int descriptor, std::string_view bytes);

} // namespace cli
