// Feeds the recorded-input reader with arbitrary bytes. A recording it takes must write back
// to the same bytes (past the unread first word) through the recording writer, and replays for
// a while with the frame-time hook and every query. Seeds: recordings that tools/btn writes
// (fuzz/btn_file_seeds.cmake).
#include "dorvanex/core/input/BtnWriter.h"
#include "dorvanex/core/input/CInputRecorder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    btnfmt::Recording recording;
    if (!CInputRecorder::parse(data, size, recording)) {
        CInputRecorder refused;
        if (refused.loadFromMemory(data, size) || refused.hasRecording()) {
            __builtin_trap();
        }
        return 0;
    }
    std::vector<uint8_t> image;
    if (!btnw::build(recording, image) || image.size() != size ||
        std::memcmp(image.data() + 4, data + 4, size - 4) != 0) {
        __builtin_trap();
    }
    CInputRecorder recorder;
    if (!recorder.loadFromMemory(data, size)) {
        __builtin_trap();
    }
    recorder.startReplay();
    for (uint32_t frame = 0; frame < 64; ++frame) {
        // A real time outside the framework's range: a recorded one replaces it, held to the
        // range; once they run out it stays.
        constexpr uint32_t REAL = 5000;
        uint32_t tick = REAL;
        CInputRecorder::frameTimeHook(tick, &recorder);
        if (tick != REAL &&
            (tick < CInputRecorder::MIN_FRAME_TIME || tick > CInputRecorder::MAX_FRAME_TIME)) {
            __builtin_trap();
        }
        recorder.update(tick != REAL ? static_cast<float>(tick) : frame * 37.0f);
        for (uint32_t b = 0; b < 40; ++b) {
            const bool on = recorder.getButtonOn(b);
            const bool off = recorder.getButtonOff(b);
            if ((on && off) || (on && !recorder.getButton(b))) {
                __builtin_trap();
            }
            recorder.getButtonRepeat(b);
        }
    }
    recorder.stopReplay();
    return 0;
}
