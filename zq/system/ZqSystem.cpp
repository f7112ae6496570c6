#include "zq/system/ZqSystem.h"

#include "zq/dg/ZqDgSystem.h"
#include "zq/file/ZqFile.h"
#include "zq/file/ZqFile_test.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/input/ZqInput.h"
#include "zq/io/ZqDakt.h"
#include "zq/memory/ZqRefAlloc.h"
#include "zq/net/ZqNetSystem.h"
#include "zq/platform/instance/instance.h"
#include "zq/platform/os/os.h"
#include "zq/platform/os/utf.h"
#include "zq/platform/window/window_test.h"
#include "zq/sd/ZqSdSystem.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSystem_test.h"
#include "zq/task/ZqTask.h"
#include "zq/thread/ZqThread.h"
#include "zq/u/ZquSystem.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#ifndef ZQ_VERSION_MAJOR
#define ZQ_VERSION_MAJOR 1
#define ZQ_VERSION_MINOR 0
#define ZQ_VERSION_BUILD 0
#define ZQ_VERSION_REVISION 0
#endif

void* ZqSystem::m_hDll = nullptr;
int32_t ZqSystem::m_argc = 0;
char16_t** ZqSystem::m_argv = nullptr;
uint64_t ZqSystem::m_version = 0x0001000000000000ull;
char16_t ZqSystem::m_processorName[49] = {};
uint32_t ZqSystem::m_nrProcessors = 0;
uint32_t ZqSystem::m_affinityMask = 0;
float ZqSystem::m_fTimeTick = 1.0f;
zqp::WindowHandle ZqSystem::m_hWnd = nullptr;
void* ZqSystem::m_hCursor = nullptr;
void* ZqSystem::m_locale = nullptr;
int64_t ZqSystem::m_frequency = 0;
uint32_t ZqSystem::m_timeOffset = 0;
std::atomic<uint32_t> ZqSystem::m_frameTime{0};
uint32_t ZqSystem::m_frameTimeOld = 0;
uint32_t ZqSystem::m_timeTick = 1;
uint32_t ZqSystem::m_frameCount = 0;
uint32_t ZqSystem::m_systemTime = 0;
uint32_t ZqSystem::m_mainTaskTime = 0;
uint32_t ZqSystem::m_drawTaskTime = 0;
ZqSystem::TimeTickCallback ZqSystem::m_timeTickCallback = nullptr;
void* ZqSystem::m_timeTickCallbackArg = nullptr;
bool ZqSystem::m_renderEnable = true;
bool ZqSystem::m_isCursorDisplaying = true;
volatile bool ZqSystem::m_bNeedQuit = false;
volatile bool ZqSystem::m_bCloseDestroyMsg = false;
volatile bool ZqSystem::m_bCloseDestroyMsg2 = false;
ZqCriticalSection ZqSystem::m_csCloseDestroyMsg;
volatile uint32_t ZqSystem::m_stat = 0;
uint16_t ZqSystem::m_clientWidth = 0;
uint16_t ZqSystem::m_clientHeight = 0;
uint32_t ZqSystem::m_style = 0;

namespace {

// Storage behind m_argv for the length of one run.
std::vector<std::u16string> g_args;
std::vector<char16_t*> g_argPointers;

bool g_classRegistered = false;

// The marker the arrow cursor stands for; the window layer shows its own arrow.
char g_arrowCursor = 0;

// The test hooks of ZqSystem_test.h. The step is read by every thread's clock reading.
std::atomic<uint32_t> g_fixedStep{0};
uint32_t g_loadWaitMs = zqsystem::test::DEFAULT_LOAD_WAIT_MS;
zqsystem::test::FrameHook g_frameHook = nullptr;
void* g_frameHookArg = nullptr;
std::string g_fixedStepFailure;

void freeArguments() {
    ZqSystem::m_argc = 0;
    ZqSystem::m_argv = nullptr;
    g_argPointers.clear();
    g_args.clear();
}

struct MonitorMax {
    uint32_t width = 0;
    uint32_t height = 0;
};

void cbEnumMonitor(const zqp::Rect& r, void* const arg) {
    MonitorMax& m = *static_cast<MonitorMax*>(arg);
    m.width = std::max(m.width, static_cast<uint32_t>(std::max(r.right - r.left, 0)));
    m.height = std::max(m.height, static_cast<uint32_t>(std::max(r.bottom - r.top, 0)));
}

} // namespace

