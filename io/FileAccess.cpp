#include "FileAccess.h"

#include "TextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
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

std::string writeNewFileAtomically(const std::string& path, std::string_view bytes) {
    const auto cannot = [&](const std::string& reason) {
        return "The file \"" + path + "\" cannot be written: " + reason;
    };
    if (!isValidUtf8(path))
        return cannot("its name is not valid UTF-8");
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return cannot(std::strerror(errno));
    int error = 0;
    for (std::string_view rest = bytes; !rest.empty() && error == 0;) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : ENOSPC;
        else
            rest.remove_prefix(static_cast<std::size_t>(n));
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    // The name is taken only if no file has it, also one made meanwhile; a file
    // system that cannot rename so takes a second link, which fails alike.
    if (error == 0 &&
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        error = errno;
        if (error == EINVAL && ::link(temporary.c_str(), path.c_str()) == 0)
            error = 0;
        else if (error == EINVAL)
            error = errno;
    }
    ::unlink(temporary.c_str()); // gone already after a rename
    if (error == EEXIST)
        return cannot("it exists already");
    return error == 0 ? std::string() : cannot(std::strerror(error));
}

} // namespace io
