// The mixer service: the machine's own output volume, outside the audio engine. A device is
// a sound card; its speaker line is the first playback control named "Master", else "Speaker",
// else "PCM", with a raw value range and one value per channel. One device is open at a time,
// and every call runs on the main thread. With no sound card there are no devices. Tests put
// a fake backend in place of the real one (ALSA's simple mixer).
#pragma once

#include <cstdint>

namespace zqp {

// The speaker line's volume control.
struct MixerVolumeControl {
    // The control's raw bounds.
    int64_t minimum = 0;
    int64_t maximum = 0;
    // Channels of the line.
    uint32_t channels = 0;
    // Values per channel when the control has several (0 or 1: one).
    uint32_t items = 0;
    // One value sets every channel.
    bool uniform = false;
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    virtual uint32_t getDeviceCount() = 0;
    // Playback lines of the device; false when the device cannot be read.
    virtual bool getDestinationCount(uint32_t device, uint32_t& count) = 0;
    virtual bool open(uint32_t device) = 0;
    // The open device's speaker volume control; false when it has none.
    virtual bool getSpeakerVolume(MixerVolumeControl& control) = 0;
    // Sets the control: `channels` channels (1 for a uniform control) of `items` values each
    // (0: one), `values` in channel order, clamped to the control's bounds.
    virtual bool setVolumeValues(uint32_t channels, uint32_t items, const uint32_t* values) = 0;
    // Closes the open device; nothing when none is open.
    virtual void close() = 0;
};

// The backend in use: ALSA unless a test set another.
MixerBackend& mixerBackend();
// Tests: the backend to use from now on (not owned); null restores ALSA.
void mixerSetBackend(MixerBackend* backend);

} // namespace zqp
