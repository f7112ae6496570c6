// ZqInput's shortcuts: the keyboard and mouse by name, the cursor, and the menu queries that
// answer from the keyboard or the first controller that has something to say.
#include "zq/input/ZqInput.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/input/ZqKey.h"
#include "zq/platform/input/input.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>
#include <initializer_list>

namespace {

using KeyRead = uint8_t (ZqInput::*)(uint32_t) const;
using AxisRead = int16_t (ZqInput::*)(uint32_t) const;

// The first of the keys with a non-zero value.
int firstKey(const KeyRead read, const std::initializer_list<uint8_t> keys) {
    const ZqInput* const k = ZqInput::getDeviceKeyboard();
    if (k == nullptr) {
        return 0;
    }
    for (const uint8_t key : keys) {
        if (const uint8_t v = (k->*read)(key)) {
            return v;
        }
    }
    return 0;
}

// The first controller whose axis lies on the asked side (negative: below 0).
int firstAxis(const AxisRead read, const uint32_t axis, const bool negative) {
    for (uint32_t n = ZqInput::DEVICE_NR_GAME_CONTROLLER; n < ZqInput::NR_DEVICES; ++n) {
        if (const ZqInput* const d = ZqInput::getDevice(n)) {
            const int16_t v = (d->*read)(axis);
            if (negative ? v < 0 : v > 0) {
                return v;
            }
        }
    }
    return 0;
}

int firstButton(const KeyRead read, const uint32_t button) {
    for (uint32_t n = ZqInput::DEVICE_NR_GAME_CONTROLLER; n < ZqInput::NR_DEVICES; ++n) {
        if (const ZqInput* const d = ZqInput::getDevice(n)) {
            if (const uint8_t v = (d->*read)(button)) {
                return v;
            }
        }
    }
    return 0;
}

// A direction: the keys' value (negated when asked), else a controller's axis.
int direction(const KeyRead keyRead, const std::initializer_list<uint8_t> keys,
              const bool negateKey, const AxisRead axisRead, const uint32_t axis,
              const bool negative) {
    if (!zqp::inputIsForeground()) {
        return 0;
    }
    if (const int v = firstKey(keyRead, keys)) {
        return negateKey ? -v : v;
    }
    return firstAxis(axisRead, axis, negative);
}

int choice(const KeyRead read, const std::initializer_list<uint8_t> keys, const uint32_t button) {
    if (!zqp::inputIsForeground()) {
        return 0;
    }
    if (const int v = firstKey(read, keys)) {
        return v;
    }
    return firstButton(read, button);
}

uint8_t keyboardRead(const KeyRead read, const uint32_t code) {
    const ZqInput* const k = ZqInput::getDeviceKeyboard();
    return k != nullptr ? (k->*read)(code) : 0;
}

uint8_t mouseRead(const KeyRead read, const uint32_t n) {
    const ZqInput* const m = ZqInput::getDeviceMouse();
    return m != nullptr ? (m->*read)(n) : 0;
}

int16_t mouseAxis(const uint32_t n) {
    const ZqInput* const m = ZqInput::getDeviceMouse();
    return m != nullptr ? m->getAxis(n) : 0;
}

// The size the game renders at, to which cursor positions are scaled.
void renderSize(uint32_t& width, uint32_t& height) {
    width = static_cast<uint32_t>(std::max(ZqGlSystem::getWidth(), 0.0f));
    height = static_cast<uint32_t>(std::max(ZqGlSystem::getHeight(), 0.0f));
}

} // namespace

uint8_t ZqInput::getKeyboardButton(const uint32_t code) {
    return keyboardRead(&ZqInput::getButton, code);
}

uint8_t ZqInput::getKeyboardButtonOn(const uint32_t code) {
    return keyboardRead(&ZqInput::getButtonOn, code);
}

uint8_t ZqInput::getKeyboardButtonOff(const uint32_t code) {
    return keyboardRead(&ZqInput::getButtonOff, code);
}

uint8_t ZqInput::getKeyboardButtonRepeat(const uint32_t code) {
    return keyboardRead(&ZqInput::getButtonRepeat, code);
}

uint8_t ZqInput::getKeyboardShiftButton() {
    return static_cast<uint8_t>(firstKey(&ZqInput::getButton, {ZqKey::LSHIFT, ZqKey::RSHIFT}));
}

uint8_t ZqInput::getKeyboardControlButton() {
    return static_cast<uint8_t>(firstKey(&ZqInput::getButton, {ZqKey::LCONTROL, ZqKey::RCONTROL}));
}

uint8_t ZqInput::getKeyboardAltButton() {
    return static_cast<uint8_t>(firstKey(&ZqInput::getButton, {ZqKey::LMENU, ZqKey::RMENU}));
}

uint8_t ZqInput::getMouseButton(const uint32_t n) {
    return mouseRead(&ZqInput::getButton, n);
}

uint8_t ZqInput::getMouseButtonOn(const uint32_t n) {
    return mouseRead(&ZqInput::getButtonOn, n);
}

uint8_t ZqInput::getMouseButtonOff(const uint32_t n) {
    return mouseRead(&ZqInput::getButtonOff, n);
}

