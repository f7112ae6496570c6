#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqPoint.h"
#include "zq/math/ZqRect.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A root task that runs a check from its init and ends the program.
class CheckRoot : public ZqTask {
public:
    std::function<void()> check;
    uint32_t init() override {
        check();
        ZqSystem::quit();
        return 0;
    }
};

void runInWindow(const std::function<void()>& check) {
    CheckRoot root;
    root.check = check;
    const std::string name = "zq query test " + std::to_string(getpid());
    const std::u16string mutexName(name.begin(), name.end());
    ASSERT_EQ(ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, 320, 240, u"zq query", false,
                           &root, mutexName.c_str()),
              0);
}

TEST(ZqSystemQuery, FileTimeToUnixTimeTruncatesTowardZero) {
    struct Case {
        uint64_t fileTime;
        int64_t unixTime;
    };
    const Case cases[] = {
        {116444736000000000ull, 0},
        {116444736010000000ull, 1},
        {116444735990000000ull, -1},
        {116444735995000000ull, 0},
        {116444736019999999ull, 1},
        {0, -11644473600},
        {0x8000000000000000ull,
         (static_cast<int64_t>(0x8000000000000000ull - 116444736000000000ull)) / 10000000},
    };
    for (const Case& c : cases) {
        const ZqSystem::FileTime f{static_cast<uint32_t>(c.fileTime),
                                   static_cast<uint32_t>(c.fileTime >> 32)};
        EXPECT_EQ(ZqSystem::fileTime2UnixTime(f), c.unixTime) << c.fileTime;
    }
}

TEST(ZqSystemQuery, CalendarTimeToUnixTime) {
    struct Case {
        ZqSystem::SystemTime time;
        int64_t unixTime;
    };
    // year, month, day of week (not read), day, hour, minute, second, milliseconds
    const Case cases[] = {
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 0},
        {{1970, 1, 0, 1, 0, 0, 0, 999}, 0},
        {{2000, 2, 2, 29, 12, 34, 56, 789}, 951827696},
        {{2038, 1, 2, 19, 3, 14, 8, 0}, 2147483648},
        {{1969, 12, 3, 31, 23, 59, 59, 0}, -1},
        {{1601, 1, 1, 1, 0, 0, 0, 0}, -11644473600},
        {{9999, 12, 5, 31, 23, 59, 59, 0}, 253402300799},
        {{30827, 12, 0, 31, 23, 59, 59, 999}, 910670515199},
        // Not a valid calendar time: 0.
        {{2001, 2, 0, 29, 0, 0, 0, 0}, 0},
        {{1900, 2, 0, 29, 0, 0, 0, 0}, 0},
        {{2000, 13, 0, 1, 0, 0, 0, 0}, 0},
        {{2000, 4, 0, 31, 0, 0, 0, 0}, 0},
        {{2000, 1, 0, 0, 0, 0, 0, 0}, 0},
        {{2000, 1, 0, 1, 24, 0, 0, 0}, 0},
        {{2000, 1, 0, 1, 0, 0, 60, 0}, 0},
        {{2000, 1, 0, 1, 0, 0, 0, 1000}, 0},
        {{1600, 12, 0, 31, 0, 0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZqSystem::systemTime2UnixTime(c.time), c.unixTime)
            << c.time.year << "-" << c.time.month << "-" << c.time.day;
    }
}

