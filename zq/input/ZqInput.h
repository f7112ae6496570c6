// ZqInput: the input system and the class of one input device. Eight fixed slots hold the
// keyboard (0), the mouse (1), the extension device fed by the cabinet I/O board (2) and up
// to five game controllers (3-7). A polling thread reads the devices every 5 ms and queues
// a time-stamped record for every change; once per frame the main thread takes the queue
// and applies it, so every reader of a frame sees one state with its press (on), release
// (off), held and repeat values. Not for text entry. Depends on the platform input service,
// ZqThread, ZqCriticalSection and ZqSystem's clock and window.
#pragma once

#include "zq/input/ZqDoubleBuffer.h"
#include "zq/math/ZqPoint.h"
#include "zq/platform/window/window.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ZqCriticalSection;
class ZqThread;
namespace zqp {
struct InputDevice;
struct InputState;
} // namespace zqp

class ZqInput {
public:
    enum DEVICE_NR : uint8_t {
        DEVICE_NR_KEYBOARD = 0,
        DEVICE_NR_MOUSE = 1,
        DEVICE_NR_EXTENSION = 2,
        // Slots 3 to 7 all take this form.
        DEVICE_NR_GAME_CONTROLLER = 3,
    };
    enum OBJECT_TYPE : uint8_t {
        OBJECT_TYPE_BUTTON = 0,
        OBJECT_TYPE_AXIS = 1,
        OBJECT_TYPE_POV = 2,
    };
    // A button is push or toggle; an axis absolute or relative.
    enum TYPE : uint8_t {
        TYPE_PUSH = 0,
        TYPE_TOGGLE = 1,
        TYPE_ABSOLUTE = 0,
        TYPE_RELATIVE = 1,
    };

    static constexpr uint32_t NR_DEVICES = 8;
    static constexpr uint32_t NR_QUEUE_BUF = 1024;
    static constexpr uint32_t VIDPID_KEYBOARD = 0x00010000u;
    static constexpr uint32_t VIDPID_MOUSE = 0x00020000u;
    static constexpr uint32_t VIDPID_EXTENSION = 0x00030000u;
    static constexpr uint16_t POV_CENTRED = 0xFFFF;
    static constexpr int16_t AXIS_MAX = 32767;
    static constexpr uint32_t DEFAULT_REPEAT_TIME = 300;
    static constexpr uint32_t POLL_INTERVAL_MS = 5;
    static constexpr uint32_t MAX_HID_PATH = 260;

    // One change seen by a polling thread.
    struct Buf {
        ZqInput* pDevice;
        uint32_t time;
        uint8_t objectType;
        uint8_t objectNr;
        int16_t value;
    };

    // Start-up throws 128 (buffer or platform), 129 keyboard, 130 mouse, 131 extension device,
    // 132 controller enumeration, 133 device watch. Main thread.
    static void sysInit();
    // Once per frame, after the other devices and before the tasks. Main thread.
    static void sysMain();
    // Stops the thread (rethrowing a code it ended with) and closes every device.
    static void sysQuit();

    // The device-change notice: places every controller that arrived. True when taken.
    static bool winProcDeviceChange(zqp::WParam wParam, zqp::LParam lParam);
    static void winProcMove(zqp::WParam wParam, zqp::LParam lParam);
    static void winProcMoving(zqp::WParam wParam, zqp::LParam lParam);

    // Device access. getDevice: null when slot n has no device (the extension device is
    // always present).
    static ZqInput* getDevice(uint32_t n);
    static ZqInput* getDeviceKeyboard() { return getDevice(DEVICE_NR_KEYBOARD); }
    static ZqInput* getDeviceMouse() { return getDevice(DEVICE_NR_MOUSE); }
    static bool isActive(uint32_t n);
    // Stops polling the device in slot n.
    static void inactivate(uint32_t n);
    // True in a frame in which devices went or came.
    static bool isDeviceChanged() { return m_isDeviceChanged; }
    static void setRepeatTime(uint32_t ms) { m_repeatTime = ms; }
    static uint32_t getRepeatTime() { return m_repeatTime; }

