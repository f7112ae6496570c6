// Test hooks of ZquScreenTransition: the frame counter the cursor blinks by, a recorder that
// sees every text the players print, and an input source that stands in for the framework's
// input (the fuzz target drives menus with it). For tests only; the game never sets them.
#pragma once

#include <cstdint>

namespace zqu::test {

// Replaces ZqSystem's frame counter; null restores it.
using FrameCounter = uint32_t (*)();
void setFrameCounter(FrameCounter counter);

// Sees each printed text (script lines and the cursor "*") at its position in its colour,
// before the font draws it. Null removes the recorder.
using PrintRecorder = void (*)(const char16_t* text, int32_t x, int32_t y, uint32_t color);
void setPrintRecorder(PrintRecorder recorder);

// One frame's menu input, as the players read it.
struct InputFrame {
    bool select = false;
    bool cancel = false;
    bool up = false;
    bool down = false;
    bool mouseOn = false; // the mouse's first button went down this frame
    int32_t mouseX = 0;
    int32_t mouseY = 0;
};
// Called in place of the framework's input (and its window-focus test) while set; null
// restores the framework's input.
using InputSource = void (*)(InputFrame& out);
void setInputSource(InputSource source);

} // namespace zqu::test
