#pragma once

#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace testfiles {

/// A file in the temporary folder holding exactly the bytes.
inline std::string writeBytes(const QTemporaryDir& dir, const std::string& name,
                              std::string_view bytes) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace testfiles