int ZqSystem::go(const WindowProc winProc, const uint32_t style, void* const icon,
                 const uint16_t width, const uint16_t height, const char16_t* const title,
                 const bool fullScreen, ZqTask* const rootTask, const char16_t* const mutexName) {
    // Process-level resources of this run, released however go() is left.
    struct RunResources {
        std::unique_ptr<zqp::InstanceLock> mutex;
        std::u16string className;
        ~RunResources() {
            if (ZqSystem::m_hWnd != nullptr) {
                zqp::destroyWindow(ZqSystem::m_hWnd);
                ZqSystem::m_hWnd = nullptr;
            }
            if (g_classRegistered) {
                zqp::unregisterWindowClass(className.c_str());
                g_classRegistered = false;
            }
            mutex.reset();
            zqp::freeLocale(ZqSystem::m_locale);
            ZqSystem::m_locale = nullptr;
            freeArguments();
        }
    } run;

    m_stat = 0;
    m_bNeedQuit = false;
    m_bCloseDestroyMsg = false;
    m_bCloseDestroyMsg2 = false;

    // Command line.
    g_args = zqp::processArguments();
    for (auto& a : g_args) {
        g_argPointers.push_back(a.data());
    }
    g_argPointers.push_back(nullptr);
    m_argc = static_cast<int32_t>(g_args.size());
    m_argv = g_argPointers.data();

    // Locale, processor and clock checks; COM needs nothing here.
    m_locale = zqp::createCLocale();
    if (m_locale == nullptr) {
        throw ZqError::LOCALE;
    }
    if (!zqp::cpuHasSse()) {
        throw ZqError::NO_SSE;
    }
    m_frequency = zqp::perfFrequency();
    if (m_frequency <= 0) {
        throw ZqError::NO_PERFORMANCE_COUNTER;
    }

    // Single instance: the window class is the title, "zq", the title again.
    const std::u16string titleText = title != nullptr ? title : u"";
    run.className = titleText + u"zq" + titleText;
    const std::u16string lockName =
        mutexName != nullptr ? std::u16string(mutexName) : titleText + titleText + u"ZQ";
    zqp::InstanceLock::Result lockResult = zqp::InstanceLock::Result::Failed;
    run.mutex = zqp::InstanceLock::acquire(lockName.c_str(), lockResult);
    if (lockResult == zqp::InstanceLock::Result::AlreadyHeld) {
        if (zqp::requestRaise(lockName.c_str(), run.className.c_str(), titleText.c_str(), 3000)) {
            return 0;
        }
        throw ZqError::INSTANCE;
    }

    // Window, client size, cursor.
    m_style = style;
    m_hWnd =
        createWindow(winProc, style, icon, run.className.c_str(), titleText.c_str(), width, height);
    if (m_hWnd == nullptr) {
        throw ZqError::WINDOW;
    }
    if (!setWindowClientSize(width, height, fullScreen)) {
        throw ZqError::WINDOW;
    }
    m_hCursor = &g_arrowCursor;

    // From here on failures are caught, the full shut-down runs, and go() throws after.
    m_bNeedQuit = false;
    struct InitArgs {
        uint16_t width, height;
        bool fullScreen;
        ZqTask* root;
    };
    static InitArgs initArgs;
    initArgs = {width, height, fullScreen, rootTask};
    runGuarded([] {
        sysInit(initArgs.width, initArgs.height, initArgs.fullScreen, initArgs.root);
        zqp::setTimer(m_hWnd, TIMER_ID, TIMER_PERIOD_MS);
    });

    // Message loop: never blocks for long; idles until the next timer while nothing waits.
    int exitCode = 0;
    while (m_stat == 0) {
        zqp::Message m;
        while (zqp::peekMessage(m)) {
            if (m.message == zqp::msg::QUIT) {
                m_bNeedQuit = true;
                exitCode = static_cast<int>(static_cast<intptr_t>(m.wParam));
            } else {
                zqp::dispatchMessage(m);
            }
        }
        if (m_bNeedQuit || m_stat != 0) {
            break;
        }
        zqp::waitIdle();
    }

    // Shut-down, in full even after a failed start.
    zqp::killTimer(m_hWnd, TIMER_ID);
    ZqThread::sleep(0);
    runGuarded(&ZqSystem::sysQuit);
    m_bNeedQuit = true;

    // A failure that stopped the run leaves as its code; otherwise the quit message's code.
    if (m_stat != 0) {
        throw static_cast<uint32_t>(m_stat);
    }
    return exitCode;
}

