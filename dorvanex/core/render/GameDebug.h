// Debug output of the game: lines to the developer's console (standard error) and text on
// the screen with the debug font, which the root task makes and releases and this layer keeps.
#pragma once

#include <cstdint>

class ZqGlFont;

// The debug font, null before the root made it and after it released it.
ZqGlFont* getDebugFont();
void setDebugFont(ZqGlFont* font);

// Writes the text and a line end to standard error.
void debugPrint(const char16_t* text);
// The same, formatted like zqSprintf (cut at 1023 characters).
void debugPrintf(const char16_t* format, ...);
// Does nothing; 0.
int debugPrintAt(int x, int y, const char16_t* text);
// Prints at pixel (x, y) in colour ARGB with the debug font; nothing without the font. Call
// from a draw task.
void drawDebugText(int x, int y, const char16_t* text, uint32_t color);
