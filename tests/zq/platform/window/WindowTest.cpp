// The window layer keeps text composition and the screen saver off while the game's window
// is open.
#include "tests/zq/gl/FrameworkRun.h"

#include <SDL.h>
#include <gtest/gtest.h>

TEST(Window, TextInputAndScreenSaverStayOffWhileTheWindowIsOpen) {
    zqtest::ScriptTask root;
    bool checked = false;
    root.onFrame = [&](const uint32_t frame) {
        EXPECT_EQ(SDL_IsTextInputActive(), SDL_FALSE);
        EXPECT_EQ(SDL_IsScreenSaverEnabled(), SDL_FALSE);
        checked = true;
        return frame < 2;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    EXPECT_TRUE(checked);
}