int ZqSystem::go(const WindowProc winProc, void* const icon, const uint16_t width,
                 const uint16_t height, const char16_t* const title, const bool fullScreen,
                 ZqTask* const rootTask) {
    return go(winProc, DEFAULT_STYLE, icon, width, height, title, fullScreen, rootTask, nullptr);
}

int ZqSystem::go(const uint32_t style, void* const icon, const uint16_t width,
                 const uint16_t height, const char16_t* const title, const bool fullScreen,
                 ZqTask* const rootTask) {
    return go(nullptr, style, icon, width, height, title, fullScreen, rootTask, nullptr);
}

int ZqSystem::go(const uint16_t width, const uint16_t height, const char16_t* const title,
                 const bool fullScreen, ZqTask* const rootTask) {
    return go(nullptr, DEFAULT_STYLE, nullptr, width, height, title, fullScreen, rootTask, nullptr);
}

void ZqSystem::runGuarded(void (*const body)()) {
    try {
        body();
    } catch (const unsigned code) {
        if (m_stat == 0) {
            m_stat = code;
        }
    } catch (const std::bad_alloc&) {
        if (m_stat == 0) {
            m_stat = ZqError::OUT_OF_MEMORY;
        }
    } catch (...) {
        if (m_stat == 0) {
            m_stat = ZqError::UNKNOWN_EXCEPTION;
        }
    }
}

zqp::WindowHandle ZqSystem::createWindow(const WindowProc winProc, const uint32_t style,
                                         void* const icon, const char16_t* const className,
                                         const char16_t* const title, const uint16_t width,
                                         const uint16_t height) {
    if (!zqp::registerWindowClass(className, winProc != nullptr ? winProc : &winProcDefault,
                                  icon)) {
        return nullptr;
    }
    g_classRegistered = true;
    return zqp::createWindow(className, title, style, width, height);
}

void ZqSystem::quit() {
    zqp::postQuitMessage(0);
}

void ZqSystem::winProcTimer(const zqp::WParam wParam, zqp::LParam) {
    if (wParam != TIMER_ID || m_bNeedQuit) {
        return;
    }
    m_bNeedQuit = true;
    runGuarded(&ZqSystem::sysMain);
    // After a failure no further frame runs: the flag stays set and the loop ends.
    if (m_stat == 0) {
        m_bNeedQuit = false;
    }
}

void ZqSystem::winProcCloseDestroy(zqp::WParam, zqp::LParam) {
    const ZqLockGuard hold(m_csCloseDestroyMsg);
    m_bCloseDestroyMsg = true;
}

void ZqSystem::setTimeTickCallback(const TimeTickCallback callback, void* const arg) {
    m_timeTickCallback = callback;
    m_timeTickCallbackArg = callback != nullptr ? arg : nullptr;
}

void ZqSystem::displayMouseCursor(const bool show) {
    m_isCursorDisplaying = show;
    zqp::setCursorVisible(show);
}

