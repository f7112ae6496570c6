// ZqDakt: the lowest layer over the cabinet's USB I/O board: finding and opening the board,
// the raw read, write and control calls with their error counters, the reset of a hung board,
// and the fixed 65-byte report exchange every board command uses; also the I/O group's
// start, per-frame work and stop (board, LED controller, ticket dispenser). ZqDaktVersion is
// the version record the board and its serial nodes report. Static members only; the board
// thread (ZqMarlox4) is the only caller of the exchange. Depends on the platform's hid
// transport.
#pragma once

#include "zq/system/ZqString.h"

#include <atomic>
#include <cstdint>

namespace zqp {
struct HidDevice;
struct HidGuid;
} // namespace zqp

struct ZqDaktVersion {
    static constexpr uint32_t RECORD_SIZE = 44;
    static constexpr uint32_t TEXT_LENGTH = 16;

    uint8_t type[4] = {};
    // Byte 0 is always 0; bytes 1-3 are the three version numbers.
    uint8_t version[4] = {};
    uint8_t productCode[4] = {};
    // From 16 bytes of UTF-8; not terminated when all 16 are used.
    char16_t text1[TEXT_LENGTH] = {};
    char16_t text2[TEXT_LENGTH] = {};

    ZqDaktVersion() = default;
    void clear();
    void set(const uint8_t typeBytes[4], uint8_t v1, uint8_t v2, uint8_t v3,
             const uint8_t productBytes[4], const uint8_t textBytes1[16],
             const uint8_t textBytes2[16]);
    // The 44-byte record as the board and the nodes send it.
    void setRecord(const uint8_t record[RECORD_SIZE]);
    // True when the type bytes and product-code bytes equal the constants taken high byte
    // first (type 0x0B000000 matches the bytes 0B 00 00 00).
    bool check(uint32_t typeValue, uint32_t productValue) const;
};

class ZqDakt {
public:
    using Handle = zqp::HidDevice*;

    static constexpr uint32_t REPORT_SIZE = 65;
    static constexpr uint32_t MAX_PACKET_DATA = 60;
    // Driver control codes.
    static constexpr uint32_t IOCTL_READ_STATUS = 0x222004;
    static constexpr uint32_t IOCTL_CLEAR_ERRORS = 0x222008;
    static constexpr uint32_t IOCTL_DRIVER_VERSION = 0x22200C;
    // Results of the exchange besides -1 (refused or failed write).
    static constexpr int32_t SHORT_WRITE = -4;
    static constexpr int32_t BAD_REPLY = -5;

    ZqDakt() = default;
    virtual ~ZqDakt() = default;

    // The I/O group: start-up clears the board thread's pointer, the frame runs board, LED
    // controller and ticket dispenser, the stop stops them in reverse.
    static void sysInit();
    static void sysMain();
    static void sysQuit();

    // Opens the first present device of the interface class and stores its instance id; null
    // when none is present or it cannot be opened. The name of the file under the interface
    // is the board's ("m3io"); our transport opens the board itself. Every successful search
    // zeroes the error counters.
    static Handle open(const zqp::HidGuid* interfaceClass, const char16_t* name,
                       ZqString* instanceId);
    // The bytes moved, or -1 with the matching counter incremented.
    static int32_t bulkRead(Handle handle, uint8_t* buffer, uint32_t size);
    static int32_t bulkWrite(Handle handle, const uint8_t* buffer, uint32_t size);
    // One control call: the bytes returned, or -1 with the control counter incremented. A
    // good clear-device-errors call also zeroes the counters.
    static int32_t interrupt(Handle handle, uint32_t code, const void* in, uint32_t inSize,
                             void* out, uint32_t outSize);
    // Disables and enables again the present device with that instance id; false when none
    // has it or it cannot be disabled.
    static bool reset(const ZqString* instanceId);
    static void clearErrors();
    static void close(Handle handle);

    // One report exchange: the reply's payload length (payload copied to reply, at most
    // `expected` bytes), -1 for a refused request or a failed write, SHORT_WRITE, or
    // BAD_REPLY. With `exact` the reply must carry exactly `expected` bytes.
    static int32_t exchange(Handle handle, uint8_t command, uint8_t sequence,
                            const uint8_t* payload, uint32_t n, uint8_t* reply, uint32_t expected,
                            bool exact);

    static uint32_t getNrBulkReadErrors() { return m_bulkReadErrCt; }
    static uint32_t getNrBulkWriteErrors() { return m_bulkWriteErrCt; }
    static uint32_t getNrInterruptErrors() { return m_interruptErrCt; }

    // Written by the board thread, read anywhere.
    static std::atomic<uint32_t> m_bulkReadErrCt;
    static std::atomic<uint32_t> m_bulkWriteErrCt;
    static std::atomic<uint32_t> m_interruptErrCt;
};
