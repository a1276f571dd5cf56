#include "FileAccess.h"

#include "TextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io {

namespace {

std::string failure(const std::string& path, const char* what, const QFileDevice& file) {
    return "The file \"" + path + "\" cannot be " + what + ": " + file.errorString().toStdString();
}

/// What a pipe or a device is read in at a time.
constexpr std::size_t kChunk = 64 * 1024;

} // namespace

std::string readFileBytes(const std::string& path, std::size_t limit, std::string& bytes) {
    // Straight from the system: QFile asks for the file's status three times
    // and reads twice, and a batch reads thousands of small files.
    const auto cannotRead = [&] {
        return "The file \"" + path + "\" cannot be read: " + std::strerror(errno);
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return cannotRead();
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const std::string error = cannotRead();
        ::close(fd);
        return error;
    }
    // A regular file is read by its size, one byte more so that its end is seen
    // at once; a pipe or a device in chunks. Never more than limit + 1 bytes, so
    // that a device without end cannot fill the memory.
    const bool sized = S_ISREG(status.st_mode) && status.st_size > 0;
    const std::size_t most = limit + 1;
    bytes.resize(std::min(sized ? static_cast<std::size_t>(status.st_size) + 1 : kChunk, most));
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have == most)
                break;
            bytes.resize(std::min(have + kChunk, most));
        }
        const std::size_t wanted = bytes.size() - have;
        const ssize_t n = ::read(fd, bytes.data() + have, wanted);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string error = cannotRead();
            ::close(fd);
            return error;
        }
        have += static_cast<std::size_t>(n);
        // A regular file gives all it has at once: less than asked for is its end.
        if (n == 0 || (sized && static_cast<std::size_t>(n) < wanted))
            break;
    }
    ::close(fd);
    bytes.resize(have);
    return {};
}

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {
    const QString name = QString::fromStdString(m_path);
    const QFileInfo info(name);
    // Replacing a device would put a plain file in its place.
    m_replace = !info.exists() || info.isFile();
    if (m_replace)
        m_file = std::make_unique<QSaveFile>(name);
    else
        m_file = std::make_unique<QFile>(name);
}

AtomicFile::~AtomicFile() = default;

std::string AtomicFile::fail() {
    m_error = failure(m_path, "written", *m_file);
    if (m_replace)
        static_cast<QSaveFile&>(*m_file).cancelWriting();
    return m_error;
}

std::string AtomicFile::open() {
    // Qt names files in UTF-8: another name would be written as a different file.
    if (m_error.empty() && !isValidUtf8(m_path))
        m_error = "The file \"" + m_path + "\" cannot be written: its name is not valid UTF-8";
    // Unbuffered: every write reaches the system, which tells why one fails.
    if (m_error.empty() && !m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        m_error = failure(m_path, "written", *m_file);
    return m_error;
}

std::string AtomicFile::write(std::string_view bytes) {
    if (!m_error.empty())
        return m_error;
    // A short write (a full disk, a size limit) gives no reason; the next attempt does.
    while (!bytes.empty()) {
        const qint64 written = m_file->write(bytes.data(), static_cast<qint64>(bytes.size()));
        if (written <= 0)
            return fail();
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::string AtomicFile::commit() {
    if (!m_error.empty())
        return m_error;
    if (!m_replace) {
        m_file->close();
        return m_error;
    }
    if (!static_cast<QSaveFile&>(*m_file).commit())
        m_error = failure(m_path, "written", *m_file);
    return m_error;
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFile file(path);
    std::string error = file.open();
    if (error.empty())
        error = file.write(bytes);
    if (error.empty())
        error = file.commit();
    return error;
}

} // namespace io
