// ZqSystem: the static class a program hands control to. go() prepares the process, keeps a
// single instance, opens the main window, starts every framework group in a fixed order,
// drives frames from an 8 ms window timer until the window closes, shuts everything down and
// returns the exit code, or throws the unsigned failure code that stopped it.
// Also owns the frame clock and the per-frame statistics. Main thread only, except
// winProcCloseDestroy.
#pragma once

#include "zq/platform/window/window.h"
#include "zq/thread/ZqCriticalSection.h"

#include <cstdint>

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
    static uint32_t getFrameTime() { return m_frameTime; }
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
    static int getArgc() { return m_argc; }
    static char16_t** getArgv() { return m_argv; }

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
    static uint32_t m_frameTime;
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
