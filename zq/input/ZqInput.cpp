#include "zq/input/ZqInput.h"

#include "zq/io/ZqMarlox4.h"

#include "zq/platform/input/input.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSystem.h"
#include "zq/thread/ZqCriticalSection.h"
#include "zq/thread/ZqThread.h"

#include <algorithm>
#include <cstdlib>
#include <new>

uint8_t ZqInput::m_windowMovingCt = 0;
ZqPoint ZqInput::m_mouseScreenPos(0, 0);
ZqPoint ZqInput::m_mousePos(0, 0);
std::array<std::unique_ptr<ZqInput>, ZqInput::NR_DEVICES> ZqInput::m_vpDevices;
ZqInput* ZqInput::m_pTop = nullptr;
std::unique_ptr<ZqDoubleBuffer<ZqInput::Buf>> ZqInput::m_pDoubleBuf;
uint32_t ZqInput::m_repeatTime = ZqInput::DEFAULT_REPEAT_TIME;
std::unique_ptr<ZqInput::InputThread> ZqInput::m_pInputThread;
std::unique_ptr<ZqCriticalSection> ZqInput::m_pCs;
uint32_t ZqInput::m_nrQueueBuf = 0;
uint32_t ZqInput::m_maxQueueBuf = 0;
bool ZqInput::m_isDeviceChanged = false;
bool ZqInput::m_bDeviceChanged = false;

// Reads the devices every few milliseconds until its wake-up event is set.
class ZqInput::InputThread : public ZqThread {
public:
    void run() override {
        do {
            ZqInput::poll();
        } while (!waitEvent(POLL_INTERVAL_MS));
    }
};

namespace {

constexpr uint32_t FIRST_CONTROLLER = ZqInput::DEVICE_NR_GAME_CONTROLLER;

// Pushes of the extension device come from any thread, also while input starts or stops:
// they are taken only while this flag is set, under its lock, so none reaches a queue that
// is being made or freed.
ZqCriticalSection g_csExtensionPush;
bool g_extensionPushOpen = false;
constexpr uint32_t NR_MOVING_FRAMES = 3;

// Object counts of each kind of device.
struct Form {
    uint32_t nrButtons;
    uint32_t nrAxes;
    uint32_t nrPovs;
};
constexpr Form FORMS[] = {
    {256, 0, 0}, // keyboard
    {8, 3, 0},   // mouse
    {25, 4, 0},  // extension device
    {32, 8, 4},  // game controller
};

int16_t clampAxis(const int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -ZqInput::AXIS_MAX, ZqInput::AXIS_MAX));
}

std::u16string lowerPath(const char16_t* const path) {
    std::u16string out = path != nullptr ? path : u"";
    if (out.size() > ZqInput::MAX_HID_PATH) {
        out.resize(ZqInput::MAX_HID_PATH);
    }
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return out;
}

void collectPath(const char16_t* const path, void* const arg) {
    static_cast<std::vector<std::u16string>*>(arg)->emplace_back(path);
}

} // namespace

ZqInput::ZqInput(Key) {}

ZqInput::~ZqInput() = default;

// ---- start-up and shut-down ----

void ZqInput::sysInit() {
    try {
        m_windowMovingCt = 0;
        try {
            for (uint32_t i = 0; i < NR_DEVICES; ++i) {
                m_vpDevices[i] = std::make_unique<ZqInput>(Key{});
            }
            m_pDoubleBuf = std::make_unique<ZqDoubleBuffer<Buf>>(NR_QUEUE_BUF);
        } catch (const std::bad_alloc&) {
            throw ZqError::INPUT_START;
        }
        m_repeatTime = DEFAULT_REPEAT_TIME;
        m_bDeviceChanged = true;
        m_isDeviceChanged = false;
        m_nrQueueBuf = 0;
        m_maxQueueBuf = 0;
        m_pTop = nullptr;
        m_pCs = std::make_unique<ZqCriticalSection>();
        for (uint32_t i = 0; i < NR_DEVICES; ++i) {
            ZqInput& d = *m_vpDevices[i];
            d.m_deviceNr = static_cast<uint8_t>(i);
            d.m_absenceCount = 1;
            d.m_bActive = true;
        }

        if (!zqp::inputStart(ZqSystem::getWindowHandle())) {
            throw ZqError::INPUT_START;
        }
        if (!m_vpDevices[DEVICE_NR_KEYBOARD]->create(DEVICE_NR_KEYBOARD, nullptr)) {
            throw ZqError::INPUT_KEYBOARD;
        }
        if (!m_vpDevices[DEVICE_NR_MOUSE]->create(DEVICE_NR_MOUSE, nullptr)) {
            throw ZqError::INPUT_MOUSE;
        }
        if (!m_vpDevices[DEVICE_NR_EXTENSION]->create(DEVICE_NR_EXTENSION, nullptr)) {
            throw ZqError::INPUT_EXTENSION;
        }
        std::vector<std::u16string> paths;
        if (!zqp::inputEnumControllers(&collectPath, &paths)) {
            throw ZqError::INPUT_CONTROLLERS;
        }
        for (const std::u16string& path : paths) {
            createGameController(path.c_str());
        }

        // Device arrival reaches us through the window's device-change message, which the
        // platform service sends as soon as it has started: nothing more to register.
        m_pInputThread = std::make_unique<InputThread>();
        m_pInputThread->start();
        static const bool hooked = std::atexit(&ZqInput::stopAtExit) == 0;
        (void)hooked;
        const ZqLockGuard hold(g_csExtensionPush);
        g_extensionPushOpen = true;
    } catch (...) {
        sysQuit();
        throw;
    }
}

