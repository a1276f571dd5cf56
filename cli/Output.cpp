#include "Output.h"

#include "io/FileAccess.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

/// Standard output in large writes, not one or two a file, each written whole
/// whatever signals come meanwhile.
class StandardOutput : public Output {
public:
    bool write(std::string_view text) override {
        if (!m_error.empty())
            return false;
        if (m_buffer.size() + text.size() > kBufferSize)
            flush();
        m_buffer.append(text);
        return m_error.empty();
    }

    std::string finish() override {
        // A full device often shows only here, when the last buffered bytes go out.
        flush();
        return m_error;
    }

    std::uint64_t delivered() const override { return m_delivered; }

private:
    static constexpr std::size_t kBufferSize = 256 * 1024;

    void flush() {
        if (!m_error.empty() || m_buffer.empty())
            return;
        const std::size_t written = writeFully(STDOUT_FILENO, m_buffer);
        m_delivered += written;
        if (written != m_buffer.size())
            m_error = std::string("The standard output cannot be written: ") + std::strerror(errno);
        m_buffer.clear();
    }

    std::string m_buffer;
    std::uint64_t m_delivered = 0;
    std::string m_error;
};

class AtomicFileOutput : public Output {
public:
    explicit AtomicFileOutput(const std::string& path) : m_file(path) {}
    std::string open() { return m_file.open(); }
    bool write(std::string_view text) override {
        m_written += text.size();
        return m_file.write(text).empty();
    }
    std::string finish() override {
        std::string error = m_file.commit();
        if (error.empty())
            m_delivered = m_written;
        return error;
    }
    std::uint64_t delivered() const override { return m_delivered; }

private:
    io::AtomicFile m_file;
    std::uint64_t m_written = 0;
    std::uint64_t m_delivered = 0; ///< nothing until the file takes its place
};

} // namespace

std::unique_ptr<Output> openOutput(const std::string& path, std::string& error) {
    if (path.empty())
        return std::make_unique<StandardOutput>();
    auto file = std::make_unique<AtomicFileOutput>(path);
    error = file->open();
    if (!error.empty())
        return nullptr;
    return file;
}

std::size_t writeFully(int descriptor, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace cli
