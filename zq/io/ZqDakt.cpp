#include "zq/io/ZqDakt.h"

#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/io/ZqTicketDispenser.h"
#include "zq/platform/hid/hid.h"
#include "zq/thread/ZqThread.h"

#include <algorithm>
#include <cstring>

std::atomic<uint32_t> ZqDakt::m_bulkReadErrCt{0};
std::atomic<uint32_t> ZqDakt::m_bulkWriteErrCt{0};
std::atomic<uint32_t> ZqDakt::m_interruptErrCt{0};

namespace {

// Up to 16 bytes of UTF-8, ending at the first 0, into 16 UTF-16 units (cut when longer).
void textFrom(const uint8_t bytes[16], char16_t out[16]) {
    std::fill_n(out, ZqDaktVersion::TEXT_LENGTH, u'\0');
    const size_t n = std::find(bytes, bytes + 16, uint8_t{0}) - bytes;
    if (n == 0) {
        return;
    }
    ZqString text;
    zqUtf82Char(reinterpret_cast<const char*>(bytes), static_cast<int>(n), text);
    std::copy_n(text.begin(), std::min<size_t>(text.size(), ZqDaktVersion::TEXT_LENGTH), out);
}

} // namespace

void ZqDaktVersion::clear() {
    *this = ZqDaktVersion{};
}

void ZqDaktVersion::set(const uint8_t typeBytes[4], const uint8_t v1, const uint8_t v2,
                        const uint8_t v3, const uint8_t productBytes[4],
                        const uint8_t textBytes1[16], const uint8_t textBytes2[16]) {
    std::memcpy(type, typeBytes, 4);
    version[0] = 0;
    version[1] = v1;
    version[2] = v2;
    version[3] = v3;
    std::memcpy(productCode, productBytes, 4);
    textFrom(textBytes1, text1);
    textFrom(textBytes2, text2);
}

void ZqDaktVersion::setRecord(const uint8_t record[RECORD_SIZE]) {
    set(record, record[5], record[6], record[7], record + 8, record + 12, record + 28);
}

bool ZqDaktVersion::check(const uint32_t typeValue, const uint32_t productValue) const {
    for (uint32_t i = 0; i < 4; ++i) {
        const uint32_t shift = 24 - 8 * i;
        if (type[i] != static_cast<uint8_t>(typeValue >> shift) ||
            productCode[i] != static_cast<uint8_t>(productValue >> shift)) {
            return false;
        }
    }
    return true;
}

// The board itself is opened later, by the program.
void ZqDakt::sysInit() {
    ZqMarlox4::m_pThread = nullptr;
}

void ZqDakt::sysMain() {
    ZqMarlox4::sysMain();
    ZqLedController::sysMain();
    ZqTicketDispenser::sysMain();
}

void ZqDakt::sysQuit() {
    ZqLedController::quit();
    ZqTicketDispenser::quit();
    ZqMarlox4::quit();
}

ZqDakt::Handle ZqDakt::open(const zqp::HidGuid* const interfaceClass, const char16_t*,
                            ZqString* const instanceId) {
    if (interfaceClass == nullptr) {
        return nullptr;
    }
    ZqString found;
    if (!zqp::hidFind(*interfaceClass, found)) {
        return nullptr;
    }
    clearErrors();
    if (instanceId != nullptr) {
        *instanceId = found.substr(0, 256);
    }
    return zqp::hidOpen(found);
}

int32_t ZqDakt::bulkRead(const Handle handle, uint8_t* const buffer, const uint32_t size) {
    const int32_t n = zqp::hidRead(handle, buffer, size);
    if (n < 0) {
        ++m_bulkReadErrCt;
        return -1;
    }
    return n;
}

int32_t ZqDakt::bulkWrite(const Handle handle, const uint8_t* const buffer, const uint32_t size) {
    const int32_t n = zqp::hidWrite(handle, buffer, size);
    if (n < 0) {
        ++m_bulkWriteErrCt;
        return -1;
    }
    return n;
}

int32_t ZqDakt::interrupt(const Handle handle, const uint32_t code, const void* const in,
                          const uint32_t inSize, void* const out, const uint32_t outSize) {
    const int32_t n = zqp::hidControl(handle, code, static_cast<const uint8_t*>(in), inSize,
                                      static_cast<uint8_t*>(out), outSize);
    if (n < 0) {
        ++m_interruptErrCt;
        return -1;
    }
    if (code == IOCTL_CLEAR_ERRORS) {
        clearErrors();
    }
    return n;
}

bool ZqDakt::reset(const ZqString* const instanceId) {
    if (instanceId == nullptr || !zqp::hidSetEnabled(*instanceId, false)) {
        return false;
    }
    const uint32_t settle = zqp::hidSettleMs(*instanceId);
    ZqThread::sleep(settle);
    const bool enabled = zqp::hidSetEnabled(*instanceId, true);
    ZqThread::sleep(settle);
    return enabled;
}

void ZqDakt::clearErrors() {
    m_bulkReadErrCt = 0;
    m_bulkWriteErrCt = 0;
    m_interruptErrCt = 0;
}

void ZqDakt::close(const Handle handle) {
    if (handle != nullptr) {
        zqp::hidClose(handle);
    }
}

int32_t ZqDakt::exchange(const Handle handle, const uint8_t command, const uint8_t sequence,
                         const uint8_t* const payload, const uint32_t n, uint8_t* const reply,
                         const uint32_t expected, const bool exact) {
    if (n > MAX_PACKET_DATA || expected < 1 || expected > MAX_PACKET_DATA ||
        (n > 0 && payload == nullptr)) {
        return -1;
    }
    uint8_t report[REPORT_SIZE] = {};
    report[0] = 0xAA;
    report[1] = command;
    report[2] = static_cast<uint8_t>(sequence & 0x7F);
    report[3] = static_cast<uint8_t>(n);
    if (n > 0) {
        std::memcpy(report + 4, payload, n);
    }
    const int32_t written = bulkWrite(handle, report, REPORT_SIZE);
    if (written <= 0) {
        return -1;
    }
    if (written < static_cast<int32_t>(REPORT_SIZE)) {
        return SHORT_WRITE;
    }
    // A short read can never match these.
    uint8_t in[REPORT_SIZE] = {0xFF, 0xFE, 0xFF, 0xFF};
    const int32_t got = bulkRead(handle, in, REPORT_SIZE);
    if (got < static_cast<int32_t>(expected + 4) || in[0] != 0xAA || in[1] != command ||
        in[2] != report[2] || (exact && in[3] != expected)) {
        return BAD_REPLY;
    }
    // The open form's length is the board's word: it must fit both the report and what came.
    const uint32_t length = in[3];
    if (length > MAX_PACKET_DATA || length + 4 > static_cast<uint32_t>(got)) {
        return BAD_REPLY;
    }
    if (reply != nullptr) {
        std::memcpy(reply, in + 4, std::min(length, expected));
    }
    return static_cast<int32_t>(length);
}