void ZqInput::stopAtExit() {
    {
        const ZqLockGuard hold(g_csExtensionPush);
        g_extensionPushOpen = false;
    }
    if (m_pInputThread == nullptr) {
        return;
    }
    // The thread ends at its next wake-up; one that does not is left alone.
    m_pInputThread->setEvent();
    if (m_pInputThread->join(500)) {
        m_pInputThread.reset();
    } else {
        (void)m_pInputThread.release();
        (void)m_pDoubleBuf.release();
        (void)m_pCs.release();
        for (auto& d : m_vpDevices) {
            (void)d.release();
        }
    }
}

void ZqInput::sysQuit() {
    {
        const ZqLockGuard hold(g_csExtensionPush);
        g_extensionPushOpen = false;
    }
    uint32_t code = 0;
    if (m_pInputThread != nullptr) {
        m_pInputThread->setEvent();
        m_pInputThread->join(ZqThread::INFINITE_WAIT);
        code = m_pInputThread->getErrorCode();
        m_pInputThread.reset();
    }
    for (auto& d : m_vpDevices) {
        if (d != nullptr) {
            d->releaseDevice();
        }
    }
    zqp::inputStop();
    m_pTop = nullptr;
    for (auto& d : m_vpDevices) {
        d.reset();
    }
    m_pDoubleBuf.reset();
    m_pCs.reset();
    m_nrQueueBuf = 0;
    if (code != 0) {
        throw code;
    }
}

// ---- devices ----

bool ZqInput::create(const DEVICE_NR kind, const char16_t* const hidPath) {
    zqp::InputDeviceInfo info;
    switch (kind) {
    case DEVICE_NR_KEYBOARD:
        m_pDevice = zqp::inputOpenKeyboard();
        break;
    case DEVICE_NR_MOUSE:
        m_pDevice = zqp::inputOpenMouse();
        break;
    case DEVICE_NR_EXTENSION:
        m_bExtension = true;
        break;
    case DEVICE_NR_GAME_CONTROLLER:
        m_pDevice = zqp::inputOpenController(hidPath);
        break;
    }
    if (!hasDevice() || (m_pDevice != nullptr && !zqp::inputGetInfo(m_pDevice, info))) {
        zqp::inputClose(m_pDevice);
        m_pDevice = nullptr;
        return false;
    }

    const Form& form = FORMS[kind];
    try {
        m_buttons.assign(form.nrButtons, Button{});
        m_axes.assign(form.nrAxes, Axis{});
        m_povs.assign(form.nrPovs, Pov{});
    } catch (const std::bad_alloc&) {
        releaseDevice();
        throw ZqError::INPUT_START;
    }
    for (uint32_t i = 0; i < form.nrAxes; ++i) {
        if (i < 32 && (info.relativeAxes & (1u << i)) != 0) {
            m_axes[i].type = TYPE_RELATIVE;
            m_axes[i].low = 0;
            m_axes[i].high = 0;
        }
    }
    m_kind = kind;
    m_buttonRepeatTime = 0;
    m_axisRepeatTime = 0;
    m_povRepeatTime = 0;
    switch (kind) {
    case DEVICE_NR_KEYBOARD:
        m_vidPid = VIDPID_KEYBOARD;
        m_productName = info.productName;
        break;
    case DEVICE_NR_MOUSE:
        m_vidPid = VIDPID_MOUSE;
        m_productName = info.productName;
        break;
    case DEVICE_NR_EXTENSION:
        m_vidPid = VIDPID_EXTENSION;
        m_productName = u"Extension Device";
        break;
    case DEVICE_NR_GAME_CONTROLLER:
        m_vidPid = info.vidPid;
        m_productName = info.productName;
        m_hidPath = lowerPath(info.path.c_str());
        break;
    }
    m_bValid = true;
    return true;
}

