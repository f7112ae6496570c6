// Drives real SDL input for the input tests: pushed keyboard, mouse and focus events, and
// SDL's virtual joysticks standing in for controllers; checks a button's frames.
#pragma once

#include "zq/platform/window/window_sdl2_internal.h"
#include "zq/system/ZqSystem.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace zqtest {

inline void pushKey(const SDL_Scancode sc, const bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    SDL_PushEvent(&e);
}

inline uint32_t frameworkWindowId() {
    SDL_Window* const w = zqp::sdlWindow(ZqSystem::getWindowHandle());
    return w != nullptr ? SDL_GetWindowID(w) : 0;
}

inline void pushFocus(const bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = frameworkWindowId();
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
}

inline void pushMouseMotion(const int xrel, const int yrel) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = frameworkWindowId();
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    SDL_PushEvent(&e);
}

inline void pushMouseWheel(const int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = frameworkWindowId();
    e.wheel.y = y;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

inline void pushMouseButton(const uint8_t sdlButton, const bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = frameworkWindowId();
    e.button.button = sdlButton;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

// One virtual controller. Attach it while input is running: input's stop brings SDL's
// controller subsystem down, which drops virtual devices and their handles (so the object
// does nothing when destroyed after the run).
class VirtualStick {
public:
    VirtualStick() = default;
    VirtualStick(const VirtualStick&) = delete;
    VirtualStick& operator=(const VirtualStick&) = delete;

    // A raw stick (the driver's own layout) or, with pad true, a game pad with SDL's standard
    // mapping: buttons a b x y back guide start leftstick rightstick leftshoulder
    // rightshoulder dpup dpdown dpleft dpright, axes leftx lefty rightx righty lefttrigger
    // righttrigger.
    bool attach(const char* name, const uint16_t vendor, const uint16_t product,
                const bool pad = false) {
        SDL_VirtualJoystickDesc d{};
        d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        d.type = pad ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_ARCADE_STICK;
        d.naxes = 6;
        d.nbuttons = 15;
        d.nhats = pad ? 0 : 1;
        d.vendor_id = vendor;
        d.product_id = product;
        d.name = name;
        const int index = SDL_JoystickAttachVirtualEx(&d);
        if (index < 0) {
            return false;
        }
        m_joystick = SDL_JoystickOpen(index);
        return m_joystick != nullptr;
    }

    void detach() {
        if (m_joystick == nullptr) {
            return;
        }
        const SDL_JoystickID id = SDL_JoystickInstanceID(m_joystick);
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        }
        SDL_JoystickClose(m_joystick);
        m_joystick = nullptr;
    }

    void button(const int n, const bool down) {
        SDL_JoystickSetVirtualButton(m_joystick, n, down ? 1 : 0);
    }
    void axis(const int n, const int16_t v) { SDL_JoystickSetVirtualAxis(m_joystick, n, v); }
    void hat(const int n, const uint8_t v) { SDL_JoystickSetVirtualHat(m_joystick, n, v); }

private:
    SDL_Joystick* m_joystick = nullptr;
};

// What one frame showed of one button.
struct Frame {
    uint32_t tick;
    int held;
    int on;
    int off;
    int repeat;
};

// Checks a button's frames from its press to past its release against the edge rules and
// the device's repeat timer (the button held alone on its device).
inline void expectPressHoldRelease(const std::vector<Frame>& frames, const int value,
                                   const uint32_t repeatTime) {
    size_t p = 0;
    while (p < frames.size() && frames[p].held == 0) {
        EXPECT_EQ(frames[p].on, 0) << "frame " << p;
        ++p;
    }
    ASSERT_LT(p, frames.size()) << "the press was never seen";
    EXPECT_EQ(frames[p].on, value) << "on in the frame of the press";
    EXPECT_EQ(frames[p].repeat, value) << "repeat fires with the press";
    uint32_t timer = 0;
    size_t r = p + 1;
    bool repeated = false;
    for (; r < frames.size() && frames[r].held != 0; ++r) {
        EXPECT_EQ(frames[r].on, 0) << "frame " << r;
        EXPECT_EQ(frames[r].off, 0) << "frame " << r;
        if (timer < repeatTime) {
            timer += frames[r].tick;
            EXPECT_EQ(frames[r].repeat, 0) << "frame " << r << " timer " << timer;
        } else {
            EXPECT_EQ(frames[r].repeat, value) << "frame " << r;
            repeated = true;
        }
    }
    EXPECT_TRUE(repeated) << "held long enough to repeat";
    ASSERT_LT(r, frames.size()) << "the release was never seen";
    EXPECT_EQ(frames[r].off, value) << "off in the frame of the release";
    EXPECT_EQ(frames[r].repeat, 0);
    for (size_t i = r + 1; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].off, 0) << "frame " << i;
        EXPECT_EQ(frames[i].held, 0) << "frame " << i;
    }
}

} // namespace zqtest
