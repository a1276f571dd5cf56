#include "io/FileAccess.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(ReadFileBytes, ReadsAtMostOneByteBeyondTheLimit) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("bytes").toStdString();
    const struct {
        std::size_t size, limit, expected;
    } cases[] = {{0, 10, 0},
                 {10, 10, 10},
                 {11, 10, 11},
                 {100000, 10, 11},
                 {200000, 1000000, 200000}, // more than one chunk, read by its size
                 {1000000, 1000000, 1000000}};
    for (const auto& c : cases) {
        std::string content(c.size, 'x');
        for (std::size_t i = 0; i < c.size; i += 997)
            content[i] = static_cast<char>('a' + i % 26);
        std::ofstream(path, std::ios::binary) << content;
        std::string bytes = "earlier";
        EXPECT_EQ(io::readFileBytes(path, c.limit, bytes), "");
        EXPECT_EQ(bytes, content.substr(0, c.expected)) << c.size << " bytes, limit " << c.limit;
    }
}

TEST(ReadFileBytes, ReadsDevicesAndFilesWithoutASizeInChunks) {
    std::string bytes;
    // A device without end stops one byte beyond the limit.
    EXPECT_EQ(io::readFileBytes("/dev/zero", 100000, bytes), "");
    EXPECT_EQ(bytes, std::string(100001, '\0'));
    EXPECT_EQ(io::readFileBytes("/dev/null", 100, bytes), "");
    EXPECT_EQ(bytes, "");
    // A file of the process file system says it is empty, and is not.
    EXPECT_EQ(io::readFileBytes("/proc/self/status", 1000000, bytes), "");
    EXPECT_TRUE(bytes.starts_with("Name:")) << bytes.substr(0, 40);
    EXPECT_EQ(io::readFileBytes("/nonexistent/file", 100, bytes),
              "The file \"/nonexistent/file\" cannot be read: No such file or directory");
}

} // namespace
