// The entry's fatal-code report: the exact text on standard error and appended to the error
// log on e:, and exit status 1, for codes thrown out of a real framework run.
#include "dorvanex/core/app/GameEntry.h"
#include "zq/platform/fs/fs.h"
#include "zq/platform/os/os.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// A root task that throws its code from init, as a failing start-up does.
class ThrowingRoot : public ZqTask {
public:
    explicit ThrowingRoot(unsigned code) : m_code(code) {}
    uint32_t init() override { throw m_code; }

private:
    unsigned m_code;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class GameEntry : public testing::Test {
protected:
    void SetUp() override {
        const std::string pid = std::to_string(zqp::currentThreadId());
        m_drive = std::filesystem::temp_directory_path() / ("dorvanex_entry_e_" + pid);
        std::filesystem::remove_all(m_drive);
        std::filesystem::create_directories(m_drive);
        setenv("DORVANEX_DRIVE_E", m_drive.c_str(), 1);
        m_instance = u"dorvanexentrytest" + std::u16string(pid.begin(), pid.end());
        m_cwd = std::filesystem::current_path();
    }
    void TearDown() override {
        std::filesystem::current_path(m_cwd);
        unsetenv("DORVANEX_DRIVE_E");
        std::filesystem::remove_all(m_drive);
    }
    std::string logText() const { return readFile(m_drive / "SPORTS_OPTION/log/error.log"); }

    std::filesystem::path m_drive;
    std::u16string m_instance;
    std::filesystem::path m_cwd;
};

TEST_F(GameEntry, FatalCodesGiveTheirTextOnStandardErrorAndInTheLogWithStatusOne) {
    struct Row {
        int line;
        unsigned code;
        const char* text;
    };
    const Row rows[] = {
        {__LINE__, 1034,
         "This graphics card is not supported.\nHINT:It may be improved when using the latest "
         "driver.\n"},
        {__LINE__, 3, "CPU can't support SSE\n"},
        {__LINE__, 3840, "An unknown exception occured at the application.\n"},
        {__LINE__, 4095, "Failed in \"new\" somewhere of the application\n"},
        {__LINE__, 0x20000400,
         "An error occured at the application.\nerror code = 0x20000400(see zq.h for details)\n"},
        {__LINE__, 1,
         "An error occured at the application.\nerror code = 0x00000001(see zq.h for details)\n"},
    };
    std::string expectedLog;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        ThrowingRoot root(row.code);
        testing::internal::CaptureStderr();
        const int status = runGame(&root, m_drive.string(), m_instance.c_str());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, EXIT_FATAL);
        // The text stands alone on standard error: no box fell back to it a second time.
        EXPECT_NE(err.find(row.text), std::string::npos) << err;
        EXPECT_EQ(err.find(row.text), err.rfind(row.text)) << err;
        const std::string log = logText();
        // Appended: every earlier report is still there, the new one last, after a stamp.
        ASSERT_GE(log.size(), expectedLog.size() + std::strlen(row.text));
        EXPECT_EQ(log.compare(0, expectedLog.size(), expectedLog), 0);
        const std::string added = log.substr(expectedLog.size());
        EXPECT_EQ(added.size(), 20 + std::strlen(row.text)) << added;
        EXPECT_EQ(added.substr(20), row.text);
        EXPECT_EQ(added[4], '-');
        EXPECT_EQ(added[13], ':');
        expectedLog = log;
    }
    // The refused graphics card also left the device report in the data folder.
    EXPECT_TRUE(std::filesystem::exists(m_drive / "dx9caps.txt"));
}

TEST(GameEntryData, DataFolderComesFromTheArgumentThenTheEnvironment) {
    char prog[] = "dorvanex";
    char flag[] = "--data";
    char dir[] = "/tmp/elsewhere";
    char* withFlag[] = {prog, flag, dir};
    setenv("DORVANEX_DATA", "/tmp/fromenv", 1);
    EXPECT_EQ(chooseDataFolder(3, withFlag), "/tmp/elsewhere");
    char* plain[] = {prog};
    EXPECT_EQ(chooseDataFolder(1, plain), "/tmp/fromenv");
    unsetenv("DORVANEX_DATA");
    const std::string beside = chooseDataFolder(1, plain);
    EXPECT_GE(beside.size(), std::strlen("/Application/data"));
    EXPECT_EQ(beside.substr(beside.size() - 17), "/Application/data");
}

} // namespace
