// The sound file's checks: the rows of the format's rules, sizes and loop regions whose
// products or sums wrap in 32 bits, and every file the writer makes.
#include "zq/sd/ZqSdSound.h"

#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/sd/ZqSdSoundFormat.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Fields {
    uint16_t tag = zqsd::FORMAT_PCM;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t blockAlign = 4;
    uint16_t bits = 16;
    uint32_t loopCount = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 1000;
    uint32_t total = 1000;
};

std::vector<uint8_t> header(const Fields& f) {
    ZqByteWriter w;
    w.bytes(zqsd::MAGIC, 4);
    w.u16(f.tag);
    w.u16(f.channels);
    w.u32(f.rate);
    w.u32(f.rate * f.blockAlign);
    w.u16(f.blockAlign);
    w.u16(f.bits);
    w.u32(f.loopCount);
    w.u32(f.loopStart);
    w.u32(f.loopLength);
    w.u32(f.total);
    return w.take();
}

uint64_t exactSize(const Fields& f) {
    const uint64_t units = f.total;
    switch (f.tag) {
    case zqsd::FORMAT_ADPCM:
        return units * f.blockAlign + 64;
    case zqsd::FORMAT_WMA:
        return units * (f.blockAlign + 4ull) + 36;
    default:
        return units * f.blockAlign + 36;
    }
}

Fields adpcm(const uint16_t channels, const uint16_t blockAlign) {
    Fields f;
    f.tag = zqsd::FORMAT_ADPCM;
    f.channels = channels;
    f.blockAlign = blockAlign;
    f.bits = 4;
    f.total = 100;
    f.loopLength = 100;
    return f;
}

Fields wma(const uint16_t blockAlign) {
    Fields f;
    f.tag = zqsd::FORMAT_WMA;
    f.blockAlign = blockAlign;
    f.total = 50;
    f.loopLength = 50;
    return f;
}

TEST(AnalyzeSound, FollowsTheRulesOfEachFormat) {
    struct Row {
        int line;
        Fields f;
        int64_t sizeDelta; // added to the exact size
        uint32_t expect;
        uint16_t samplesPerBlock;
    };
    auto with = [](Fields f, auto change) {
        change(f);
        return f;
    };
    const Fields pcm;
    const Row rows[] = {
        {__LINE__, pcm, 0, 36, 0},
        {__LINE__, pcm, 1, 0, 0},
        {__LINE__, pcm, -1, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.loopLength = 0; }), 0, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.loopCount = 256; }), 0, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.loopCount = 255; }), 0, 36, 0},
        {__LINE__,
         with(pcm,
              [](Fields& f) {
                  f.loopStart = 1000;
                  f.loopLength = 1;
              }),
         0, 0, 0},
        {__LINE__,
         with(pcm,
              [](Fields& f) {
                  f.loopStart = 500;
                  f.loopLength = 501;
              }),
         0, 0, 0},
        {__LINE__,
         with(pcm,
              [](Fields& f) {
                  f.loopStart = 500;
                  f.loopLength = 500;
              }),
         0, 36, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.rate = 999; }), 0, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.rate = 50001; }), 0, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.rate = 1000; }), 0, 36, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.rate = 50000; }), 0, 36, 0},
        {__LINE__,
         with(pcm,
              [](Fields& f) {
                  f.channels = 3;
                  f.blockAlign = 6;
              }),
         0, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.bits = 8; }), 0, 0, 0},
        {__LINE__,
         with(pcm,
              [](Fields& f) {
                  f.bits = 8;
                  f.blockAlign = 2;
              }),
         0, 36, 0},
        {__LINE__,
         with(pcm,
              [](Fields& f) {
                  f.bits = 24;
                  f.blockAlign = 6;
              }),
         0, 0, 0},
        {__LINE__, with(pcm, [](Fields& f) { f.tag = 3; }), 0, 0, 0},
        {__LINE__, adpcm(1, 512), 0, 64, 1012},
        {__LINE__, adpcm(2, 1024), 0, 64, 1012},
        {__LINE__, adpcm(1, 21), 0, 0, 0},
        {__LINE__, adpcm(1, 4097), 0, 0, 0},
        {__LINE__, with(adpcm(1, 512), [](Fields& f) { f.bits = 3; }), 0, 0, 0},
        {__LINE__, with(adpcm(1, 512), [](Fields& f) { f.total = f.loopLength = 21; }), 0, 0, 0},
        {__LINE__, with(adpcm(2, 1024), [](Fields& f) { f.total = f.loopLength = 43; }), 0, 0, 0},
        {__LINE__, with(adpcm(2, 1024), [](Fields& f) { f.total = f.loopLength = 44; }), 0, 64,
         1012},
        {__LINE__, wma(929), 0, 36 + 4 * 50, 0},
        {__LINE__, wma(1487), 0, 36 + 4 * 50, 0},
        {__LINE__, wma(2230), 0, 36 + 4 * 50, 0},
        {__LINE__, wma(1280), 0, 0, 0},
        {__LINE__,
         with(wma(929),
              [](Fields& f) {
                  f.loopStart = 1;
                  f.loopLength = 49;
              }),
         0, 0, 0},
        {__LINE__, with(wma(929), [](Fields& f) { f.loopLength = 49; }), 0, 0, 0},
        {__LINE__, with(wma(929), [](Fields& f) { f.bits = 8; }), 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        const std::vector<uint8_t> h = header(r.f);
        ZqSdSound::WaveHeader wave;
        const uint64_t size = exactSize(r.f) + r.sizeDelta;
        EXPECT_EQ(ZqSdSound::analyzeSound(h.data(), size, &wave), r.expect);
        if (r.expect != 0) {
            EXPECT_EQ(wave.formatTag, r.f.tag);
            EXPECT_EQ(wave.channels, r.f.channels);
            EXPECT_EQ(wave.samplesPerSec, r.f.rate);
            EXPECT_EQ(wave.blockAlign, r.f.blockAlign);
            EXPECT_EQ(wave.samplesPerBlock, r.samplesPerBlock);
            EXPECT_EQ(wave.extraSize, r.f.tag == zqsd::FORMAT_ADPCM ? 32 : 0);
        }
    }
}