uint32_t ZqSystem::getTime() {
    // Fixed-step frames: the clock stands at the current frame's start.
    if (g_fixedStep.load(std::memory_order_relaxed) != 0) {
        return m_frameTime.load(std::memory_order_relaxed);
    }
    const int64_t frequency = m_frequency > 0 ? m_frequency : zqp::perfFrequency();
    const int64_t ms = zqp::perfCounter() * 1000 / frequency;
    return static_cast<uint32_t>(ms) - m_timeOffset;
}

bool ZqSystem::setWindowClientSize(const uint16_t width, const uint16_t height,
                                   const bool fullScreen) {
    if (width < CLIENT_SIZE_MIN || width > CLIENT_SIZE_MAX || height < CLIENT_SIZE_MIN ||
        height > CLIENT_SIZE_MAX) {
        return false;
    }
    if (fullScreen) {
        m_clientWidth = width;
        m_clientHeight = height;
        return true;
    }
    zqp::Rect rect;
    zqp::getWindowRect(m_hWnd, rect);
    MonitorMax monitors;
    zqp::enumMonitors(&cbEnumMonitor, &monitors);
    const uint32_t frameW = 2u * static_cast<uint32_t>(zqp::frameWidth(m_style));
    const uint32_t frameH = static_cast<uint32_t>(zqp::captionHeight(m_style)) + frameW;
    uint32_t outerW = width + frameW;
    uint32_t outerH = height + frameH;
    // Without any monitor to measure there is nothing to fit into.
    if (monitors.width > 0 && monitors.height > 0 &&
        (outerW > monitors.width || outerH > monitors.height)) {
        if (outerW * monitors.height >= outerH * monitors.width) {
            outerH = outerH * monitors.width / outerW;
            outerW = monitors.width;
        } else {
            outerW = outerW * monitors.height / outerH;
            outerH = monitors.height;
        }
    }
    // Keep the window on its monitor: a window placed for a larger size (centred, reaching
    // past the top-left corner) moves in so that its caption can be reached.
    zqp::Rect monitor;
    if (zqp::getMonitorRect(m_hWnd, monitor)) {
        const int64_t w = outerW;
        const int64_t h = outerH;
        rect.left = static_cast<int32_t>(
            std::max<int64_t>(monitor.left, std::min<int64_t>(rect.left, monitor.right - w)));
        rect.top = static_cast<int32_t>(
            std::max<int64_t>(monitor.top, std::min<int64_t>(rect.top, monitor.bottom - h)));
    }
    if (!zqp::setWindowPos(m_hWnd, rect.left, rect.top, static_cast<int>(outerW),
                           static_cast<int>(outerH))) {
        return false;
    }
    zqp::Rect client;
    if (zqp::getClientRect(m_hWnd, client)) {
        outerW = frameW + static_cast<uint16_t>(client.right - client.left);
        outerH = frameH + static_cast<uint16_t>(client.bottom - client.top);
    }
    m_clientWidth = static_cast<uint16_t>(outerW - frameW);
    m_clientHeight = static_cast<uint16_t>(outerH - frameH);
    return true;
}

