// ZqSdSound::analyzeSound: the sound file's checks, in a fixed order, and the wave format
// made from a header that passes them. Sizes are compared in 64-bit arithmetic so that a
// large unit count cannot wrap a product round to the size of a small file.
#include "zq/sd/ZqSdSound.h"

#include "zq/file/ZqByteReader.h"
#include "zq/sd/ZqSdSoundFormat.h"

#include <algorithm>
#include <cstring>

uint32_t ZqSdSound::analyzeSound(const void* const header, const uint64_t size,
                                 WaveHeader* const wave) {
    if (header == nullptr || wave == nullptr || size < 4) {
        return 0;
    }
    // Only the fixed header is read; a file shorter than that reads as zeros past its end and
    // fails the size test below.
    const ZqByteReader r(header, std::min<uint64_t>(size, zqsd::HEADER_SIZE));
    const uint8_t* const magic = r.bytes(0, 4);
    if (magic == nullptr || std::memcmp(magic, zqsd::MAGIC, 4) != 0) {
        return 0;
    }
    uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0, avgBytes = 0, loopCount = 0, loopStart = 0, loopLength = 0, total = 0;
    r.u16(zqsd::OFFSET_FORMAT_TAG, tag);
    r.u16(zqsd::OFFSET_CHANNELS, channels);
    r.u32(zqsd::OFFSET_SAMPLE_RATE, rate);
    r.u32(zqsd::OFFSET_AVG_BYTES, avgBytes);
    r.u16(zqsd::OFFSET_BLOCK_ALIGN, blockAlign);
    r.u16(zqsd::OFFSET_BITS, bits);
    r.u32(zqsd::OFFSET_LOOP_COUNT, loopCount);
    r.u32(zqsd::OFFSET_LOOP_START, loopStart);
    r.u32(zqsd::OFFSET_LOOP_LENGTH, loopLength);
    r.u32(zqsd::OFFSET_TOTAL, total);

    const uint64_t units = total;
    uint64_t exact = 0;
    switch (tag) {
    case zqsd::FORMAT_PCM:
        exact = units * blockAlign + zqsd::HEADER_SIZE;
        break;
    case zqsd::FORMAT_ADPCM:
        exact = units * blockAlign + zqsd::ADPCM_HEADER_SIZE;
        break;
    case zqsd::FORMAT_WMA:
        exact = units * (blockAlign + 4ull) + zqsd::HEADER_SIZE;
        break;
    default:
        return 0;
    }
    if (size != exact) {
        return 0;
    }
    if (channels < 1 || channels > 2 || rate < zqsd::MIN_RATE || rate > zqsd::MAX_RATE) {
        return 0;
    }
    if (loopStart >= total || static_cast<uint64_t>(loopStart) + loopLength > units ||
        loopLength == 0 || loopCount > zqsd::MAX_LOOP_COUNT) {
        return 0;
    }
    switch (tag) {
    case zqsd::FORMAT_PCM:
        if (static_cast<uint32_t>(bits) * channels != blockAlign * 8u ||
            (bits != 8 && bits != 16)) {
            return 0;
        }
        break;
    case zqsd::FORMAT_ADPCM:
        if (blockAlign < zqsd::ADPCM_MIN_BLOCK_ALIGN || blockAlign > zqsd::ADPCM_MAX_BLOCK_ALIGN ||
            total < zqsd::ADPCM_MIN_BLOCK_ALIGN * channels || bits != 4) {
            return 0;
        }
        break;
    default:
        if (std::find(std::begin(zqsd::WMA_BLOCK_ALIGNS), std::end(zqsd::WMA_BLOCK_ALIGNS),
                      blockAlign) == std::end(zqsd::WMA_BLOCK_ALIGNS) ||
            loopStart != 0 || loopLength != total || bits != 16) {
            return 0;
        }
        break;
    }

    WaveHeader w;
    w.formatTag = tag;
    w.channels = channels;
    w.samplesPerSec = rate;
    w.avgBytesPerSec = avgBytes;
    w.blockAlign = blockAlign;
    w.bitsPerSample = bits;
    if (tag == zqsd::FORMAT_ADPCM) {
        w.extraSize = 32;
        w.samplesPerBlock = static_cast<uint16_t>(((blockAlign - 6u * channels) * 8u) /
                                                  (static_cast<uint32_t>(bits) * channels));
        if ((w.samplesPerBlock + 12u) * channels * 4u != blockAlign * 8u) {
            return 0;
        }
        w.nrCoefs = zqsd::ADPCM_NR_COEFS;
        *wave = w;
        return zqsd::ADPCM_HEADER_SIZE;
    }
    if (tag == zqsd::FORMAT_WMA) {
        // The data offset must fit the 32-bit result (only a file past 4 GiB fails here).
        if (zqsd::HEADER_SIZE + 4ull * total > 0xFFFFFFFFull) {
            return 0;
        }
        *wave = w;
        return static_cast<uint32_t>(zqsd::HEADER_SIZE + 4ull * total);
    }
    *wave = w;
    return zqsd::HEADER_SIZE;
}
