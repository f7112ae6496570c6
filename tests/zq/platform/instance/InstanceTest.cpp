#include "zq/platform/instance/instance.h"
#include "zq/platform/window/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A runtime folder of the test's own, made current through XDG_RUNTIME_DIR.
class RuntimeFolder {
public:
    RuntimeFolder() {
        std::string templ = (fs::temp_directory_path() / "zqinstance-XXXXXX").string();
        EXPECT_NE(mkdtemp(templ.data()), nullptr);
        m_path = templ;
    }
    ~RuntimeFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

    void makeCurrent() const { setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1); }
    size_t files() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_path), {}));
    }

private:
    fs::path m_path;
};

std::u16string uniqueName(const char* const tag) {
    const std::string s = std::string("zq instance ") + tag + " " + std::to_string(getpid());
    return std::u16string(s.begin(), s.end());
}

zqp::LResult quietProc(zqp::WindowHandle, uint32_t, zqp::WParam, zqp::LParam) {
    return 0;
}

TEST(InstanceLock, LockFileGoesWithItsHolder) {
    const RuntimeFolder folder;
    folder.makeCurrent();
    const std::u16string name = uniqueName("file");
    zqp::InstanceLock::Result result{};
    {
        const auto lock = zqp::InstanceLock::acquire(name.c_str(), result);
        ASSERT_EQ(result, zqp::InstanceLock::Result::Acquired);
        EXPECT_EQ(folder.files(), 1u);
        EXPECT_EQ(zqp::InstanceLock::acquire(name.c_str(), result), nullptr);
        EXPECT_EQ(result, zqp::InstanceLock::Result::AlreadyHeld);
    }
    EXPECT_EQ(folder.files(), 0u) << "the lock file is removed with its holder";
    const auto again = zqp::InstanceLock::acquire(name.c_str(), result);
    EXPECT_EQ(result, zqp::InstanceLock::Result::Acquired);
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(InstanceLock, RaiseRequestReachesTheHolderOfTheSameRuntimeFolder) {
    const RuntimeFolder first, second;
    const std::u16string name = uniqueName("raise");
    zqp::InstanceLock::Result result{};
    first.makeCurrent();
    const auto firstLock = zqp::InstanceLock::acquire(name.c_str(), result);
    ASSERT_EQ(result, zqp::InstanceLock::Result::Acquired);
    second.makeCurrent();
    const auto secondLock = zqp::InstanceLock::acquire(name.c_str(), result);
    ASSERT_EQ(result, zqp::InstanceLock::Result::Acquired);

    ASSERT_TRUE(zqp::registerWindowClass(u"zq instance class", &quietProc, nullptr));
    const zqp::WindowHandle window =
        zqp::createWindow(u"zq instance class", u"zq instance", 0, 100, 100);
    ASSERT_NE(window, nullptr);
    // The request waits for an answer that the holders give from the pumping thread.
    std::atomic<bool> raised{false};
    std::atomic<bool> done{false};
    std::thread start([&] {
        raised = zqp::requestRaise(name.c_str(), u"zq instance class", u"zq instance", 3000);
        done = true;
    });
    while (!done.load()) {
        zqp::Message m;
        while (zqp::peekMessage(m)) {
        }
        usleep(1000);
    }
    start.join();
    EXPECT_TRUE(raised.load());
    EXPECT_EQ(secondLock->getRaiseCount(), 1u);
    EXPECT_EQ(firstLock->getRaiseCount(), 0u);
    zqp::destroyWindow(window);
    zqp::unregisterWindowClass(u"zq instance class");
    unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
