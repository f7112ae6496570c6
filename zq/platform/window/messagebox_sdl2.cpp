// The message box: SDL's own box where there is a display, standard error where there is none.

#include "zq/platform/os/utf.h"
#include "zq/platform/window/window.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zqp {

namespace {

bool hasDisplay() {
    const char* const driver = std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        return false;
    }
    const char* const x11 = std::getenv("DISPLAY");
    const char* const wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != 0) || (wayland != nullptr && wayland[0] != 0);
}

} // namespace

int messageBox(const char16_t* const caption, const char16_t* const text) {
    const std::string title = utf16ToUtf8(caption != nullptr ? caption : u"Error");
    const std::string body = utf16ToUtf8(text != nullptr ? text : u"");
    if (hasDisplay() && SDL_ShowSimpleMessageBox(0, title.c_str(), body.c_str(), nullptr) == 0) {
        return MESSAGEBOX_OK;
    }
    // One write, so that lines from several threads do not interleave.
    std::string line = title + ": " + body;
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return MESSAGEBOX_OK;
}

} // namespace zqp
