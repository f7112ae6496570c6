// Feeds the sound-file reader and the ADPCM decoder with arbitrary bytes: the header check, a
// load as a sound effect, a play with the file's loops rendered through the null sink, and
// every block of the data decoded as ADPCM with a block size taken from the input. Seeds:
// files that tools/sound writes (fuzz/sound_file_seeds.cmake).
#include "zq/platform/audio/audio.h"
#include "zq/sd/ZqSdSound.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool startSound() {
    zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
    ZqSdSound::sysInit();
    return true;
}

void decodeBlocks(const uint8_t* const data, const size_t size) {
    if (size < 2) {
        return;
    }
    zqp::AudioFormat f;
    f.formatTag = zqp::AUDIO_FORMAT_ADPCM;
    f.channels = static_cast<uint16_t>(1 + (data[0] & 1));
    f.blockAlign = static_cast<uint16_t>(7u * f.channels + data[1] * 4u);
    f.bitsPerSample = 4;
    f.samplesPerBlock =
        static_cast<uint16_t>(2 + (f.blockAlign - 7u * f.channels) * 2u / f.channels);
    f.nrCoefs = 7;
    std::vector<int16_t> out(static_cast<size_t>(f.samplesPerBlock) * f.channels);
    for (size_t at = 2; at < size; at += f.blockAlign) {
        const size_t n = size - at < f.blockAlign ? size - at : f.blockAlign;
        uint32_t frames = 0;
        if (zqp::audioDecodeAdpcmBlock(f, data + at, static_cast<uint32_t>(n), out.data(),
                                       frames) &&
            frames > f.samplesPerBlock) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = startSound();
    (void)started;
    ZqSdSound::WaveHeader wave;
    const uint32_t offset = ZqSdSound::analyzeSound(data, size, &wave);
    if (offset > size) {
        __builtin_trap();
    }
    if (offset != 0 && ZqSdSound::loadSe(u"f", data, static_cast<uint32_t>(size), 0, 1) == 1) {
        ZqSdSound::playSe(u"f", 0, ZqSdSound::LOOP_FILE, 0.0f);
        ZqSdSound::setSePitch(u"f", 0, 1.7f, true);
        float out[2 * 1024];
        zqp::audioRender(ZqSdSound::m_pXAudio, out, 1024);
        ZqSdSound::unloadSeGroup(0);
    }
    decodeBlocks(data, size);
    return 0;
}
