// ZqSystem: the static class a program hands control to. go() prepares the process, keeps a
// single instance, opens the main window, starts every framework group in a fixed order,
// drives frames from an 8 ms window timer until the window closes, shuts everything down and
// returns the exit code, or throws the unsigned failure code that stopped it.
// Also owns the frame clock and the per-frame statistics, answers window and machine queries
// and draws the frame statistics graph. Main thread only, except winProcCloseDestroy and the
// machine queries (processor, module, time conversion, arguments, version, error number).
#pragma once

#include "zq/platform/os/os.h"
#include "zq/platform/window/window.h"
#include "zq/thread/ZqCriticalSection.h"

#include <atomic>
#include <cstdint>

class ZqPoint;
class ZqRect;
class ZqTask;

class ZqSystem {
public:
    using WindowProc = zqp::WindowProc;
    using TimeTickCallback = void (*)(uint32_t& timeTick, void* arg);

    static constexpr uint32_t TIMER_ID = 0x673CFF78u;
    static constexpr uint32_t TIMER_PERIOD_MS = 8;
    static constexpr uint32_t DEFAULT_STYLE = 0xA0000u;
    static constexpr uint16_t CLIENT_SIZE_MIN = 100;
    static constexpr uint16_t CLIENT_SIZE_MAX = 2048;

    // Process priority classes.
    enum PROCESS_PRIORITY : uint32_t {
        PROCESS_PRIORITY_IDLE = zqp::PRIORITY_CLASS_IDLE,
        PROCESS_PRIORITY_BELOW_NORMAL = zqp::PRIORITY_CLASS_BELOW_NORMAL,
        PROCESS_PRIORITY_NORMAL = zqp::PRIORITY_CLASS_NORMAL,
        PROCESS_PRIORITY_ABOVE_NORMAL = zqp::PRIORITY_CLASS_ABOVE_NORMAL,
        PROCESS_PRIORITY_HIGH = zqp::PRIORITY_CLASS_HIGH,
        PROCESS_PRIORITY_REALTIME = zqp::PRIORITY_CLASS_REALTIME,
    };
    using FileTime = zqp::FileTime;
    using SystemTime = zqp::SystemTime;

    // Runs the program; returns the exit code of the quit message or throws an unsigned code.
    // mutexName null: the title twice followed by "ZQ".
    static int go(WindowProc winProc, uint32_t style, void* icon, uint16_t width, uint16_t height,
                  const char16_t* title, bool fullScreen, ZqTask* rootTask,
                  const char16_t* mutexName);
    static int go(WindowProc winProc, void* icon, uint16_t width, uint16_t height,
                  const char16_t* title, bool fullScreen, ZqTask* rootTask);
    static int go(uint32_t style, void* icon, uint16_t width, uint16_t height,
                  const char16_t* title, bool fullScreen, ZqTask* rootTask);
    static int go(uint16_t width, uint16_t height, const char16_t* title, bool fullScreen,
                  ZqTask* rootTask);

    // Posts the quit message (exit code 0).
    static void quit();
    // The frame timer's handler; a program's own window procedure calls it for msg::TIMER.
    static void winProcTimer(zqp::WParam wParam, zqp::LParam lParam);
    // Raises the close request; any thread. The next frame takes it over.
    static void winProcCloseDestroy(zqp::WParam wParam, zqp::LParam lParam);
    // True during the one frame that took over a close request.
    static bool isCloseDestroyMessageDetected() { return m_bCloseDestroyMsg2; }
    // The default window procedure, also a model for a program's own.
    static zqp::LResult winProcDefault(zqp::WindowHandle window, uint32_t message,
                                       zqp::WParam wParam, zqp::LParam lParam);

    static void setTimeTickCallback(TimeTickCallback callback, void* arg);
    static void setRenderEnable(bool enable) { m_renderEnable = enable; }
    static bool isRenderEnable() { return m_renderEnable; }
    static void displayMouseCursor(bool show);
    static bool isMouseCursorDisplaying() { return m_isCursorDisplaying; }

    // Milliseconds since sysInit.
    static uint32_t getTime();
    static uint32_t getFrameTime() { return m_frameTime.load(std::memory_order_relaxed); }
    static uint32_t getTimeTick() { return m_timeTick; }
    static float getTimeTickFloat() { return m_fTimeTick; }
    static uint32_t getFrameCount() { return m_frameCount; }
    static uint32_t getSystemTime() { return m_systemTime; }
    static uint32_t getMainTaskTime() { return m_mainTaskTime; }
    static uint32_t getDrawTaskTime() { return m_drawTaskTime; }
    static uint16_t getClientWidth() { return m_clientWidth; }
    static uint16_t getClientHeight() { return m_clientHeight; }
    static zqp::WindowHandle getWindowHandle() { return m_hWnd; }
    static void* getLocale() { return m_locale; }

