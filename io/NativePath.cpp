#include "NativePath.h"

#include "TextEncoding.h"

namespace io {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

} // namespace

QString fromNativePath(std::string_view bytes) {
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::size_t valid = 0;
        while (valid < bytes.size())
            if (const std::size_t n = utf8SequenceLength(bytes.substr(valid)); n > 0)
                valid += n;
            else
                break;
        path += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(valid));
        if (valid < bytes.size())
            path += QChar(kEscapeBase + static_cast<unsigned char>(bytes[valid++]));
        bytes.remove_prefix(valid);
    }
    return path;
}

std::string toNativePath(const QString& path) {
    std::string bytes;
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        bytes += QStringView(path).sliced(runStart, end - runStart).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        const bool paired = i > 0 && path[i - 1].isHighSurrogate();
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !paired) {
            flushRun(i);
            bytes += static_cast<char>(c - kEscapeBase);
            runStart = i + 1;
        }
    }
    flushRun(path.size());
    return bytes;
}

} // namespace io