uint8_t ZqInput::getMouseButtonRepeat(const uint32_t n) {
    return mouseRead(&ZqInput::getButtonRepeat, n);
}

int16_t ZqInput::getMouseX() {
    return mouseAxis(0);
}

int16_t ZqInput::getMouseY() {
    return mouseAxis(1);
}

int16_t ZqInput::getMouseWheel() {
    return mouseAxis(2);
}

bool ZqInput::getMouseScreenPosition(ZqPoint* const pos) {
    if (pos != nullptr) {
        *pos = m_mouseScreenPos;
    }
    return true;
}

bool ZqInput::setMouseScreenPosition(const ZqPoint* const pos) {
    return pos != nullptr && zqp::inputSetCursorPos(pos->x, pos->y);
}

bool ZqInput::setMousePosition(const ZqPoint* const pos) {
    if (pos == nullptr) {
        return false;
    }
    const int64_t x = pos->x;
    const int64_t y = pos->y;
    int32_t cx = pos->x;
    int32_t cy = pos->y;
    if (!ZqGlSystem::isFullScreen()) {
        uint32_t rw = 0;
        uint32_t rh = 0;
        renderSize(rw, rh);
        const int64_t clientW = ZqSystem::getClientWidth();
        const int64_t clientH = ZqSystem::getClientHeight();
        if (rw == 0 || rh == 0) {
            return false;
        }
        cx = static_cast<int32_t>((clientW * x + rw / 2) / rw);
        cy = static_cast<int32_t>((clientH * y + rh / 2) / rh);
        if (!zqp::inputClientToScreen(cx, cy)) {
            return false;
        }
    }
    return zqp::inputSetCursorPos(cx, cy);
}

void ZqInput::updateCursor() {
    int32_t x = 0;
    int32_t y = 0;
    zqp::inputGetCursorPos(x, y);
    m_mouseScreenPos.set(x, y);
    if (ZqGlSystem::isFullScreen()) {
        m_mousePos = m_mouseScreenPos;
        return;
    }
    const int64_t clientW = ZqSystem::getClientWidth();
    const int64_t clientH = ZqSystem::getClientHeight();
    if (clientW == 0 || clientH == 0 || !zqp::inputScreenToClient(x, y)) {
        return;
    }
    uint32_t rw = 0;
    uint32_t rh = 0;
    renderSize(rw, rh);
    m_mousePos.set(static_cast<int32_t>((rw * static_cast<int64_t>(x) + clientW / 2) / clientW),
                   static_cast<int32_t>((rh * static_cast<int64_t>(y) + clientH / 2) / clientH));
}

int ZqInput::getUp() {
    return direction(&ZqInput::getButton, {ZqKey::UP, ZqKey::NUMPAD8}, false, &ZqInput::getAxis, 1,
                     true);
}

int ZqInput::getDown() {
    return direction(&ZqInput::getButton, {ZqKey::DOWN, ZqKey::NUMPAD2}, true, &ZqInput::getAxis, 1,
                     false);
}

int ZqInput::getLeft() {
    return direction(&ZqInput::getButton, {ZqKey::LEFT, ZqKey::NUMPAD4}, false, &ZqInput::getAxis,
                     0, true);
}

int ZqInput::getRight() {
    return direction(&ZqInput::getButton, {ZqKey::RIGHT, ZqKey::NUMPAD6}, false, &ZqInput::getAxis,
                     0, false);
}

int ZqInput::getUpRepeat() {
    return direction(&ZqInput::getButtonRepeat, {ZqKey::UP, ZqKey::NUMPAD8}, false,
                     &ZqInput::getAxisRepeat, 1, true);
}

int ZqInput::getDownRepeat() {
    return direction(&ZqInput::getButtonRepeat, {ZqKey::DOWN, ZqKey::NUMPAD2}, true,
                     &ZqInput::getAxisRepeat, 1, false);
}

int ZqInput::getLeftRepeat() {
    return direction(&ZqInput::getButtonRepeat, {ZqKey::LEFT, ZqKey::NUMPAD4}, false,
                     &ZqInput::getAxisRepeat, 0, true);
}

int ZqInput::getRightRepeat() {
    return direction(&ZqInput::getButtonRepeat, {ZqKey::RIGHT, ZqKey::NUMPAD6}, false,
                     &ZqInput::getAxisRepeat, 0, false);
}

int ZqInput::getSelect() {
    return choice(&ZqInput::getButton, {ZqKey::NUMPADENTER, ZqKey::RETURN, ZqKey::SPACE}, 0);
}

int ZqInput::getCancel() {
    return choice(&ZqInput::getButton, {ZqKey::ESCAPE, ZqKey::BACK}, 1);
}

int ZqInput::getSelectOn() {
    return choice(&ZqInput::getButtonOn, {ZqKey::NUMPADENTER, ZqKey::RETURN, ZqKey::SPACE}, 0);
}

int ZqInput::getCancelOn() {
    return choice(&ZqInput::getButtonOn, {ZqKey::ESCAPE, ZqKey::BACK}, 1);
}