    uint8_t getDeviceNr() const { return m_deviceNr; }
    // 0 without a device.
    uint32_t getVidPid() const { return hasDevice() ? m_vidPid : 0; }
    // The next present device in slot order, and the next present one of the same VID/PID.
    ZqInput* getNext() const { return m_pNext; }
    ZqInput* getNextSameVidPid() const { return m_pNextSameVidPid; }
    // Null without a device.
    const char16_t* getProductName() const;
    const char16_t* getHidPath() const;
    uint32_t getNrButtons() const { return static_cast<uint32_t>(m_buttons.size()); }
    uint32_t getNrAxes() const { return static_cast<uint32_t>(m_axes.size()); }
    uint32_t getNrPovs() const { return static_cast<uint32_t>(m_povs.size()); }
    TYPE getButtonType(uint32_t n) const;
    TYPE getAxisType(uint32_t n) const;

    // This frame's state; 0 (POV: -1) for an object the device does not have.
    uint8_t getButton(uint32_t n) const;
    uint8_t getButtonOn(uint32_t n) const;
    uint8_t getButtonOff(uint32_t n) const;
    uint8_t getButtonRepeat(uint32_t n) const;
    int16_t getAxis(uint32_t n) const;
    int16_t getAxisOn(uint32_t n) const;
    int16_t getAxisOff(uint32_t n) const;
    int16_t getAxisRepeat(uint32_t n) const;
    // Hundredths of a degree clockwise from up, -1 centred.
    int getPov(uint32_t n) const;
    int getPovOn(uint32_t n) const;
    int getPovOff(uint32_t n) const;
    int getPovRepeat(uint32_t n) const;

    // Axis scaling in 4.12 fixed point and dead zone low <= value < high (the smaller of a, b
    // is low). Any thread.
    void setAxisMulAdd(uint32_t n, int16_t mul, int16_t add);
    void setAxisThreshold(uint32_t n, int16_t a, int16_t b);

    // Keyboard by key code (ZqKey); 0 without a keyboard.
    static uint8_t getKeyboardButton(uint32_t code);
    static uint8_t getKeyboardButtonOn(uint32_t code);
    static uint8_t getKeyboardButtonOff(uint32_t code);
    static uint8_t getKeyboardButtonRepeat(uint32_t code);
    static uint8_t getKeyboardShiftButton();
    static uint8_t getKeyboardControlButton();
    static uint8_t getKeyboardAltButton();

    // Mouse; 0 without a mouse. X, Y and wheel are this frame's movement.
    static uint8_t getMouseButton(uint32_t n);
    static uint8_t getMouseButtonOn(uint32_t n);
    static uint8_t getMouseButtonOff(uint32_t n);
    static uint8_t getMouseButtonRepeat(uint32_t n);
    static int16_t getMouseX();
    static int16_t getMouseY();
    static int16_t getMouseWheel();
    // The cursor in screen coordinates as read this frame; always true.
    static bool getMouseScreenPosition(ZqPoint* pos);
    static bool setMouseScreenPosition(const ZqPoint* pos);
    // Places the cursor at a point given in render-target coordinates.
    static bool setMousePosition(const ZqPoint* pos);

    // This frame's records.
    static uint32_t getNrQueueBufs() { return m_nrQueueBuf; }
    static uint32_t getMaxQueueBuf() { return m_maxQueueBuf; }
    // Null for i at or past getNrQueueBufs.
    static const Buf* getQueueBuf(uint32_t i);
    // Queues a record of the extension device; false when the queue is full or input is not
    // running. Any thread (the I/O board's).
    static bool pushExtensionInputData(uint32_t time, OBJECT_TYPE type, uint8_t number,
                                       int16_t value);

