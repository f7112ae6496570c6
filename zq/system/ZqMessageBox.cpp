#include "zq/system/ZqMessageBox.h"

#include "zq/platform/window/window.h"
#include "zq/system/ZqSprintf.h"

#include <cstdarg>

void zqMessageBox(const char16_t* const caption, const char16_t* const format, ...) {
    char16_t text[1024] = {};
    va_list args;
    va_start(args, format);
    // A cut text is still shown: the result only says that it was cut.
    zqVsprintf(text, sizeof text / sizeof text[0], format, args);
    va_end(args);
    zqp::messageBox(caption, text);
}
