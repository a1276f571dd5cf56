#include "FileAccess.h"

#include <QFile>
#include <QSaveFile>

namespace io {

namespace {

std::string failure(const std::string& path, const char* what, const QFileDevice& file) {
    return "The file \"" + path + "\" cannot be " + what + ": " + file.errorString().toStdString();
}

} // namespace

std::string readFileBytes(const std::string& path, std::size_t limit, std::string& bytes) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return failure(path, "read", file);
    // Read with a bound, so that a device without end (a pipe, /dev/zero) cannot fill the memory.
    const QByteArray data = file.read(static_cast<qint64>(limit) + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(path, "read", file);
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return {};
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return failure(path, "written", file);
    const auto size = static_cast<qint64>(bytes.size());
    // QSaveFile keeps a small file in its buffer until commit(), which does not
    // report a short write (a full disk, a size limit) and would replace the old
    // file with a cut one: flush first, where a short write is an error.
    if (file.write(bytes.data(), size) != size || !file.flush()) {
        std::string reason = failure(path, "written", file);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return failure(path, "written", file);
    return {};
}

} // namespace io
