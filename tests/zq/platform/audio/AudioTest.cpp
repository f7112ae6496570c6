// The audio service through the null sink: buffers, regions and loops, notifications,
// resampling, gains, the ADPCM and xWMA decoders; and the SDL sink on SDL's dummy driver.
#include "zq/platform/audio/audio.h"

#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqByteReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>
#include <vector>

namespace {

using namespace zqp;

struct Recorder final : AudioVoiceCallback {
    int starts = 0;
    int ends = 0;
    int loops = 0;
    int streamEnds = 0;
    std::vector<void*> endContexts;
    void onBufferStart(void*) override { ++starts; }
    void onBufferEnd(void* c) override {
        ++ends;
        endContexts.push_back(c);
    }
    void onLoopEnd(void*) override { ++loops; }
    void onStreamEnd() override { ++streamEnds; }
};

AudioFormat pcm16(const uint16_t channels, const uint32_t rate) {
    AudioFormat f;
    f.formatTag = AUDIO_FORMAT_PCM;
    f.channels = channels;
    f.sampleRate = rate;
    f.bitsPerSample = 16;
    f.blockAlign = static_cast<uint16_t>(2 * channels);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

// Sample i of a mono ramp is (i + 1) * 8, so every frame is told apart.
std::vector<int16_t> ramp(const uint32_t n) {
    std::vector<int16_t> v(n);
    for (uint32_t i = 0; i < n; ++i) {
        v[i] = static_cast<int16_t>((i + 1) * 8);
    }
    return v;
}

AudioBuffer bufferOf(const std::vector<int16_t>& s) {
    AudioBuffer b;
    b.bytes = static_cast<uint32_t>(s.size() * 2);
    b.data = reinterpret_cast<const uint8_t*>(s.data());
    return b;
}

class NullSink : public ::testing::Test {
protected:
    void SetUp() override {
        audioSetSink(AudioSink::NULL_SINK);
        m_engine = audioCreateEngine();
        ASSERT_NE(m_engine, nullptr);
        m_master = audioCreateMasteringVoice(m_engine, 2, 48000, 0);
        ASSERT_NE(m_master, nullptr);
    }
    void TearDown() override {
        audioDestroyEngine(m_engine);
        audioSetSink(AudioSink::SDL);
    }
    // Left channel of `frames` rendered frames, in sample units.
    std::vector<float> renderLeft(const uint32_t frames, std::vector<float>* right = nullptr) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        EXPECT_TRUE(audioRender(m_engine, out.data(), frames));
        std::vector<float> left(frames);
        if (right != nullptr) {
            right->resize(frames);
        }
        for (uint32_t i = 0; i < frames; ++i) {
            left[i] = out[2 * i] * 32768.0f;
            if (right != nullptr) {
                (*right)[i] = out[2 * i + 1] * 32768.0f;
            }
        }
        return left;
    }
    AudioVoice* monoVoice(Recorder* rec, const uint32_t rate = 48000) {
        AudioVoice* const v = audioCreateSourceVoice(m_engine, pcm16(1, rate), 2.0f, rec, nullptr);
        EXPECT_NE(v, nullptr);
        return v;
    }

    AudioEngine* m_engine = nullptr;
    AudioVoice* m_master = nullptr;
};

TEST_F(NullSink, PlaysRegionsAndLoopsFrameExactly) {
    const std::vector<int16_t> data = ramp(100);
    struct Row {
        int line;
        uint32_t playBegin, playLength, loopBegin, loopLength, loopCount;
        std::vector<uint32_t> frames; // source frame indices expected, in order
    };
    auto span = [](uint32_t a, uint32_t b) {
        std::vector<uint32_t> v;
        for (uint32_t i = a; i < b; ++i) {
            v.push_back(i);
        }
        return v;
    };
    auto cat = [](std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Row rows[] = {
        {__LINE__, 0, 0, 0, 0, 0, span(0, 100)},
        {__LINE__, 10, 20, 0, 0, 0, span(10, 30)},
        {__LINE__, 0, 0, 0, 0, 2, cat(cat(span(0, 100), span(0, 100)), span(0, 100))},
        {__LINE__, 0, 50, 20, 10, 1, cat(cat(span(0, 30), span(20, 30)), span(30, 50))},
        {__LINE__, 5, 0, 90, 0, 1, cat(span(5, 100), span(90, 100))},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        Recorder rec;
        AudioVoice* const v = monoVoice(&rec);
        AudioBuffer b = bufferOf(data);
        b.playBegin = r.playBegin;
        b.playLength = r.playLength;
        b.loopBegin = r.loopBegin;
        b.loopLength = r.loopLength;
        b.loopCount = r.loopCount;
        b.flags = AUDIO_END_OF_STREAM;
        ASSERT_TRUE(audioSubmitBuffer(v, b, nullptr));
        ASSERT_TRUE(audioStart(v));
        const std::vector<float> out = renderLeft(static_cast<uint32_t>(r.frames.size()) + 20);
        for (size_t i = 0; i < r.frames.size(); ++i) {
            ASSERT_EQ(out[i], data[r.frames[i]]) << "frame " << i;
        }
        for (size_t i = r.frames.size(); i < out.size(); ++i) {
            ASSERT_EQ(out[i], 0.0f) << "frame " << i;
        }
        EXPECT_EQ(rec.starts, 1);
        EXPECT_EQ(rec.ends, 1);
        EXPECT_EQ(rec.loops, static_cast<int>(r.loopCount));
        EXPECT_EQ(rec.streamEnds, 1);
        EXPECT_EQ(audioGetQueuedCount(v), 0u);
        EXPECT_EQ(audioGetSamplesPlayed(v), r.frames.size());
        audioDestroyVoice(v);
    }
}

TEST_F(NullSink, EndlessLoopRunsUntilStoppedAndFlushTellsTheEnd) {
    const std::vector<int16_t> data = ramp(64);
    Recorder rec;
    AudioVoice* const v = monoVoice(&rec);
    AudioBuffer b = bufferOf(data);
    b.loopCount = AUDIO_LOOP_INFINITE;
    int marker = 0;
    b.context = &marker;
    ASSERT_TRUE(audioSubmitBuffer(v, b, nullptr));
    ASSERT_TRUE(audioStart(v));
    const std::vector<float> out = renderLeft(48000);
    EXPECT_EQ(out[47999], data[47999 % 64]);
    EXPECT_EQ(rec.ends, 0);
    EXPECT_EQ(audioGetQueuedCount(v), 1u);

    ASSERT_TRUE(audioStop(v));
    ASSERT_TRUE(audioFlush(v));
    EXPECT_EQ(audioGetQueuedCount(v), 0u);
    // The end of a flushed buffer is told on the mixer's next pass.
    EXPECT_EQ(rec.ends, 0);
    const std::vector<float> after = renderLeft(480);
    EXPECT_EQ(rec.ends, 1);
    ASSERT_EQ(rec.endContexts.size(), 1u);
    EXPECT_EQ(rec.endContexts[0], &marker);
    EXPECT_EQ(after[0], 0.0f);
}

TEST_F(NullSink, RefusesBuffersThatDoNotFit) {
    const std::vector<int16_t> data = ramp(100);
    AudioVoice* const v = monoVoice(nullptr);
    struct Row {
        int line;
        uint32_t playBegin, playLength, loopBegin, loopLength, loopCount;
    };
    const Row rows[] = {
        {__LINE__, 100, 0, 0, 0, 0},
        {__LINE__, 50, 51, 0, 0, 0},
        {__LINE__, 0xFFFFFFF0u, 0x20, 0, 0, 0},
        {__LINE__, 0, 0, 90, 11, 1},
        {__LINE__, 10, 0, 5, 0, 1},
        {__LINE__, 0, 0, 20, 0xFFFFFFF0u, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        AudioBuffer b = bufferOf(data);
        b.playBegin = r.playBegin;
        b.playLength = r.playLength;
        b.loopBegin = r.loopBegin;
        b.loopLength = r.loopLength;
        b.loopCount = r.loopCount;
        EXPECT_FALSE(audioSubmitBuffer(v, b, nullptr));
    }
    const AudioBuffer ok = bufferOf(data);
    for (uint32_t i = 0; i < AUDIO_MAX_QUEUED; ++i) {
        ASSERT_TRUE(audioSubmitBuffer(v, ok, nullptr));
    }
    EXPECT_FALSE(audioSubmitBuffer(v, ok, nullptr));
    EXPECT_EQ(audioGetQueuedCount(v), AUDIO_MAX_QUEUED);
}

TEST_F(NullSink, ResamplesByRateAndRatioWithTheRatioCapped) {
    const std::vector<int16_t> data = ramp(2000);
    // A 24 kHz source at 48 kHz: every other output frame lies halfway between two frames.
    AudioVoice* const slow = monoVoice(nullptr, 24000);
    ASSERT_TRUE(audioSubmitBuffer(slow, bufferOf(data), nullptr));
    ASSERT_TRUE(audioStart(slow));
    std::vector<float> out = renderLeft(1000);
    for (uint32_t i = 0; i < 998; ++i) {
        const float expect = i % 2 == 0 ? data[i / 2] : (data[i / 2] + data[i / 2 + 1]) / 2.0f;
        ASSERT_NEAR(out[i], expect, 1e-3f) << "frame " << i;
    }
    audioDestroyVoice(slow);

    // A ratio of 4 is held at the voice's maximum of 2: 2000 frames last 1000 output frames.
    Recorder rec;
    AudioVoice* const fast = monoVoice(&rec);
    ASSERT_TRUE(audioSetFrequencyRatio(fast, 4.0f));
    ASSERT_TRUE(audioSubmitBuffer(fast, bufferOf(data), nullptr));
    ASSERT_TRUE(audioStart(fast));
    out = renderLeft(990);
    for (uint32_t i = 0; i < 990; ++i) {
        ASSERT_NEAR(out[i], data[2 * i], 1e-3f) << "frame " << i;
    }
    EXPECT_EQ(rec.ends, 0);
    renderLeft(20);
    EXPECT_EQ(rec.ends, 1);
}

TEST_F(NullSink, GainsOfMatrixChannelsVoiceSubmixAndMaster) {
    const std::vector<int16_t> mono(480, 16000);
    AudioVoice* const submix = audioCreateSubmixVoice(m_engine, 2, 48000);
    ASSERT_NE(submix, nullptr);
    AudioVoice* const m = audioCreateSourceVoice(m_engine, pcm16(1, 48000), 2.0f, nullptr, submix);
    const float matrix[2] = {0.25f, 1.0f};
    ASSERT_TRUE(audioSetOutputMatrix(m, 1, 2, matrix));
    ASSERT_TRUE(audioSetVolume(m, 0.5f));
    ASSERT_TRUE(audioSetVolume(submix, 0.5f));
    ASSERT_TRUE(audioSetVolume(m_master, 0.5f));
    ASSERT_TRUE(audioSubmitBuffer(m, bufferOf(mono), nullptr));
    ASSERT_TRUE(audioStart(m));

    std::vector<int16_t> stereo(960);
    for (size_t i = 0; i < stereo.size(); i += 2) {
        stereo[i] = 8000;
        stereo[i + 1] = -8000;
    }
    AudioVoice* const s = audioCreateSourceVoice(m_engine, pcm16(2, 48000), 2.0f, nullptr, nullptr);
    const float volumes[2] = {1.0f, 0.5f};
    ASSERT_TRUE(audioSetChannelVolumes(s, 2, volumes));
    EXPECT_FALSE(audioSetChannelVolumes(s, 1, volumes));
    ASSERT_TRUE(audioSubmitBuffer(s, bufferOf(stereo), nullptr));
    ASSERT_TRUE(audioStart(s));

    std::vector<float> right;
    const std::vector<float> left = renderLeft(480, &right);
    // mono x 0.5 (voice) x 0.5 (submix) x 0.5 (master) x matrix; stereo x channel x 0.5.
    EXPECT_NEAR(left[100], 16000 * 0.125f * 0.25f + 8000 * 0.5f, 0.01f);
    EXPECT_NEAR(right[100], 16000 * 0.125f * 1.0f - 8000 * 0.5f * 0.5f, 0.01f);
}

TEST_F(NullSink, EightBitPcmAndStoppedVoicesKeepTheirPlace) {
    AudioFormat f = pcm16(1, 48000);
    f.bitsPerSample = 8;
    f.blockAlign = 1;
    const std::vector<uint8_t> data = {0x80, 0xC0, 0x40, 0xFF, 0x00};
    AudioVoice* const v = audioCreateSourceVoice(m_engine, f, 2.0f, nullptr, nullptr);
    ASSERT_NE(v, nullptr);
    AudioBuffer b;
    b.bytes = 5;
    b.data = data.data();
    ASSERT_TRUE(audioSubmitBuffer(v, b, nullptr));
    ASSERT_TRUE(audioStart(v));
    std::vector<float> out = renderLeft(2);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 16384.0f);
    ASSERT_TRUE(audioStop(v));
    out = renderLeft(3);
    EXPECT_EQ(out[0], 0.0f);
    ASSERT_TRUE(audioStart(v));
    // The interpolation window already holds the frame after the last one heard.
    out = renderLeft(3);
    EXPECT_EQ(out[0], -16384.0f);
    EXPECT_EQ(out[1], 127 * 256.0f);
    EXPECT_EQ(out[2], -32768.0f);
}

TEST(AdpcmDecoder, RebuildsTheEncodersInputAndRefusesBadBlocks) {
    const zqsdw::Pcm tone = zqsdw::makeTone(440.0, 0.1, 44100, 2, 0.6);
    const uint16_t ba = 1024;
    const std::vector<uint8_t> blocks = zqsdw::encodeAdpcm(tone, ba);
    AudioFormat f;
    f.formatTag = AUDIO_FORMAT_ADPCM;
    f.channels = 2;
    f.sampleRate = 44100;
    f.blockAlign = ba;
    f.bitsPerSample = 4;
    f.samplesPerBlock = static_cast<uint16_t>(zqsdw::adpcmSamplesPerBlock(ba, 2));
    EXPECT_EQ(f.samplesPerBlock, 1012);
    f.nrCoefs = 7;
    const int16_t coefs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                 {240, 0}, {460, -208}, {392, -232}};
    std::memcpy(f.coefs, coefs, sizeof coefs);

    std::vector<int16_t> out(static_cast<size_t>(f.samplesPerBlock) * 2);
    double noise = 0.0;
    double signal = 0.0;
    const uint32_t frames = tone.frames();
    for (size_t b = 0; b * ba < blocks.size(); ++b) {
        uint32_t got = 0;
        ASSERT_TRUE(audioDecodeAdpcmBlock(f, blocks.data() + b * ba, ba, out.data(), got));
        ASSERT_EQ(got, f.samplesPerBlock);
        for (uint32_t i = 0; i < got && b * got + i < frames; ++i) {
            for (uint32_t c = 0; c < 2; ++c) {
                const double x = tone.samples[(b * got + i) * 2 + c];
                const double e = out[i * 2 + c] - x;
                noise += e * e;
                signal += x * x;
            }
        }
    }
    EXPECT_GT(10.0 * std::log10(signal / noise), 30.0);

    uint32_t got = 0;
    EXPECT_FALSE(audioDecodeAdpcmBlock(f, blocks.data(), 13, out.data(), got));
    std::vector<uint8_t> bad(blocks.begin(), blocks.begin() + ba);
    bad[1] = 7; // predictor of the right channel past the table
    EXPECT_FALSE(audioDecodeAdpcmBlock(f, bad.data(), ba, out.data(), got));
    // A stored step size near the top with codes that keep raising it: the step stops growing
    // instead of overflowing, and the samples stay clamped.
    std::vector<uint8_t> loud(ba, 0x77);
    loud[0] = loud[1] = 0;
    loud[2] = loud[4] = 0xFF;
    loud[3] = loud[5] = 0x7F;
    ASSERT_TRUE(audioDecodeAdpcmBlock(f, loud.data(), ba, out.data(), got));
    EXPECT_EQ(out[2 * (got - 1)], 32767);
    // A short block gives as many frames as its codes hold.
    ASSERT_TRUE(audioDecodeAdpcmBlock(f, blocks.data(), 14 + 10, out.data(), got));
    EXPECT_EQ(got, 2u + 10u);
}

TEST_F(NullSink, WmaDecodesToTheWritersInput) {
    // A sweep from 200 Hz up, so that only the true delay lines it up.
    zqsdw::Pcm tone;
    tone.sampleRate = 48000;
    tone.channels = 1;
    for (uint32_t i = 0; i < 24000; ++i) {
        const double t = i / 48000.0;
        const double phase = 2.0 * std::numbers::pi * (200.0 * t + 2000.0 * t * t);
        tone.samples.push_back(static_cast<int16_t>(16000.0 * std::sin(phase)));
    }
    zqsdw::Options o;
    o.encoding = zqsdw::Encoding::WMA;
    o.blockAlign = 1487;
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(zqsdw::writeSound(tone, o, file, error)) << error;
    const ZqByteReader r(file.data(), file.size());
    uint32_t total = 0, avg = 0;
    r.u32(32, total);
    r.u32(12, avg);
    std::vector<uint32_t> table(total);
    for (uint32_t i = 0; i < total; ++i) {
        r.u32(36 + 4ull * i, table[i]);
    }
    AudioFormat f;
    f.formatTag = AUDIO_FORMAT_WMA;
    f.channels = 1;
    f.sampleRate = 48000;
    f.avgBytesPerSec = avg;
    f.blockAlign = 1487;
    f.bitsPerSample = 16;
    AudioVoice* const v = audioCreateSourceVoice(m_engine, f, 2.0f, nullptr, nullptr);
    ASSERT_NE(v, nullptr);
    AudioBuffer b;
    b.bytes = total * 1487u;
    b.data = file.data() + 36 + 4ull * total;
    const AudioWmaTable t{table.data(), total};
    ASSERT_TRUE(audioSubmitBuffer(v, b, &t));
    ASSERT_TRUE(audioStart(v));
    const std::vector<float> out = renderLeft(table.back() / 2);
    // The writer lines the encoder's delay up so that the decoded sound starts with the input.
    ASSERT_EQ(out.size(), tone.frames());
    double noise = 0.0, signal = 0.0;
    for (uint32_t i = 0; i < tone.frames(); ++i) {
        const double x = tone.samples[i];
        const double e = out[i] - x;
        noise += e * e;
        signal += x * x;
    }
    EXPECT_GT(10.0 * std::log10(signal / noise), 30.0);
    // Broken packets or a table that asks for more than the data holds are refused.
    std::vector<uint32_t> more = table;
    more.push_back(table.back() + 4096);
    const AudioWmaTable longer{more.data(), total + 1};
    EXPECT_FALSE(audioSubmitBuffer(v, b, &longer));
    EXPECT_FALSE(audioSubmitBuffer(v, b, nullptr));
}

TEST(SdlSink, PlaysOnTheDummyDriver) {
    audioSetSink(AudioSink::SDL);
    AudioEngine* const engine = audioCreateEngine();
    ASSERT_NE(engine, nullptr);
    ASSERT_GE(audioGetDeviceCount(engine), 1u);
    std::u16string name;
    uint32_t rate = 0;
    ASSERT_TRUE(audioGetDeviceDetails(engine, 0, name, rate));
    EXPECT_FALSE(name.empty());
    EXPECT_FALSE(audioGetDeviceDetails(engine, audioGetDeviceCount(engine), name, rate));
    AudioVoice* const master = audioCreateMasteringVoice(engine, 2, rate, 0);
    ASSERT_NE(master, nullptr);
    const std::vector<int16_t> data = ramp(4800);
    AudioVoice* const v = audioCreateSourceVoice(engine, pcm16(1, 48000), 2.0f, nullptr, nullptr);
    AudioBuffer b = bufferOf(data);
    b.loopCount = AUDIO_LOOP_INFINITE;
    ASSERT_TRUE(audioSubmitBuffer(v, b, nullptr));
    ASSERT_TRUE(audioStart(v));
    // SDL's thread pulls in real time; wait for it to take something (at most ten seconds).
    for (int i = 0; i < 1000 && audioGetSamplesPlayed(v) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(audioGetSamplesPlayed(v), 0u);
    float sink[8] = {};
    EXPECT_FALSE(audioRender(engine, sink, 4));
    audioDestroyEngine(engine);
}

} // namespace
