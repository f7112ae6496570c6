// The I/O board transport over hidapi (hidraw), and the choice between the real board and the
// simulated one: the real board when one is attached, else the simulation.
#include "zq/platform/hid/hid.h"
#include "zq/platform/hid/hid_sim_internal.h"
#include "zq/platform/os/utf.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

namespace zqp {
namespace {

constexpr int READ_TIMEOUT_MS = 1000;
constexpr uint32_t REAL_SETTLE_MS = 1000;
constexpr uint8_t FEATURE_STATUS = 4;
constexpr uint8_t FEATURE_CLEAR_ERRORS = 8;
constexpr uint8_t FEATURE_DRIVER_VERSION = 12;
constexpr uint32_t MAX_FEATURE = 256;

bool sameClass(const HidGuid& a, const HidGuid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

// Real boards that a reset has disabled (by path).
struct Disabled {
    std::mutex mutex;
    std::set<std::u16string> paths;
};
Disabled& disabled() {
    static Disabled d;
    return d;
}
bool isDisabled(const std::u16string& path) {
    Disabled& d = disabled();
    const std::lock_guard<std::mutex> hold(d.mutex);
    return d.paths.count(path) != 0;
}

bool startHidapi() {
    static const bool started = hid_init() == 0;
    return started;
}

// The path of the first attached board, or empty.
std::u16string firstBoardPath() {
    if (!startHidapi()) {
        return {};
    }
    hid_device_info* const list = hid_enumerate(HID_BOARD_VENDOR_ID, HID_BOARD_PRODUCT_ID);
    std::u16string path;
    if (list != nullptr && list->path != nullptr) {
        path = utf8ToUtf16(list->path);
    }
    hid_free_enumeration(list);
    return path;
}

bool boardPresent(const std::u16string& path) {
    if (!startHidapi()) {
        return false;
    }
    hid_device_info* const list = hid_enumerate(HID_BOARD_VENDOR_ID, HID_BOARD_PRODUCT_ID);
    bool found = false;
    for (const hid_device_info* i = list; i != nullptr && !found; i = i->next) {
        found = i->path != nullptr && utf8ToUtf16(i->path) == path;
    }
    hid_free_enumeration(list);
    return found;
}

hid_device* real(HidDevice* device) {
    return static_cast<hid_device*>(device->real);
}

int32_t getFeature(HidDevice* device, const uint8_t id, uint8_t* out, const uint32_t size) {
    uint8_t buffer[MAX_FEATURE + 1] = {};
    buffer[0] = id;
    const uint32_t n = std::min(size, MAX_FEATURE);
    const int got = hid_get_feature_report(real(device), buffer, n + 1);
    if (got < 1) {
        return -1;
    }
    // The report id comes back first.
    const uint32_t taken = std::min<uint32_t>(static_cast<uint32_t>(got - 1), n);
    std::memcpy(out, buffer + 1, taken);
    return static_cast<int32_t>(taken);
}

} // namespace

bool hidFind(const HidGuid& interfaceClass, std::u16string& instanceId) {
    if (!sameClass(interfaceClass, HID_BOARD_CLASS)) {
        return false;
    }
    const std::u16string path = firstBoardPath();
    if (!path.empty()) {
        instanceId = path;
        return true;
    }
    return hidsim::find(instanceId);
}

HidDevice* hidOpen(const std::u16string& instanceId) {
    if (instanceId == hidsim::INSTANCE_ID) {
        return hidsim::open();
    }
    if (!startHidapi() || isDisabled(instanceId)) {
        return nullptr;
    }
    hid_device* const device = hid_open_path(utf16ToUtf8(instanceId).c_str());
    if (device == nullptr) {
        return nullptr;
    }
    return std::make_unique<HidDevice>(HidDevice{false, device, 0, instanceId}).release();
}

void hidClose(HidDevice* const device) {
    if (device == nullptr) {
        return;
    }
    if (device->simulated) {
        hidsim::close(device);
        return;
    }
    const std::unique_ptr<HidDevice> owned(device);
    hid_close(real(device));
}

int32_t hidWrite(HidDevice* const device, const uint8_t* const data, const uint32_t size) {
    if (device == nullptr || data == nullptr) {
        return -1;
    }
    if (device->simulated) {
        return hidsim::write(device, data, size);
    }
    if (isDisabled(device->instanceId)) {
        return -1;
    }
    const int n = hid_write(real(device), data, size);
    return n < 0 ? -1 : n;
}

int32_t hidRead(HidDevice* const device, uint8_t* const data, const uint32_t size) {
    if (device == nullptr || data == nullptr) {
        return -1;
    }
    if (device->simulated) {
        return hidsim::read(device, data, size);
    }
    if (isDisabled(device->instanceId)) {
        return -1;
    }
    const int n = hid_read_timeout(real(device), data, size, READ_TIMEOUT_MS);
    return n <= 0 ? -1 : n;
}

int32_t hidControl(HidDevice* const device, const uint32_t code, const uint8_t* const in,
                   const uint32_t inSize, uint8_t* const out, const uint32_t outSize) {
    if (device == nullptr) {
        return -1;
    }
    if (device->simulated) {
        return hidsim::control(device, code, in, inSize, out, outSize);
    }
    if (isDisabled(device->instanceId)) {
        return -1;
    }
    switch (code) {
    case HID_CODE_READ_STATUS:
        return out == nullptr ? -1 : getFeature(device, FEATURE_STATUS, out, outSize);
    case HID_CODE_DRIVER_VERSION:
        return out == nullptr ? -1 : getFeature(device, FEATURE_DRIVER_VERSION, out, outSize);
    case HID_CODE_CLEAR_ERRORS: {
        const uint8_t report[1] = {FEATURE_CLEAR_ERRORS};
        return hid_send_feature_report(real(device), report, 1) < 0 ? -1 : 0;
    }
    default:
        return -1;
    }
}

bool hidSetEnabled(const std::u16string& instanceId, const bool enabled) {
    if (instanceId == hidsim::INSTANCE_ID) {
        return hidsim::setEnabled(enabled);
    }
    if (!boardPresent(instanceId)) {
        return false;
    }
    Disabled& d = disabled();
    const std::lock_guard<std::mutex> hold(d.mutex);
    if (enabled) {
        d.paths.erase(instanceId);
    } else {
        d.paths.insert(instanceId);
    }
    return true;
}

uint32_t hidSettleMs(const std::u16string& instanceId) {
    return instanceId == hidsim::INSTANCE_ID ? 0 : REAL_SETTLE_MS;
}

} // namespace zqp
