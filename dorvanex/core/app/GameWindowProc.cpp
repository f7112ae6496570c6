#include "dorvanex/core/app/GameEntry.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/input/ZqInput.h"
#include "zq/system/ZqSystem.h"

zqp::LResult GameWindowProc(const zqp::WindowHandle window, const uint32_t message,
                            const zqp::WParam wParam, const zqp::LParam lParam) {
    switch (message) {
    case zqp::msg::CLOSE:
    case zqp::msg::DESTROY:
        zqp::postQuitMessage(0);
        return 0;
    case zqp::msg::MOVE:
        ZqInput::winProcMove(wParam, lParam);
        break;
    case zqp::msg::SETCURSOR:
        if ((static_cast<uint32_t>(lParam) & 0xFFFFu) == zqp::HIT_CLIENT &&
            ZqSystem::isMouseCursorDisplaying()) {
            ZqSystem::displayMouseCursor(false);
            return 1;
        }
        break;
    case zqp::msg::DISPLAYCHANGE:
        ZqGlSystem::winProcDisplayChange(wParam, lParam);
        return 1;
    case zqp::msg::SYSCOMMAND:
        if ((wParam & 0xFFF0u) == zqp::SYSCOMMAND_SCREENSAVE ||
            (wParam & 0xFFF0u) == zqp::SYSCOMMAND_MONITORPOWER) {
            return 1;
        }
        break;
    case zqp::msg::TIMER:
        ZqSystem::winProcTimer(wParam, lParam);
        return 0;
    case zqp::msg::MOVING:
        ZqInput::winProcMoving(wParam, lParam);
        break;
    case zqp::msg::DEVICECHANGE:
        // The device-change query is not denied here: the platform has no such broadcast.
        return ZqInput::winProcDeviceChange(wParam, lParam) ? 1 : 0;
    default:
        break;
    }
    return zqp::defWindowProc(window, message, wParam, lParam);
}
