#include "dorvanex/core/render/GameDebug.h"

#include "zq/gl/ZqGlFont.h"
#include "zq/system/ZqSprintf.h"
#include "zq/system/ZqString.h"

#include <cstdarg>
#include <cstdio>

namespace {

ZqGlFont* g_debugFont = nullptr;

} // namespace

ZqGlFont* getDebugFont() {
    return g_debugFont;
}

void setDebugFont(ZqGlFont* const font) {
    g_debugFont = font;
}

void debugPrint(const char16_t* const text) {
    if (text == nullptr) {
        return;
    }
    ZqStringMb utf8;
    zqChar2Utf8(text, -1, utf8);
    std::fprintf(stderr, "%s\n", utf8.c_str());
}

void debugPrintf(const char16_t* const format, ...) {
    char16_t buffer[1024] = {};
    va_list args;
    va_start(args, format);
    zqVsprintf(buffer, sizeof buffer / sizeof buffer[0], format, args);
    va_end(args);
    debugPrint(buffer);
}

int debugPrintAt(int, int, const char16_t*) {
    return 0;
}

void drawDebugText(const int x, const int y, const char16_t* const text, const uint32_t color) {
    ZqGlFont* const font = g_debugFont;
    if (font == nullptr || text == nullptr) {
        return;
    }
    ZqGlFont::begin();
    ZqGlFont::setLocation(x, y);
    ZqGlFont::setColor(color);
    font->simplePrintf(u"%s", text);
    ZqGlFont::end();
}