void ZqInput::releaseDevice() {
    zqp::inputClose(m_pDevice);
    m_pDevice = nullptr;
    m_bExtension = false;
    m_bValid = false;
    m_buttons.clear();
    m_buttons.shrink_to_fit();
    m_axes.clear();
    m_axes.shrink_to_fit();
    m_povs.clear();
    m_povs.shrink_to_fit();
    m_productName.clear();
}

bool ZqInput::createGameController(const char16_t* const hidPath) {
    const std::u16string path = lowerPath(hidPath);
    ZqInput* slot = nullptr;
    // Back to the slot it had before when it is plugged in the same place again; else a slot
    // that never held a controller; else the one empty for the most frames.
    if (!path.empty()) {
        for (uint32_t i = FIRST_CONTROLLER; i < NR_DEVICES && slot == nullptr; ++i) {
            ZqInput* const d = m_vpDevices[i].get();
            if (!d->hasDevice() && d->m_hidPath == path) {
                slot = d;
            }
        }
    }
    for (uint32_t i = FIRST_CONTROLLER; i < NR_DEVICES && slot == nullptr; ++i) {
        ZqInput* const d = m_vpDevices[i].get();
        if (!d->hasDevice() && d->m_vidPid == 0) {
            slot = d;
        }
    }
    if (slot == nullptr) {
        for (uint32_t i = FIRST_CONTROLLER; i < NR_DEVICES; ++i) {
            ZqInput* const d = m_vpDevices[i].get();
            if (!d->hasDevice() && (slot == nullptr || d->m_absenceCount > slot->m_absenceCount)) {
                slot = d;
            }
        }
        if (slot == nullptr) {
            return false;
        }
    }
    return slot->create(DEVICE_NR_GAME_CONTROLLER, hidPath);
}

void ZqInput::rebuildChain() {
    m_pTop = nullptr;
    ZqInput* last = nullptr;
    for (const auto& p : m_vpDevices) {
        ZqInput* const d = p.get();
        d->m_pNext = nullptr;
        d->m_pNextSameVidPid = nullptr;
        if (!d->hasDevice()) {
            ++d->m_absenceCount;
            continue;
        }
        if (last == nullptr) {
            m_pTop = d;
        } else {
            last->m_pNext = d;
        }
        last = d;
    }
    for (ZqInput* d = m_pTop; d != nullptr; d = d->m_pNext) {
        if (d->m_deviceNr < DEVICE_NR_EXTENSION) {
            continue;
        }
        for (ZqInput* e = d->m_pNext; e != nullptr; e = e->m_pNext) {
            if (e->m_vidPid == d->m_vidPid) {
                d->m_pNextSameVidPid = e;
                break;
            }
        }
    }
}

bool ZqInput::winProcDeviceChange(const zqp::WParam wParam, zqp::LParam) {
    // The window hears one kind of notice, for arrivals and removals alike, and never a query
    // to deny: the notice is taken (true) and every controller that arrived is placed.
    // Removals show as lost devices on the polling thread.
    if (wParam != zqp::DEVICECHANGE_NODES_CHANGED) {
        return false;
    }
    if (m_pCs == nullptr) {
        return true;
    }
    std::u16string path;
    while (zqp::inputTakeArrival(path)) {
        const ZqLockGuard hold(*m_pCs);
        if (createGameController(path.c_str())) {
            m_bDeviceChanged = true;
        }
    }
    return true;
}

void ZqInput::winProcMove(zqp::WParam, zqp::LParam) {
    if (m_pCs != nullptr) {
        const ZqLockGuard hold(*m_pCs);
        m_windowMovingCt = NR_MOVING_FRAMES;
    } else {
        m_windowMovingCt = NR_MOVING_FRAMES;
    }
}

void ZqInput::winProcMoving(const zqp::WParam wParam, const zqp::LParam lParam) {
    winProcMove(wParam, lParam);
}

// ---- polling thread ----

