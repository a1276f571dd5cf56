#include "tools/Examples.h"

#include "TestFiles.h"
#include "io/DataFile.h"

#include <gtest/gtest.h>

namespace {

// The bundled examples are what our simulator and writer make, byte for byte.
TEST(Examples, AreMadeByTheExampleMaker) {
    QTemporaryDir dir;
    ASSERT_EQ(examples::writeExamples(dir.path().toStdString()), "");
    for (const examples::Example& example : examples::bundledExamples()) {
        const std::string made = testfiles::readBytes(
            dir.filePath(QString::fromStdString(example.fileName)).toStdString());
        EXPECT_EQ(made, examples::exampleBytes(example)) << example.fileName;
        EXPECT_EQ(testfiles::readBytes(TAMO_EXAMPLES_DIR "/" + example.fileName), made)
            << example.fileName << " differs from what tamo-make-examples makes";
    }
}

TEST(Examples, ReadBackWithEveryPoint) {
    struct Expected {
        const char* file;
        int points;
        const char* burette;
        bool latin1;
    };
    for (const Expected& e : {Expected{"acid-with-alkali.txt", 59, "-0.1", false},
                              Expected{"reverse-alkali-with-acid.txt", 61, "0.1", false},
                              Expected{"decimal-comma.txt", 46, "-0.05", true}}) {
        core::RecordingSink sink;
        core::Titration t;
        ASSERT_TRUE(io::ReadDataFile(TAMO_EXAMPLES_DIR "/" + std::string(e.file), t, sink))
            << e.file;
        EXPECT_TRUE(sink.messages.empty()) << e.file;
        EXPECT_EQ(t.PointCount(), e.points) << e.file;
        EXPECT_EQ(t.Burette.text, e.burette) << e.file;
        EXPECT_EQ(t.fileLatin1, e.latin1) << e.file;
    }
}

} // namespace
