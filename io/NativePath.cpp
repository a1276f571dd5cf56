#include "NativePath.h"

namespace io {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

/// The length of the valid UTF-8 sequence at the start of s, or 0: no overlong
/// forms, no surrogates, nothing beyond U+10FFFF.
std::size_t sequenceLength(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!isContinuation(byte(i)))
            return 0;
    return length;
}

} // namespace

QString fromNativePath(std::string_view bytes) {
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::size_t valid = 0;
        while (valid < bytes.size())
            if (const std::size_t n = sequenceLength(bytes.substr(valid)); n > 0)
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