void ZqInput::poll() {
    const uint32_t time = ZqSystem::getTime();
    zqp::InputState state;
    const ZqLockGuard hold(*m_pCs);

    ZqInput* const keyboard = m_vpDevices[DEVICE_NR_KEYBOARD].get();
    if (keyboard->m_pDevice != nullptr && keyboard->m_bActive) {
        const zqp::InputResult r = zqp::inputRead(keyboard->m_pDevice, state);
        if (r == zqp::InputResult::Ok) {
            keyboard->process(state, time);
        }
    }
    ZqInput* const mouse = m_vpDevices[DEVICE_NR_MOUSE].get();
    if (mouse->m_pDevice != nullptr && mouse->m_bActive) {
        // Reading drops the movement made while the window was being dragged.
        const zqp::InputResult r = zqp::inputRead(mouse->m_pDevice, state);
        if (r == zqp::InputResult::Ok && m_windowMovingCt == 0) {
            mouse->process(state, time);
        }
    }
    for (ZqInput* d = m_pTop; d != nullptr; d = d->m_pNext) {
        if (d->m_kind != DEVICE_NR_GAME_CONTROLLER || d->m_pDevice == nullptr || !d->m_bActive ||
            !d->m_bValid) {
            continue;
        }
        state = zqp::InputState{};
        switch (zqp::inputRead(d->m_pDevice, state)) {
        case zqp::InputResult::Ok:
            d->process(state, time);
            break;
        case zqp::InputResult::NotAcquired:
            // Released as far as the game can tell: zero state, POVs centred.
            d->process(zqp::InputState{}, time);
            break;
        case zqp::InputResult::Lost:
            d->m_bValid = false;
            break;
        }
    }
}

void ZqInput::process(const zqp::InputState& state, const uint32_t time) {
    for (uint32_t i = 0; i < m_buttons.size(); ++i) {
        Button& b = m_buttons[i];
        const uint8_t v = state.buttons[i];
        if (v != b.last) {
            b.last = v;
            post(this, time, OBJECT_TYPE_BUTTON, static_cast<uint8_t>(i), v);
        }
    }
    for (uint32_t i = 0; i < m_axes.size(); ++i) {
        Axis& a = m_axes[i];
        const int64_t scaled = ((static_cast<int64_t>(a.mul) * state.axes[i]) >> 12) + a.add;
        int16_t v = clampAxis(scaled);
        if (a.low <= v && v < a.high) {
            v = 0;
        }
        // A movement is news even when it equals the previous one.
        const bool changed = a.type == TYPE_RELATIVE ? v != 0 : v != a.last;
        if (changed) {
            a.last = v;
            post(this, time, OBJECT_TYPE_AXIS, static_cast<uint8_t>(i), v);
        }
    }
    for (uint32_t i = 0; i < m_povs.size(); ++i) {
        Pov& p = m_povs[i];
        const uint32_t raw = state.povs[i];
        const uint16_t v = raw >= 36000 ? POV_CENTRED : static_cast<uint16_t>(raw);
        if (v != p.last) {
            p.last = v;
            post(this, time, OBJECT_TYPE_POV, static_cast<uint8_t>(i), static_cast<int16_t>(v));
        }
    }
}

void ZqInput::post(ZqInput* const device, const uint32_t time, const uint8_t type,
                   const uint8_t number, const int16_t value) {
    // A full queue drops the record: the frame is far behind and catches up from later ones.
    m_pDoubleBuf->push(Buf{device, time, type, number, value});
}

bool ZqInput::pushExtensionInputData(const uint32_t time, const OBJECT_TYPE type,
                                     const uint8_t number, const int16_t value) {
    const ZqLockGuard hold(g_csExtensionPush);
    if (!g_extensionPushOpen || m_pDoubleBuf == nullptr) {
        return false;
    }
    return m_pDoubleBuf->push(Buf{m_vpDevices[DEVICE_NR_EXTENSION].get(), time,
                                  static_cast<uint8_t>(type), number, value});
}

// ---- frame ----

