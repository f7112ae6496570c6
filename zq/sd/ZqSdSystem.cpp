#include "zq/sd/ZqSdSystem.h"

#include "zq/platform/mixer/mixer.h"
#include "zq/sd/ZqSdSound.h"

#include <vector>

void ZqSdSystem::sysInit() {
    ZqSdSound::sysInit();
}

void ZqSdSystem::sysMain() {
    ZqSdSound::sysMain();
}

void ZqSdSystem::sysQuit() {
    ZqSdSound::sysQuit();
}

uint32_t ZqSdSystem::getNrDevices() {
    return zqp::mixerBackend().getDeviceCount();
}

bool ZqSdSystem::setMasterVolume(const uint32_t device, const float volume) {
    if (!(volume >= 0.0f && volume <= 1.0f) || device >= getNrDevices()) {
        return false;
    }
    zqp::MixerBackend& mixer = zqp::mixerBackend();
    uint32_t destinations = 0;
    if (!mixer.getDestinationCount(device, destinations) || destinations == 0) {
        return false;
    }
    if (!mixer.open(device)) {
        return false;
    }
    bool ok = false;
    zqp::MixerVolumeControl control;
    if (mixer.getSpeakerVolume(control)) {
        const bool multiple = control.items > 1;
        const uint64_t items =
            multiple ? static_cast<uint64_t>(control.channels) * control.items : control.channels;
        // Truncated toward zero, as the control takes whole steps.
        const uint32_t value =
            static_cast<uint32_t>(control.minimum) +
            static_cast<uint32_t>(static_cast<double>(control.maximum - control.minimum) * volume);
        const std::vector<uint32_t> values(items, value);
        ok = !values.empty() && mixer.setVolumeValues(control.uniform ? 1 : control.channels,
                                                      multiple ? control.items : 0, values.data());
    }
    mixer.close();
    return ok;
}
