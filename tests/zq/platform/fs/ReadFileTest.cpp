#include "zq/platform/fs/readfile.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Whatever is named, the read ends at once with a result and a message naming the path.
TEST(ReadWholeFile, TakesRegularFilesOnlyWithinTheLimit) {
    ScratchFolder scratch;
    const std::string dir = scratch.root().string();
    writeText(scratch.root() / "ten", "0123456789");
    writeText(scratch.root() / "empty", "");
    std::filesystem::create_directory(scratch.root() / "folder");
    ASSERT_EQ(0, mkfifo((dir + "/fifo").c_str(), 0600));
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::string sockPath = dir + "/sock";
    ASSERT_LT(sockPath.size(), sizeof address.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), address.sun_path);
    ASSERT_EQ(0, bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address));

    struct Row {
        int line;
        std::string path;
        uint64_t limit;
        bool ok;
        long size; // -1: some bytes
        const char* message;
    };
    const Row rows[] = {
        {__LINE__, dir + "/ten", 10, true, 10, ""},
        {__LINE__, dir + "/ten", 9, false, 0, " is larger than 9 bytes"},
        {__LINE__, dir + "/ten", UINT64_MAX, true, 10, ""},
        {__LINE__, dir + "/empty", 0, true, 0, ""},
        {__LINE__, dir + "/folder", 100, false, 0, " is a folder, not a file"},
        {__LINE__, "/dev/zero", 100, false, 0, " is not a regular file"},
        {__LINE__, dir + "/fifo", 100, false, 0, " is not a regular file"},
        {__LINE__, sockPath, 100, false, 0, "/sock"},
        {__LINE__, dir + "/missing", 100, false, 0, "No such file or directory"},
        // The size a file states is only a hint: /proc states 0 and holds more.
        {__LINE__, "/proc/self/status", 1 << 20, true, -1, ""},
        {__LINE__, "/proc/self/status", 8, false, 0, " is larger than 8 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "line " << row.line);
        std::vector<uint8_t> bytes{1, 2, 3};
        std::string error;
        EXPECT_EQ(row.ok, zqp::readWholeFile(row.path, row.limit, bytes, &error));
        if (row.ok) {
            EXPECT_TRUE(error.empty());
            if (row.size >= 0) {
                EXPECT_EQ(static_cast<size_t>(row.size), bytes.size());
            } else {
                EXPECT_FALSE(bytes.empty());
            }
        } else {
            EXPECT_TRUE(bytes.empty());
            EXPECT_NE(std::string::npos, error.find(row.path)) << error;
            EXPECT_NE(std::string::npos, error.find(row.message)) << error;
        }
    }
    std::string text;
    EXPECT_TRUE(zqp::readWholeFile(dir + "/ten", 10, text));
    EXPECT_EQ("0123456789", text);
    close(sock);
}

} // namespace
