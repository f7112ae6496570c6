// The sound writer: makes sound files ("ZQSD", zq/sd/ZqSdSoundFormat.h) from 16-bit samples
// read from a WAV file or generated as a tone, in 8/16-bit PCM, Microsoft ADPCM (our own
// encoder) or xWMA (libavcodec's WMA version 2 encoder), with a loop region. The tests, the
// fuzz seeds and the game's data set are made with it. Plain C++ plus libavcodec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqsdw {

// Interleaved 16-bit samples.
struct Pcm {
    uint32_t sampleRate = 44100;
    uint16_t channels = 1;
    std::vector<int16_t> samples;
    uint32_t frames() const { return channels != 0 ? samples.size() / channels : 0; }
};

// A sine tone; stereo gets the same tone on both channels, the right one at half amplitude.
Pcm makeTone(double frequency, double seconds, uint32_t sampleRate, uint16_t channels,
             double amplitude = 0.5);
// A WAV file's 8- or 16-bit PCM samples; false (with a reason) for anything else.
bool readWav(const std::vector<uint8_t>& bytes, Pcm& out, std::string& error);

enum class Encoding : uint8_t { PCM8, PCM16, ADPCM, WMA };

struct Options {
    Encoding encoding = Encoding::PCM16;
    // How often the loop region repeats when played as the file says (255: endlessly).
    uint32_t loopCount = 0;
    // Loop region in sample frames of the input; length 0 runs to the end. ADPCM rounds it
    // out to whole blocks; xWMA always loops the whole sound.
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    // ADPCM block size in bytes (0: 512 per channel); xWMA packet size (929, 1487 or 2230).
    uint16_t blockAlign = 0;
};

// The whole file; false with a reason when the input or the options cannot be written.
bool writeSound(const Pcm& pcm, const Options& options, std::vector<uint8_t>& out,
                std::string& error);

// The ADPCM blocks of a whole input (the last block padded with silence), as the file holds
// them; blockAlign must suit the channel count. Exposed for the decoder's tests.
std::vector<uint8_t> encodeAdpcm(const Pcm& pcm, uint16_t blockAlign);
// Frames in one ADPCM block of that size.
uint32_t adpcmSamplesPerBlock(uint16_t blockAlign, uint16_t channels);

} // namespace zqsdw
