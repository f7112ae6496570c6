#include "zq/file/ZqArcFile.h"

#include "tests/support/FileTestSupport.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using zqtest::runProgram;
using zqtest::toolPath;

class ZqArcTool : public ::testing::Test {
protected:
    void SetUp() override {
        writeText(dir() / "a.txt", "alpha");
        writeText(dir() / "list.txt", "a.txt\r\nsub/b.txt\n");
        writeText(dir() / "sub" / "b.txt", "beta");
        std::filesystem::create_directory(dir() / "folder");
        ASSERT_EQ(0, mkfifo((dir() / "fifo").c_str(), 0600));
    }
    std::filesystem::path dir() const { return m_scratch.root(); }
    std::string at(const char* const name) const { return (dir() / name).string(); }

    ScratchFolder m_scratch;
};

// Whatever stands where a file or a number is expected, zqarc ends at once and says what is
// wrong; nothing is written.
TEST_F(ZqArcTool, RefusesWhatIsNotAFileOrANumber) {
    const std::string out = at("out.arc");
    zqtest::expectRefusals(
        "zqarc",
        {
            {__LINE__, {"-C", dir(), out, "folder"}, 1, "folder is a folder, not a file"},
            {__LINE__, {"-C", "/dev", out, "zero"}, 1, "/dev/zero is not a regular file"},
            {__LINE__, {"-C", dir(), out, "fifo"}, 1, "fifo is not a regular file"},
            {__LINE__, {"-C", dir(), out, "missing"}, 1, "No such file or directory"},
            {__LINE__, {"-l", at("folder"), out}, 1, "folder is a folder, not a file"},
            {__LINE__, {"-l", "/dev/zero", out}, 1, "/dev/zero is not a regular file"},
            {__LINE__, {"-l", at("fifo"), out}, 1, "fifo is not a regular file"},
            {__LINE__, {"-v", "banana", out, "a.txt"}, 2, "-v wants a version number"},
            {__LINE__, {"-v", "-1", out, "a.txt"}, 2, "not '-1'"},
            {__LINE__, {"-v", "4294967296", out, "a.txt"}, 2, "not '4294967296'"},
            {__LINE__, {"-v", "7x", out, "a.txt"}, 2, "not '7x'"},
        },
        out);
}

TEST_F(ZqArcTool, PacksListedFilesWithAGivenVersion) {
    const std::string out = at("out.arc");
    const zqtest::ProgramRun run =
        runProgram(toolPath("zqarc"), {"-v", "0x10", "-C", dir(), "-l", at("list.txt"), out});
    ASSERT_EQ(0, run.status) << run.output;
    const std::vector<uint8_t> image = readBytes(out);
    ZqArcFile arc;
    ASSERT_TRUE(arc.ropen(image.data(), static_cast<uint32_t>(image.size())));
    EXPECT_EQ(16u, arc.getVersion());
    ASSERT_EQ(2u, arc.getNrFiles());
    EXPECT_EQ(std::u16string(u"a.txt"), arc.getFileName(0));
    EXPECT_EQ(std::u16string(u"sub\\b.txt"), arc.getFileName(1));
    EXPECT_EQ(4u, arc.getFileSize(1));
}

} // namespace