void ZqSystem::sysInit(const uint16_t width, const uint16_t height, const bool fullScreen,
                       ZqTask* const rootTask) {
    // Time base: the clock reads 0 now.
    m_frameTime = 0;
    m_timeOffset = 0;
    m_timeOffset = getTime();
    g_fixedStepFailure.clear();
    m_frameTimeOld = 0;
    m_timeTick = 1;
    m_fTimeTick = 1.0f;
    m_frameCount = 0;
    m_timeTickCallback = nullptr;
    m_timeTickCallbackArg = nullptr;
    m_systemTime = 0;
    m_mainTaskTime = 0;
    m_drawTaskTime = 0;

    // Version, compiled in.
    m_version = (static_cast<uint64_t>((ZQ_VERSION_MAJOR << 16) | ZQ_VERSION_MINOR) << 32) |
                static_cast<uint32_t>((ZQ_VERSION_BUILD << 16) | ZQ_VERSION_REVISION);

    // Processor figures.
    m_nrProcessors = zqp::processorCount();
    m_affinityMask = zqp::processAffinityMask();
    const std::u16string brand = zqp::utf8ToUtf16(zqp::processorBrand());
    const size_t n = std::min<size_t>(brand.size(), 48);
    std::copy_n(brand.begin(), n, m_processorName);
    m_processorName[n] = 0;

    // The framework's groups, in dependency order; tasks last.
    ZqRefAlloc::sysInit();
    ZqFile::sysInit();
    ZqNetSystem::sysInit();
    ZqSdSystem::sysInit();
    ZqGlSystem::sysInit(static_cast<float>(width), static_cast<float>(height), fullScreen);
    ZqDgSystem::sysInit();
    ZqInput::sysInit();
    ZqDakt::sysInit();
    ZquSystem::sysInit();
    ZqTask::sysInit(rootTask);
}

void ZqSystem::sysMain() {
    // Frame gate: start only when 9 ms have passed since the previous frame started.
    // The wait sleeps until shortly before the millisecond the frame may start in and yields
    // through the rest: as precise as yielding throughout, without keeping a core busy.
    m_frameTimeOld = m_frameTime;
    const int64_t frequency = m_frequency > 0 ? m_frequency : zqp::perfFrequency();
    const uint32_t fixedStep = g_fixedStep.load();
    if (fixedStep != 0) {
        // The loads of the frames before have finished: a frame never sees a result earlier
        // or later than on another machine.
        std::u16string pending;
        if (!zqfile::test::waitForRequests(g_loadWaitMs, pending)) {
            g_fixedStepFailure = "a file request was still pending after " +
                                 std::to_string(g_loadWaitMs) + " ms: " + zqp::utf16ToUtf8(pending);
            quit();
            return;
        }
        m_frameTime = m_frameTimeOld + fixedStep;
        m_timeTick = fixedStep;
    }
    while (fixedStep == 0) {
        const int64_t ms = zqp::perfCounter() * 1000 / frequency;
        m_frameTime = static_cast<uint32_t>(ms) - m_timeOffset;
        m_timeTick = m_frameTime - m_frameTimeOld;
        if (m_timeTick > 8) {
            break;
        }
        const int64_t startMs = ms + (9 - static_cast<int64_t>(m_timeTick));
        zqp::sleepUntil((startMs * frequency + 999) / 1000);
    }

    // Take over a pending close request for exactly this frame.
    m_bCloseDestroyMsg2 = false;
    {
        const ZqLockGuard hold(m_csCloseDestroyMsg);
        if (m_bCloseDestroyMsg) {
            m_bCloseDestroyMsg = false;
            m_bCloseDestroyMsg2 = true;
        }
    }

    // The callback may rewrite the step; the clamp comes after it.
    if (m_timeTickCallback != nullptr) {
        m_timeTickCallback(m_timeTick, m_timeTickCallbackArg);
    }
    m_timeTick = std::clamp<uint32_t>(m_timeTick, 1, 1000);
    m_fTimeTick = static_cast<float>(m_timeTick);
    if (g_frameHook != nullptr) {
        g_frameHook(m_frameCount, g_frameHookArg);
    }

    // Devices.
    const uint32_t t0 = getTime();
    ZqSdSystem::sysMain();
    ZquSystem::sysMain();
    ZqDakt::sysMain();
    ZqInput::sysMain();
    const uint32_t t1 = getTime();
    m_systemTime = t1 - t0;

    // Tasks.
    ZqTask::sysMain(m_fTimeTick);
    const uint32_t t2 = getTime();
    m_mainTaskTime = t2 - t1;

    // Rendering; a frame that does not render still empties the draw lists.
    if (m_renderEnable) {
        ZqGlSystem::render();
    } else {
        ZqTask::sysDrawDiscard();
    }
    const uint32_t t3 = getTime();
    m_drawTaskTime = t3 - t2;

    ++m_frameCount;
}