    // Menu shortcuts: keyboard first, then the first controller that answers; 0 unless the
    // framework's window is in front.
    static int getUp();
    static int getDown();
    static int getLeft();
    static int getRight();
    static int getSelect();
    static int getCancel();
    static int getSelectOn();
    static int getCancelOn();
    static int getUpRepeat();
    static int getDownRepeat();
    static int getLeftRepeat();
    static int getRightRepeat();

    // Frames left during which a moving window's mouse is not read.
    static uint8_t m_windowMovingCt;
    // The cursor this frame: on the screen, and in render-target coordinates.
    static ZqPoint m_mouseScreenPos;
    static ZqPoint m_mousePos;

    // Slot objects are made by sysInit only.
    struct Key {
        explicit Key() = default;
    };
    explicit ZqInput(Key);
    virtual ~ZqInput();
    ZqInput(const ZqInput&) = delete;
    ZqInput& operator=(const ZqInput&) = delete;

private:
    class InputThread;
    friend class InputThread;

    struct Button {
        uint8_t type = TYPE_PUSH;
        uint8_t last = 0;
        uint8_t value = 0;
        uint8_t held = 0;
        uint8_t on = 0;
        uint8_t off = 0;
        uint8_t repeat = 0;
    };
    struct Axis {
        int16_t type = TYPE_ABSOLUTE;
        int16_t last = 0;
        int16_t value = 0;
        int16_t held = 0;
        int16_t on = 0;
        int16_t off = 0;
        int16_t repeat = 0;
        int16_t mul = 4096;
        int16_t add = 0;
        int16_t low = -16383;
        int16_t high = 16383;
    };
    struct Pov {
        uint16_t last = POV_CENTRED;
        uint16_t value = POV_CENTRED;
        uint16_t held = POV_CENTRED;
        uint16_t on = POV_CENTRED;
        uint16_t off = POV_CENTRED;
        uint16_t repeat = POV_CENTRED;
    };

    bool hasDevice() const { return m_pDevice != nullptr || m_bExtension; }
    // Fills the slot with a device of a kind; false (and the slot left empty) on failure.
    bool create(DEVICE_NR kind, const char16_t* hidPath);
    // Closes the device and frees its state; the VID/PID and HID path stay for its return.
    void releaseDevice();
    static bool createGameController(const char16_t* hidPath);
    static void rebuildChain();
    // Polling thread: one pass over the devices.
    static void poll();
    void process(const zqp::InputState& state, uint32_t time);
    static void post(ZqInput* device, uint32_t time, uint8_t type, uint8_t number, int16_t value);
    // Frame work on the main thread.
    void startFrame();
    void apply(const Buf& record);
    void repeat(uint32_t tick);
    static void updateCursor();

    zqp::InputDevice* m_pDevice = nullptr;
    bool m_bExtension = false;
    uint32_t m_buttonRepeatTime = 0;
    uint32_t m_axisRepeatTime = 0;
    uint32_t m_povRepeatTime = 0;
    uint32_t m_vidPid = 0;
    uint32_t m_absenceCount = 1;
    bool m_bValid = false;
    bool m_bActive = true;
    uint8_t m_deviceNr = 0;
    std::vector<Button> m_buttons;
    std::vector<Axis> m_axes;
    std::vector<Pov> m_povs;
    DEVICE_NR m_kind = DEVICE_NR_KEYBOARD;
    ZqInput* m_pNext = nullptr;
    ZqInput* m_pNextSameVidPid = nullptr;
    std::u16string m_productName;
    std::u16string m_hidPath;

    static std::array<std::unique_ptr<ZqInput>, NR_DEVICES> m_vpDevices;
    static ZqInput* m_pTop;
    static std::unique_ptr<ZqDoubleBuffer<Buf>> m_pDoubleBuf;
    static uint32_t m_repeatTime;
    static std::unique_ptr<InputThread> m_pInputThread;
    static std::unique_ptr<ZqCriticalSection> m_pCs;
    static uint32_t m_nrQueueBuf;
    static uint32_t m_maxQueueBuf;
    static bool m_isDeviceChanged;
    static bool m_bDeviceChanged;
};