void ZqInput::sysMain() {
    if (m_pCs == nullptr) {
        return;
    }
    {
        const ZqLockGuard hold(*m_pCs);
        m_isDeviceChanged = false;
        for (uint32_t i = FIRST_CONTROLLER; i < NR_DEVICES; ++i) {
            ZqInput& d = *m_vpDevices[i];
            if (d.hasDevice() && !d.m_bValid) {
                d.releaseDevice();
                d.m_absenceCount = 1;
                m_bDeviceChanged = true;
            }
        }
        if (m_bDeviceChanged) {
            rebuildChain();
            m_bDeviceChanged = false;
            m_isDeviceChanged = true;
        }
    }

    m_nrQueueBuf = m_pDoubleBuf->swap();
    m_maxQueueBuf = std::max(m_maxQueueBuf, m_nrQueueBuf);

    for (ZqInput* d = m_pTop; d != nullptr; d = d->m_pNext) {
        d->startFrame();
    }
    for (uint32_t i = 0; i < m_nrQueueBuf; ++i) {
        const Buf& record = *m_pDoubleBuf->getRead(i);
        if (record.pDevice != nullptr && record.pDevice->hasDevice()) {
            record.pDevice->apply(record);
        }
    }
    const uint32_t tick = ZqSystem::getTimeTick();
    for (ZqInput* d = m_pTop; d != nullptr; d = d->m_pNext) {
        d->repeat(tick);
    }

    updateCursor();

    const ZqLockGuard hold(*m_pCs);
    if (m_windowMovingCt > 0) {
        --m_windowMovingCt;
    }
}

void ZqInput::startFrame() {
    for (Button& b : m_buttons) {
        b.on = 0;
        b.off = 0;
    }
    for (Axis& a : m_axes) {
        a.on = 0;
        a.off = 0;
        if (a.type == TYPE_RELATIVE) {
            a.value = 0;
            a.held = 0;
        }
    }
    for (Pov& p : m_povs) {
        p.on = POV_CENTRED;
        p.off = POV_CENTRED;
    }
}

void ZqInput::apply(const Buf& record) {
    switch (record.objectType) {
    case OBJECT_TYPE_BUTTON: {
        if (record.objectNr >= m_buttons.size()) {
            return;
        }
        Button& b = m_buttons[record.objectNr];
        const uint8_t v = static_cast<uint8_t>(std::clamp<int>(record.value, 0, 0xFF));
        if (b.value != 0) {
            b.held = v;
            if (v == 0) {
                b.off = b.value;
            }
        } else if (v != 0) {
            b.on = v;
            b.held = v;
        }
        b.value = v;
        break;
    }
    case OBJECT_TYPE_AXIS: {
        if (record.objectNr >= m_axes.size()) {
            return;
        }
        Axis& a = m_axes[record.objectNr];
        const int16_t v = a.type == TYPE_RELATIVE
                              ? clampAxis(static_cast<int64_t>(a.value) + record.value)
                              : clampAxis(record.value);
        if (a.value != 0) {
            a.held = v;
            if (v == 0) {
                a.off = a.value;
            }
        } else if (v != 0) {
            a.on = v;
            a.held = v;
        }
        a.value = v;
        break;
    }
    case OBJECT_TYPE_POV: {
        if (record.objectNr >= m_povs.size()) {
            return;
        }
        Pov& p = m_povs[record.objectNr];
        const uint16_t raw = static_cast<uint16_t>(record.value);
        const uint16_t v = raw >= 36000 ? POV_CENTRED : raw;
        if (p.value != POV_CENTRED) {
            p.held = v;
            if (v == POV_CENTRED) {
                p.off = p.value;
            }
        } else if (v != p.value) {
            p.on = v;
            p.held = v;
        }
        p.value = v;
        break;
    }
    default:
        break;
    }
}

void ZqInput::repeat(const uint32_t tick) {
    // One timer per class of object: buttons repeat once the device's buttons have been held
    // for the repeat time, counting every held button.
    for (Button& b : m_buttons) {
        if (b.held != 0) {
            if (m_buttonRepeatTime < m_repeatTime) {
                m_buttonRepeatTime += tick;
                b.repeat = b.on;
            } else {
                b.repeat = b.held;
            }
        } else {
            b.repeat = 0;
        }
        if (b.on != 0) {
            m_buttonRepeatTime = 0;
        }
    }
    for (Axis& a : m_axes) {
        if (a.held != 0) {
            if (m_axisRepeatTime <= m_repeatTime) {
                m_axisRepeatTime += tick;
                a.repeat = a.on;
            } else {
                a.repeat = a.held;
            }
        } else {
            a.repeat = 0;
        }
        if (a.on != 0) {
            m_axisRepeatTime = 0;
        }
    }
    for (Pov& p : m_povs) {
        if (p.held != POV_CENTRED) {
            if (m_povRepeatTime <= m_repeatTime) {
                m_povRepeatTime += tick;
                p.repeat = p.on;
            } else {
                p.repeat = p.held;
            }
        } else {
            p.repeat = POV_CENTRED;
        }
        if (p.on != POV_CENTRED) {
            m_povRepeatTime = 0;
        }
    }
}