TEST(ZqSystemQuery, ArgumentsOnlyInsideGo) {
    int32_t argc = 0;
    const char16_t* first = nullptr;
    const char16_t* below = u"x";
    const char16_t* past = u"x";
    runInWindow([&] {
        argc = ZqSystem::getArgc();
        first = ZqSystem::getArgv(0);
        below = ZqSystem::getArgv(-1);
        past = ZqSystem::getArgv(argc);
    });
    EXPECT_GE(argc, 1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(below, nullptr);
    EXPECT_EQ(past, nullptr);
    EXPECT_EQ(ZqSystem::getArgc(), 0);
    EXPECT_EQ(ZqSystem::getArgv(0), nullptr) << "after go every index is null";
}

TEST(ZqSystemQuery, WindowQueries) {
    runInWindow([] {
        char16_t name[16] = {};
        EXPECT_EQ(ZqSystem::getName(name, 16), 8u);
        EXPECT_EQ(std::u16string(name), u"zq query");
        EXPECT_EQ(ZqSystem::getName(name, 3), 2u);
        EXPECT_EQ(std::u16string(name), u"zq");
        EXPECT_EQ(ZqSystem::getName(nullptr, 3), 0u);

        ZqRect window{}, monitor{};
        ZqPoint position{};
        ASSERT_TRUE(ZqSystem::getWindowRect(&window));
        EXPECT_EQ(window.right - window.left, ZqSystem::getClientWidth());
        ASSERT_TRUE(ZqSystem::getWindowPosition(&position));
        EXPECT_EQ(position, ZqPoint(window.left, window.top));
        ASSERT_TRUE(ZqSystem::getMonitorRectFromWindow(&monitor));
        EXPECT_GT(monitor.right, monitor.left);
        EXPECT_GT(monitor.bottom, monitor.top);

        const ZqPoint target(50, 60);
        EXPECT_TRUE(ZqSystem::setWindowPosition(&target));
        ZqRect moved{};
        ASSERT_TRUE(ZqSystem::getWindowRect(&moved));
        EXPECT_EQ(moved,
                  ZqRect(50, 60, 50 + window.right - window.left, 60 + window.bottom - window.top))
            << "the size is kept";
        // Full screen: refused, and the window stays.
        ZqGlSystem::m_bFullScreen = true;
        const ZqPoint elsewhere(10, 10);
        EXPECT_FALSE(ZqSystem::setWindowPosition(&elsewhere));
        ZqGlSystem::m_bFullScreen = false;
        ASSERT_TRUE(ZqSystem::getWindowPosition(&position));
        EXPECT_EQ(position, target);
        EXPECT_FALSE(ZqSystem::setWindowPosition(nullptr));

        EXPECT_TRUE(ZqSystem::isWindowActivated()) << "headless, a new window is in front";
        EXPECT_TRUE(ZqSystem::activateWindow());
        EXPECT_TRUE(ZqSystem::isWindowActivated());
        EXPECT_FALSE(ZqSystem::isWindowMinimized());
        EXPECT_TRUE(ZqSystem::minimizeWindow());
        EXPECT_TRUE(ZqSystem::isWindowMinimized());
        EXPECT_FALSE(ZqSystem::isWindowActivated());
        EXPECT_TRUE(ZqSystem::normalizeWindow());
        EXPECT_FALSE(ZqSystem::isWindowMinimized());
    });
}

TEST(ZqSystemQuery, WithoutWindowEveryWindowQueryFails) {
    ZqRect r{};
    ZqPoint p{};
    const ZqPoint target(1, 1);
    char16_t name[4] = {u'x', 0};
    EXPECT_FALSE(ZqSystem::getMonitorRectFromWindow(&r));
    EXPECT_FALSE(ZqSystem::getWindowRect(&r));
    EXPECT_FALSE(ZqSystem::getWindowPosition(&p));
    EXPECT_FALSE(ZqSystem::setWindowPosition(&target));
    EXPECT_FALSE(ZqSystem::activateWindow());
    EXPECT_FALSE(ZqSystem::isWindowActivated());
    EXPECT_FALSE(ZqSystem::minimizeWindow());
    EXPECT_FALSE(ZqSystem::normalizeWindow());
    EXPECT_FALSE(ZqSystem::isWindowMinimized());
    EXPECT_EQ(ZqSystem::getName(name, 4), 0u);
    EXPECT_EQ(name[0], 0);
}

TEST(ZqSystemQuery, MachineFacts) {
    uint64_t version = 0;
    uint32_t processors = 0;
    runInWindow([&] {
        version = ZqSystem::getVersion();
        processors = ZqSystem::getNrProcessors();
    });
    unsigned v[4] = {};
    ASSERT_EQ(std::sscanf(ZQ_VERSION_TEXT, "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]), 4);
    EXPECT_EQ(version, (uint64_t{v[0]} << 48) | (uint64_t{v[1]} << 32) | (v[2] << 16) | v[3]);
    EXPECT_EQ(processors, std::thread::hardware_concurrency());

    // The program's executable, not the library.
    const std::u16string path = ZqSystem::getModulePath();
    EXPECT_EQ(path.substr(path.rfind(u'/') + 1), u"test_zq_system");
    EXPECT_NE(ZqSystem::getModuleHandle(), nullptr);

    uint32_t stepping = 99, model = 0, family = 0, type = 99;
    ZqSystem::getProcessorIds(nullptr, nullptr, nullptr, nullptr);
    ZqSystem::getProcessorIds(&stepping, &model, &family, nullptr);
    ZqSystem::getProcessorIds(nullptr, nullptr, nullptr, &type);
    EXPECT_LT(stepping, 16u);
    EXPECT_GT(family, 0u);
    EXPECT_LT(type, 16u);

    errno = 34;
    EXPECT_EQ(ZqSystem::getError(), 34);
}

TEST(ZqSystemQuery, ProcessPriorityMovesEveryThreadAlike) {
    EXPECT_FALSE(ZqSystem::setProcessPriority(static_cast<ZqSystem::PROCESS_PRIORITY>(0x12345)));
    EXPECT_TRUE(ZqSystem::setProcessPriority(ZqSystem::PROCESS_PRIORITY_NORMAL));
    // Lowering needs no privilege, but cannot be undone without one: do it in a child.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Nice values relative to the one the test runs at, each only ever lowered.
        const id_t main = static_cast<id_t>(syscall(SYS_gettid));
        const int base = getpriority(PRIO_PROCESS, main);
        if (base > 5) {
            _exit(77);
        }
        id_t workerId = 0;
        bool stop = false;
        std::thread worker([&] {
            const id_t self = static_cast<id_t>(syscall(SYS_gettid));
            setpriority(PRIO_PROCESS, self, base + 2);
            __atomic_store_n(&workerId, self, __ATOMIC_RELEASE);
            while (!__atomic_load_n(&stop, __ATOMIC_ACQUIRE)) {
                usleep(1000);
            }
        });
        while (__atomic_load_n(&workerId, __ATOMIC_ACQUIRE) == 0) {
            usleep(1000);
        }
        const bool ok = ZqSystem::setProcessPriority(ZqSystem::PROCESS_PRIORITY_BELOW_NORMAL);
        const int mainNice = getpriority(PRIO_PROCESS, main);
        const int workerNice = getpriority(PRIO_PROCESS, workerId);
        __atomic_store_n(&stop, true, __ATOMIC_RELEASE);
        worker.join();
        _exit(ok && mainNice == base + 10 && workerNice == base + 12 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "the test runs at too low a priority to lower it by 12";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "below normal shifts each thread's nice value by 10";
}

} // namespace
