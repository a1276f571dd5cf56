#pragma once

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
};

/// Standard output for an empty path, else the file. Sets `error` when the
/// file cannot be created.
std::unique_ptr<Output> openOutput(const std::string& path, std::string& error);

} // namespace cli
