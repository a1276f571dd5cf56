#include "Output.h"

#include "io/FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

class StandardOutput : public Output {
public:
    StandardOutput() {
        // A batch's output goes out in large writes, not one or two a file (the
        // C library takes a size only with a buffer).
        static char buffer[256 * 1024];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    }

    bool write(std::string_view text) override {
        if (m_error.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
            fail();
        return m_error.empty();
    }

    std::string finish() override {
        // A full device often shows only here, when the last buffered bytes go out.
        if (m_error.empty() && std::fflush(stdout) != 0)
            fail();
        return m_error;
    }

private:
    void fail() {
        m_error = std::string("The standard output cannot be written: ") + std::strerror(errno);
    }

    std::string m_error;
};

class AtomicFileOutput : public Output {
public:
    explicit AtomicFileOutput(const std::string& path) : m_file(path) {}
    std::string open() { return m_file.open(); }
    bool write(std::string_view text) override { return m_file.write(text).empty(); }
    std::string finish() override { return m_file.commit(); }

private:
    io::AtomicFile m_file;
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

} // namespace cli