void ZqSystem::sysQuit() {
    // Tasks end first while every service is still up; files and shared blocks last. Every
    // group is stopped even when an earlier one fails (its workers would otherwise outlive
    // the run); the first failure's code is thrown after the last group.
    static constexpr void (*GROUPS[])() = {
        &ZqTask::sysQuit,     &ZquSystem::sysQuit,  &ZqDakt::sysQuit,     &ZqInput::sysQuit,
        &ZqSdSystem::sysQuit, &ZqDgSystem::sysQuit, &ZqGlSystem::sysQuit, &ZqNetSystem::sysQuit,
        &ZqFile::sysQuit,     &ZqRefAlloc::sysQuit,
    };
    uint32_t firstCode = 0;
    for (void (*const quitGroup)() : GROUPS) {
        uint32_t code = 0;
        try {
            quitGroup();
        } catch (const unsigned c) {
            code = c;
        } catch (const std::bad_alloc&) {
            code = ZqError::OUT_OF_MEMORY;
        } catch (...) {
            code = ZqError::UNKNOWN_EXCEPTION;
        }
        if (firstCode == 0) {
            firstCode = code;
        }
    }
    // The run's counter frequency goes with the run: a clock read afterwards asks the counter
    // source of that moment (a test may have replaced it).
    m_frequency = 0;
    if (firstCode != 0) {
        throw firstCode;
    }
}

zqp::LResult ZqSystem::winProcDefault(const zqp::WindowHandle window, const uint32_t message,
                                      const zqp::WParam wParam, const zqp::LParam lParam) {
    switch (message) {
    case zqp::msg::CLOSE:
    case zqp::msg::DESTROY:
        zqp::postQuitMessage(0);
        return 0;
    case zqp::msg::MOVE:
        ZqInput::winProcMove(wParam, lParam);
        return zqp::defWindowProc(window, message, wParam, lParam);
    case zqp::msg::MOVING:
        ZqInput::winProcMoving(wParam, lParam);
        return zqp::defWindowProc(window, message, wParam, lParam);
    case zqp::msg::SETCURSOR:
        if ((static_cast<uint32_t>(lParam) & 0xFFFFu) == zqp::HIT_CLIENT && !m_isCursorDisplaying) {
            zqp::setCursorVisible(false);
            return 1;
        }
        return zqp::defWindowProc(window, message, wParam, lParam);
    case zqp::msg::DISPLAYCHANGE:
        ZqGlSystem::winProcDisplayChange(wParam, lParam);
        return 1;
    case zqp::msg::DEVICECHANGE:
        return ZqInput::winProcDeviceChange(wParam, lParam) ? 1 : zqp::DEVICECHANGE_DENY;
    case zqp::msg::SYSCOMMAND: {
        const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFF0u;
        if (command == zqp::SYSCOMMAND_SCREENSAVE || command == zqp::SYSCOMMAND_MONITORPOWER) {
            return 1;
        }
        return zqp::defWindowProc(window, message, wParam, lParam);
    }
    case zqp::msg::TIMER:
        winProcTimer(wParam, lParam);
        return 0;
    default:
        return zqp::defWindowProc(window, message, wParam, lParam);
    }
}

void zqsystem::test::setFixedStep(const uint32_t stepMs, const uint32_t loadWaitMs) {
    g_fixedStep.store(stepMs);
    g_loadWaitMs = loadWaitMs;
    zqp::window::test::setTimersEveryTurn(stepMs != 0);
}

uint32_t zqsystem::test::getFixedStep() {
    return g_fixedStep.load();
}

void zqsystem::test::setFrameHook(const FrameHook hook, void* const arg) {
    g_frameHook = hook;
    g_frameHookArg = hook != nullptr ? arg : nullptr;
}

std::string zqsystem::test::lastFailure() {
    return g_fixedStepFailure;
}