// ---- accessors ----

ZqInput* ZqInput::getDevice(const uint32_t n) {
    if (n >= NR_DEVICES || m_vpDevices[n] == nullptr || !m_vpDevices[n]->hasDevice()) {
        return nullptr;
    }
    return m_vpDevices[n].get();
}

bool ZqInput::isActive(const uint32_t n) {
    return n < NR_DEVICES && m_vpDevices[n] != nullptr && m_vpDevices[n]->m_bActive;
}

void ZqInput::inactivate(const uint32_t n) {
    if (n < NR_DEVICES && m_vpDevices[n] != nullptr && m_pCs != nullptr) {
        const ZqLockGuard hold(*m_pCs);
        m_vpDevices[n]->m_bActive = false;
    }
}

const char16_t* ZqInput::getProductName() const {
    return hasDevice() ? m_productName.c_str() : nullptr;
}

const char16_t* ZqInput::getHidPath() const {
    return hasDevice() ? m_hidPath.c_str() : nullptr;
}

ZqInput::TYPE ZqInput::getButtonType(const uint32_t n) const {
    return n < m_buttons.size() ? static_cast<TYPE>(m_buttons[n].type) : TYPE_PUSH;
}

ZqInput::TYPE ZqInput::getAxisType(const uint32_t n) const {
    return n < m_axes.size() ? static_cast<TYPE>(m_axes[n].type) : TYPE_ABSOLUTE;
}

uint8_t ZqInput::getButton(const uint32_t n) const {
    return n < m_buttons.size() ? m_buttons[n].held : 0;
}

uint8_t ZqInput::getButtonOn(const uint32_t n) const {
    return n < m_buttons.size() ? m_buttons[n].on : 0;
}

uint8_t ZqInput::getButtonOff(const uint32_t n) const {
    return n < m_buttons.size() ? m_buttons[n].off : 0;
}

uint8_t ZqInput::getButtonRepeat(const uint32_t n) const {
    return n < m_buttons.size() ? m_buttons[n].repeat : 0;
}

int16_t ZqInput::getAxis(const uint32_t n) const {
    return n < m_axes.size() ? m_axes[n].held : 0;
}

int16_t ZqInput::getAxisOn(const uint32_t n) const {
    return n < m_axes.size() ? m_axes[n].on : 0;
}

int16_t ZqInput::getAxisOff(const uint32_t n) const {
    return n < m_axes.size() ? m_axes[n].off : 0;
}

int16_t ZqInput::getAxisRepeat(const uint32_t n) const {
    return n < m_axes.size() ? m_axes[n].repeat : 0;
}

namespace {
int povValue(const uint16_t v) {
    return v == ZqInput::POV_CENTRED ? -1 : static_cast<int>(v);
}
} // namespace

int ZqInput::getPov(const uint32_t n) const {
    return n < m_povs.size() ? povValue(m_povs[n].held) : -1;
}

int ZqInput::getPovOn(const uint32_t n) const {
    return n < m_povs.size() ? povValue(m_povs[n].on) : -1;
}

int ZqInput::getPovOff(const uint32_t n) const {
    return n < m_povs.size() ? povValue(m_povs[n].off) : -1;
}

int ZqInput::getPovRepeat(const uint32_t n) const {
    return n < m_povs.size() ? povValue(m_povs[n].repeat) : -1;
}

void ZqInput::setAxisMulAdd(const uint32_t n, const int16_t mul, const int16_t add) {
    // The extension device's axes are scaled by the I/O board itself.
    if (m_vidPid == VIDPID_EXTENSION) {
        ZqMarlox4::setAnalogMulAdd(n, mul, add);
        return;
    }
    if (n >= m_axes.size() || m_pCs == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCs);
    m_axes[n].mul = mul;
    m_axes[n].add = add;
}

void ZqInput::setAxisThreshold(const uint32_t n, const int16_t a, const int16_t b) {
    if (m_vidPid == VIDPID_EXTENSION) {
        ZqMarlox4::setAnalogThreshold(n, a, b);
        return;
    }
    if (n >= m_axes.size() || m_pCs == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCs);
    m_axes[n].low = std::min(a, b);
    m_axes[n].high = std::max(a, b);
}

const ZqInput::Buf* ZqInput::getQueueBuf(const uint32_t i) {
    return m_pDoubleBuf != nullptr && i < m_nrQueueBuf ? m_pDoubleBuf->getRead(i) : nullptr;
}
