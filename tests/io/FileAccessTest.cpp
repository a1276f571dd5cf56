#include "io/FileAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

TEST(WriteFileAtomically, WritesToAPipeAndLeavesItAPipe) {
    // Replacing it would leave a plain file where the pipe (or a device such as
    // /dev/null, for a user who may write there) was.
    QTemporaryDir dir;
    const std::string path = dir.filePath("pipe").toStdString();
    const std::string spare = dir.filePath("spare").toStdString(); // the same pipe
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    ASSERT_EQ(link(path.c_str(), spare.c_str()), 0);
    const std::string bytes(200000, 'p'); // more than a pipe holds at once
    std::string received;
    std::thread reader([&] {
        std::ifstream in(path, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), {});
    });
    EXPECT_EQ(io::writeFileAtomically(path, bytes), "");
    // Had the pipe been replaced, the reader would wait for a writer for ever.
    ::close(::open(spare.c_str(), O_WRONLY | O_NONBLOCK));
    reader.join();
    EXPECT_EQ(received, bytes);
    const QFileInfo info(QString::fromStdString(path));
    EXPECT_TRUE(info.exists() && !info.isFile());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

} // namespace