TEST(AnalyzeSound, RefusesSizesAndLoopsThatOnlyFitBy32BitWrapAround) {
    ZqSdSound::WaveHeader wave;
    // 2^30 frames of 4 bytes: the data size 2^32 wraps to 0, so a bare header "fits".
    Fields big;
    big.total = 0x40000000u;
    big.loopLength = 1;
    std::vector<uint8_t> h = header(big);
    EXPECT_EQ(ZqSdSound::analyzeSound(h.data(), 36, &wave), 0u);
    EXPECT_EQ(ZqSdSound::analyzeSound(h.data(), (1ull << 32) + 36, &wave), 36u);

    Fields adp = adpcm(1, 512);
    adp.total = 0x800000u;
    adp.loopLength = 1;
    h = header(adp);
    EXPECT_EQ(ZqSdSound::analyzeSound(h.data(), 64, &wave), 0u);

    // Loop start + loop length wraps past 2^32 to a small number.
    Fields loop;
    loop.loopStart = 10;
    loop.loopLength = 0xFFFFFFF8u;
    h = header(loop);
    EXPECT_EQ(ZqSdSound::analyzeSound(h.data(), exactSize(loop), &wave), 0u);

    // Short or foreign files.
    const uint8_t tiny[4] = {'Z', 'Q', 'S', 'D'};
    EXPECT_EQ(ZqSdSound::analyzeSound(tiny, 4, &wave), 0u);
    EXPECT_EQ(ZqSdSound::analyzeSound(tiny, 3, &wave), 0u);
    const uint8_t riff[36] = {'R', 'I', 'F', 'F'};
    EXPECT_EQ(ZqSdSound::analyzeSound(riff, 36, &wave), 0u);
}

TEST(AnalyzeSound, AcceptsEveryFileTheWriterMakes) {
    struct Row {
        int line;
        zqsdw::Encoding encoding;
        uint16_t channels;
        uint32_t rate;
        uint16_t blockAlign;
        uint32_t expectTag;
    };
    const Row rows[] = {
        {__LINE__, zqsdw::Encoding::PCM8, 1, 22050, 0, zqsd::FORMAT_PCM},
        {__LINE__, zqsdw::Encoding::PCM16, 2, 48000, 0, zqsd::FORMAT_PCM},
        {__LINE__, zqsdw::Encoding::ADPCM, 1, 44100, 0, zqsd::FORMAT_ADPCM},
        {__LINE__, zqsdw::Encoding::ADPCM, 2, 32000, 256, zqsd::FORMAT_ADPCM},
        {__LINE__, zqsdw::Encoding::WMA, 1, 44100, 929, zqsd::FORMAT_WMA},
        {__LINE__, zqsdw::Encoding::WMA, 2, 48000, 2230, zqsd::FORMAT_WMA},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        zqsdw::Options o;
        o.encoding = r.encoding;
        o.blockAlign = r.blockAlign;
        o.loopCount = 3;
        o.loopStart = 100;
        o.loopLength = 2000;
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(
            zqsdw::writeSound(zqsdw::makeTone(440.0, 0.2, r.rate, r.channels), o, file, error))
            << error;
        ZqSdSound::WaveHeader wave;
        EXPECT_NE(ZqSdSound::analyzeSound(file.data(), file.size(), &wave), 0u);
        EXPECT_EQ(wave.formatTag, r.expectTag);
        EXPECT_EQ(wave.channels, r.channels);
    }
}

} // namespace
