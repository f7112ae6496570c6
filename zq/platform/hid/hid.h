// The I/O board transport: finding and opening the cabinet's USB I/O board, the raw report
// write and read, the board's control calls and the reset of a hung board. Two backends: a
// real board through hidapi (hidraw), found by its vendor and product id; and, when no board
// is attached, a simulated board in-process (hid_sim.cpp), so the game and the tests run
// without a cabinet. Not for other HID devices (controllers go through the input service).
// Depends on hidapi and the input service's key listener (the simulated board's keys).
//
// Our mapping of the board's driver onto hidapi: every report is 65 bytes both ways (byte 0
// is the report's first byte, there are no report ids); the control codes are feature
// reports: 0x222004 (input status) is feature report 4 read back with 16 bytes, 0x222008
// (clear device errors) is feature report 8 sent with no data, 0x22200C (driver version
// text) is feature report 12 read back with up to 256 bytes. A reset closes the device and
// lets the next open find it again.
#pragma once

#include <cstdint>
#include <string>

namespace zqp {

struct HidDevice;

// The interface class a device is searched by, field by field as it is written.
struct HidGuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
};

// The cabinet I/O board's interface class and its id on USB (our own numbers).
constexpr HidGuid HID_BOARD_CLASS = {
    0x8B7250A5u, 0x4F61u, 0x46C9u, {0x84, 0x3A, 0xE6, 0x68, 0x06, 0x47, 0x6A, 0x20}};
constexpr uint16_t HID_BOARD_VENDOR_ID = 0x1209;
constexpr uint16_t HID_BOARD_PRODUCT_ID = 0x4D34;
constexpr uint32_t HID_REPORT_SIZE = 65;

// Control codes of the board's driver.
constexpr uint32_t HID_CODE_READ_STATUS = 0x222004;
constexpr uint32_t HID_CODE_CLEAR_ERRORS = 0x222008;
constexpr uint32_t HID_CODE_DRIVER_VERSION = 0x22200C;

// The identity of the first present device of the class, without opening it; false when
// none is present (or the class is not the board's). Any thread.
bool hidFind(const HidGuid& interfaceClass, std::u16string& instanceId);
// Opens the present device with that identity; null when it is gone, disabled or busy.
HidDevice* hidOpen(const std::u16string& instanceId);
// Closes a device; null is ignored.
void hidClose(HidDevice* device);
// One write of a whole report; the bytes moved, or -1 on failure.
int32_t hidWrite(HidDevice* device, const uint8_t* data, uint32_t size);
// One read of up to size bytes, waiting up to a second for the board's answer; the bytes
// moved, or -1 on failure or time-out.
int32_t hidRead(HidDevice* device, uint8_t* data, uint32_t size);
// One control call; the bytes returned in out, or -1 on failure.
int32_t hidControl(HidDevice* device, uint32_t code, const uint8_t* in, uint32_t inSize,
                   uint8_t* out, uint32_t outSize);
// Disables or enables the present device with that identity (a disabled device cannot be
// opened, and its open handles fail); false when no present device has it.
bool hidSetEnabled(const std::u16string& instanceId, bool enabled);
// How long a device needs after being disabled or enabled before it can be used: a second
// for a real board, nothing for the simulated one.
uint32_t hidSettleMs(const std::u16string& instanceId);

} // namespace zqp
