#include "zq/platform/image/image.h"

#include "tests/support/FileTestSupport.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using zqtest::runProgram;
using zqtest::toolPath;

// Whatever stands where a file or a number is expected, zqdds ends at once and says what is
// wrong; nothing is written.
TEST(ZqDdsTool, RefusesWhatIsNotAFileOrANumber) {
    ScratchFolder scratch;
    const std::string dir = scratch.root().string();
    const std::string out = dir + "/out.dds";
    std::filesystem::create_directory(dir + "/folder");
    ASSERT_EQ(0, mkfifo((dir + "/fifo").c_str(), 0600));
    zqtest::expectRefusals(
        "zqdds",
        {
            {__LINE__, {dir + "/folder", out}, 1, "folder is a folder, not a file"},
            {__LINE__, {"/dev/zero", out}, 1, "/dev/zero is not a regular file"},
            {__LINE__, {dir + "/fifo", out}, 1, "fifo is not a regular file"},
            {__LINE__,
             {"pattern:4x4", out, "--mips", "banana"},
             2,
             "--mips wants a number of levels from 0 to 15, not 'banana'"},
            {__LINE__, {"pattern:4x4", out, "--mips", "99"}, 2, "not '99'"},
            {__LINE__, {"pattern:4x4", out, "--mips", "-1"}, 2, "not '-1'"},
            {__LINE__, {"pattern:0x0", out}, 2, "from 1x1 to 4096x4096, not 'pattern:0x0'"},
            {__LINE__, {"pattern:5000x5000", out}, 2, "not 'pattern:5000x5000'"},
            {__LINE__, {"pattern:4x", out}, 2, "not 'pattern:4x'"},
            {__LINE__, {"pattern:4x4x", out}, 2, "not 'pattern:4x4x'"},
        },
        out);

    // A good command line still writes its file.
    const zqtest::ProgramRun run =
        runProgram(toolPath("zqdds"), {"pattern:8x4", out, "--mips", "0", "--format", "dxt1"});
    ASSERT_EQ(0, run.status) << run.output;
    const std::vector<uint8_t> file = readBytes(out);
    zqp::image::Info info;
    ASSERT_TRUE(zqp::image::readInfo(file.data(), file.size(), info));
    EXPECT_EQ(8u, info.width);
    EXPECT_EQ(4u, info.levels);
}

} // namespace