    // Window queries; each acts on the main window and is false (0) without one.
    // The full rectangle of the monitor nearest to the window.
    static bool getMonitorRectFromWindow(ZqRect* rect);
    // The window's rectangle in screen coordinates.
    static bool getWindowRect(ZqRect* rect);
    static bool getWindowPosition(ZqPoint* point);
    // Moves the window's top-left corner, keeping its size; false in full-screen mode.
    static bool setWindowPosition(const ZqPoint* point);
    static bool activateWindow();
    static bool isWindowActivated();
    static bool minimizeWindow();
    // Restores the window from the minimised state.
    static bool normalizeWindow();
    static bool isWindowMinimized();
    // Copies the window title (cut to size - 1 characters, terminated); the characters copied.
    static uint32_t getName(char16_t* buffer, uint32_t size);

    // Machine and process queries.
    // The program's executable (not this library), in a buffer of 261 characters of the
    // calling thread that each call refills.
    static const char16_t* getModulePath();
    // The program's executable module; this library's own is m_hDll.
    static void* getModuleHandle();
    // Fields of the processor signature; null pointers are skipped.
    static void getProcessorIds(uint32_t* stepping, uint32_t* model, uint32_t* family,
                                uint32_t* type);
    static const char16_t* getProcessorName() { return m_processorName; }
    static uint32_t getNrProcessors() { return m_nrProcessors; }
    static uint32_t getAffinityMask() { return m_affinityMask; }
    static bool setProcessPriority(PROCESS_PRIORITY priority);
    // Seconds since 1970-01-01 UTC, truncated toward zero.
    static int64_t fileTime2UnixTime(const FileTime& fileTime);
    // The same for a calendar time; 0 for one that is not a valid date and time.
    static int64_t systemTime2UnixTime(const SystemTime& systemTime);
    static int32_t getArgc() { return m_argc; }
    // Argument index (0: the program); null outside go or for an index out of range.
    static const char16_t* getArgv(int32_t index);
    // Major/minor in the upper 32 bits, build/revision in the lower.
    static uint64_t getVersion() { return m_version; }
    // The calling thread's C runtime error number.
    static int32_t getError();

    // Diagnostic overlay, called once per frame from a draw task: keeps the last 200 frames'
    // timings and draws them as curves in the box (x, y top-left, screen pixels; its height
    // spans 33.3 ms). Outputs, each skipped when null: average cost and step (ms) over the 20
    // frames before this one, at least 1.0; total and available physical memory and the
    // process's private bytes.
    static void drawStateGraph(float x, float y, float width, float height, float* averageCost,
                               float* averageStep, uint64_t* totalPhysical,
                               uint64_t* availablePhysical, uint64_t* privateBytes);

    // Client size: each side 100..2048; windowed sizes larger than every monitor are scaled
    // down proportionally. False when refused or the window cannot be sized.
    static bool setWindowClientSize(uint16_t width, uint16_t height, bool fullScreen);

    static void* m_hDll;
    static int32_t m_argc;
    static char16_t** m_argv;
    static uint64_t m_version;
    static char16_t m_processorName[49];
    static uint32_t m_nrProcessors;
    static uint32_t m_affinityMask;
    static float m_fTimeTick;

private:
    static void sysInit(uint16_t width, uint16_t height, bool fullScreen, ZqTask* rootTask);
    static void sysMain();
    static void sysQuit();
    static zqp::WindowHandle createWindow(WindowProc winProc, uint32_t style, void* icon,
                                          const char16_t* className, const char16_t* title,
                                          uint16_t width, uint16_t height);
    static void runGuarded(void (*body)());

    static zqp::WindowHandle m_hWnd;
    static void* m_hCursor;
    static void* m_locale;
    static int64_t m_frequency;
    static uint32_t m_timeOffset;
    // Read by worker threads too (the I/O board's serial time stamps).
    static std::atomic<uint32_t> m_frameTime;
    static uint32_t m_frameTimeOld;
    static uint32_t m_timeTick;
    static uint32_t m_frameCount;
    static uint32_t m_systemTime;
    static uint32_t m_mainTaskTime;
    static uint32_t m_drawTaskTime;
    static TimeTickCallback m_timeTickCallback;
    static void* m_timeTickCallbackArg;
    static bool m_renderEnable;
    static bool m_isCursorDisplaying;
    static volatile bool m_bNeedQuit;
    static volatile bool m_bCloseDestroyMsg;
    static volatile bool m_bCloseDestroyMsg2;
    static ZqCriticalSection m_csCloseDestroyMsg;
    static volatile uint32_t m_stat;
    static uint16_t m_clientWidth;
    static uint16_t m_clientHeight;
    static uint32_t m_style;
};
