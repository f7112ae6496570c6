// Sound effects end to end through the null sink: files from the sound writer, played and
// rendered offline, checked on the samples.
#include "zq/sd/ZqSdSound.h"

#include "tools/sound/ZqSdWriter.h"
#include "zq/platform/audio/audio.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t RATE = 48000;

zqsdw::Pcm constant(const int16_t value, const uint32_t frames, const uint16_t channels = 1) {
    zqsdw::Pcm p;
    p.sampleRate = RATE;
    p.channels = channels;
    p.samples.assign(static_cast<size_t>(frames) * channels, value);
    return p;
}

// A mono ramp whose every frame differs: frame i holds (i + 1) * 16.
zqsdw::Pcm ramp(const uint32_t frames) {
    zqsdw::Pcm p;
    p.sampleRate = RATE;
    for (uint32_t i = 0; i < frames; ++i) {
        p.samples.push_back(static_cast<int16_t>((i + 1) * 16));
    }
    return p;
}

std::vector<uint8_t> soundFile(const zqsdw::Pcm& pcm,
                               const zqsdw::Encoding encoding = zqsdw::Encoding::PCM16,
                               const uint32_t loopCount = 0, const uint32_t loopStart = 0,
                               const uint32_t loopLength = 0) {
    zqsdw::Options o;
    o.encoding = encoding;
    o.loopCount = loopCount;
    o.loopStart = loopStart;
    o.loopLength = loopLength;
    std::vector<uint8_t> file;
    std::string error;
    EXPECT_TRUE(zqsdw::writeSound(pcm, o, file, error)) << error;
    return file;
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
        ZqSdSound::sysInit();
    }
    void TearDown() override {
        ZqSdSound::sysQuit();
        zqp::audioSetSink(zqp::AudioSink::SDL);
    }

    ZqSdSound::Se* load(const char16_t* name, const std::vector<uint8_t>& file,
                        const uint32_t voices = 1, const uint32_t group = 0) {
        EXPECT_EQ(
            ZqSdSound::loadSe(name, file.data(), static_cast<uint32_t>(file.size()), group, voices),
            voices);
        return ZqSdSound::getSeHandle(name, group);
    }

    // Renders frames; left and right in sample units.
    void render(const uint32_t frames, std::vector<float>& left, std::vector<float>& right) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        ASSERT_TRUE(zqp::audioRender(ZqSdSound::m_pXAudio, out.data(), frames));
        left.resize(frames);
        right.resize(frames);
        for (uint32_t i = 0; i < frames; ++i) {
            left[i] = out[2 * i] * 32768.0f;
            right[i] = out[2 * i + 1] * 32768.0f;
        }
    }
    std::vector<float> renderLeft(const uint32_t frames) {
        std::vector<float> l, r;
        render(frames, l, r);
        return l;
    }
};

double snrDb(const std::vector<float>& out, const zqsdw::Pcm& pcm) {
    double noise = 0.0, signal = 0.0;
    for (uint32_t i = 0; i < pcm.frames(); ++i) {
        const double x = pcm.samples[i];
        noise += (out[i] - x) * (out[i] - x);
        signal += x * x;
    }
    return 10.0 * std::log10(signal / std::max(noise, 1e-9));
}

TEST_F(Sound, EachEncodingPlaysBackItsSource) {
    const zqsdw::Pcm tone = zqsdw::makeTone(750.0, 0.25, RATE, 1, 0.5);
    struct Row {
        int line;
        zqsdw::Encoding encoding;
        double minSnr;
    };
    const Row rows[] = {
        {__LINE__, zqsdw::Encoding::PCM16, 90.0},
        {__LINE__, zqsdw::Encoding::PCM8, 35.0},
        {__LINE__, zqsdw::Encoding::ADPCM, 30.0},
        {__LINE__, zqsdw::Encoding::WMA, 30.0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        ZqSdSound::Se* const se = load(u"tone", soundFile(tone, r.encoding));
        ASSERT_NE(se, nullptr);
        ASSERT_EQ(ZqSdSound::playSe(se, 1u, 0.0f), 0);
        std::vector<float> left, right;
        render(tone.frames(), left, right);
        EXPECT_GT(snrDb(left, tone), r.minSnr);
        EXPECT_GT(snrDb(right, tone), r.minSnr);
        ZqSdSound::unloadSeGroup(0);
    }
}

TEST_F(Sound, VoicesTakeTurnsAndLoopValuesAreChecked) {
    ZqSdSound::Se* const se = load(u"s", soundFile(ramp(1000)), 3);
    ASSERT_NE(se, nullptr);
    for (const int32_t expect : {0, 1, 2, 0}) {
        EXPECT_EQ(ZqSdSound::playSe(se, 1u, 0.0f), expect);
    }
    EXPECT_EQ(ZqSdSound::playSe(u"s", 0, 1u, 0.0f), 1);
    ZqSdSound::stopSe(se, 0.0f);
    renderLeft(480);
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se));

    // Loop values outside 1..257, in both forms; the voice form would otherwise pass loop 0
    // on as a loop count of -1.
    EXPECT_EQ(ZqSdSound::playSe(se, 0u, 0.0f), -1);
    EXPECT_EQ(ZqSdSound::playSe(se, 258u, 0.0f), -1);
    EXPECT_EQ(ZqSdSound::playSe(se, 1u, 0u, 0.0f), -1);
    EXPECT_EQ(ZqSdSound::playSe(se, 1u, 258u, 0.0f), -1);
    EXPECT_EQ(ZqSdSound::playSe(u"s", 0, 2u, 0u, 0.0f), -1);
    const std::vector<float> silent = renderLeft(480);
    EXPECT_EQ(silent[100], 0.0f);
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se));

    EXPECT_EQ(ZqSdSound::playSe(nullptr, 1u, 0.0f), 0);
    EXPECT_EQ(ZqSdSound::playSe(se, 3u, 1u, 0.0f), 0);
    EXPECT_EQ(ZqSdSound::playSe(u"s", 0, 3u, 1u, 0.0f), 0);
    EXPECT_EQ(ZqSdSound::playSe(u"missing", 0, 1u, 0.0f), -1);
    EXPECT_EQ(ZqSdSound::playSe(u"s", 1, 1u, 0.0f), -1);
    EXPECT_EQ(ZqSdSound::playSe(se, 2u, 1u, 0.0f), 2);
    renderLeft(10);
    EXPECT_TRUE(ZqSdSound::isPlayingSe(se, 2u));
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se, 1u));
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se, 3u));
}

TEST_F(Sound, LoopCountsOfThePlayAndOfTheFile) {
    const zqsdw::Pcm pcm = ramp(1000);
    // The file's loop: frames 200..499 repeated twice more.
    ZqSdSound::Se* const se = load(u"s", soundFile(pcm, zqsdw::Encoding::PCM16, 2, 200, 300));
    ASSERT_NE(se, nullptr);
    struct Row {
        int line;
        uint32_t loop;
        std::vector<uint32_t> frames;
    };
    auto span = [](std::vector<uint32_t> v, uint32_t a, uint32_t b) {
        for (uint32_t i = a; i < b; ++i) {
            v.push_back(i);
        }
        return v;
    };
    const Row rows[] = {
        {__LINE__, 1, span({}, 0, 1000)},
        {__LINE__, 3, span(span(span({}, 0, 1000), 0, 1000), 0, 1000)},
        {__LINE__, 257, span(span(span(span({}, 0, 500), 200, 500), 200, 500), 500, 1000)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        ASSERT_EQ(ZqSdSound::playSe(se, r.loop, 0.0f), 0);
        const std::vector<float> out = renderLeft(static_cast<uint32_t>(r.frames.size()) + 100);
        for (size_t i = 0; i < r.frames.size(); ++i) {
            ASSERT_EQ(out[i], pcm.samples[r.frames[i]]) << "frame " << i;
        }
        EXPECT_EQ(out[r.frames.size() + 50], 0.0f);
        EXPECT_FALSE(ZqSdSound::isPlayingSe(se));
    }
    // 256: until stopped.
    ASSERT_EQ(ZqSdSound::playSe(se, 256u, 0.0f), 0);
    const std::vector<float> out = renderLeft(20000);
    EXPECT_EQ(out[19999], pcm.samples[19999 % 1000]);
    EXPECT_TRUE(ZqSdSound::isPlayingSe(se));
}

TEST_F(Sound, FadesRunOncePerFrame) {
    // Frames here are 1 ms apart (the system's frame time before it runs).
    ASSERT_EQ(ZqSystem::getTimeTickFloat(), 1.0f);
    ZqSdSound::Se* const se = load(u"dc", soundFile(constant(16000, 4800)));
    ASSERT_NE(se, nullptr);
    ASSERT_EQ(ZqSdSound::playSe(se, 256u, 0.0f), 0);
    EXPECT_EQ(renderLeft(480)[10], 16000.0f);
    ASSERT_TRUE(ZqSdSound::stopSe(se, 500.0f));
    // 0.002 a frame down from 1.0.
    for (int i = 0; i < 250; ++i) {
        ZqSdSound::sysMain();
    }
    EXPECT_NEAR(renderLeft(480)[10], 8000.0f, 1.0f);
    for (int i = 0; i < 249; ++i) {
        ZqSdSound::sysMain();
    }
    EXPECT_NEAR(renderLeft(480)[10], 32.0f, 1.0f);
    EXPECT_TRUE(ZqSdSound::isPlayingSe(se));
    // It stops in the frame where the level reaches 0 (the 500th, give or take rounding).
    for (int i = 0; i < 2; ++i) {
        ZqSdSound::sysMain();
    }
    EXPECT_EQ(renderLeft(480)[10], 0.0f);
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se));

    // A fade-in of 100 ms from silence.
    ASSERT_EQ(ZqSdSound::playSe(se, 256u, 100.0f), 0);
    EXPECT_EQ(renderLeft(480)[10], 0.0f);
    for (int i = 0; i < 25; ++i) {
        ZqSdSound::sysMain();
    }
    EXPECT_NEAR(renderLeft(480)[10], 4000.0f, 1.0f);
    for (int i = 0; i < 100; ++i) {
        ZqSdSound::sysMain();
    }
    EXPECT_EQ(renderLeft(480)[10], 16000.0f);
    // A volume set while a fade is complete applies at once.
    ASSERT_TRUE(ZqSdSound::setSeVolume(se, 0.5f, true));
    EXPECT_EQ(renderLeft(480)[10], 8000.0f);
    ZqSdSound::setSeMasterVolume(0.5f);
    ZqSdSound::setMasterVolume(0.5f);
    EXPECT_EQ(renderLeft(480)[10], 2000.0f);
    EXPECT_EQ(ZqSdSound::getSeMasterVolume(), 0.5f);
    EXPECT_EQ(ZqSdSound::getMasterVolume(), 0.5f);
}

TEST_F(Sound, PanAndPitch) {
    ZqSdSound::Se* const mono = load(u"m", soundFile(constant(16000, 4800)));
    ZqSdSound::Se* const stereo = load(u"st", soundFile(constant(8000, 4800, 2)));
    ASSERT_TRUE(ZqSdSound::setSePan(mono, -0.5f, false));
    ASSERT_TRUE(ZqSdSound::setSePan(u"st", 0, 0.25f, false));
    ASSERT_EQ(ZqSdSound::playSe(mono, 256u, 0.0f), 0);
    ASSERT_EQ(ZqSdSound::playSe(stereo, 256u, 0.0f), 0);
    std::vector<float> left, right;
    render(480, left, right);
    EXPECT_EQ(left[10], 16000.0f + 8000.0f * 0.75f);
    EXPECT_EQ(right[10], 16000.0f * 0.5f + 8000.0f);
    // Applied at once to the playing voice.
    ASSERT_TRUE(ZqSdSound::setSePan(mono, 1.0f, true));
    render(480, left, right);
    EXPECT_EQ(left[10], 0.0f + 8000.0f * 0.75f);
    EXPECT_EQ(right[10], 16000.0f + 8000.0f);
    EXPECT_FALSE(ZqSdSound::setSePan(mono, 1u, 0.0f, true));
    EXPECT_FALSE(ZqSdSound::setSePan(u"none", 0, 0.0f, true));

    // Pitch 2 plays the ramp twice as fast; a higher pitch is held at 2.
    ZqSdSound::stopSeAll(0.0f);
    const zqsdw::Pcm pcm = ramp(2000);
    ZqSdSound::Se* const r = load(u"r", soundFile(pcm));
    ASSERT_TRUE(ZqSdSound::setSePitch(r, 3.0f, false));
    ASSERT_EQ(ZqSdSound::playSe(r, 1u, 0.0f), 0);
    const std::vector<float> out = renderLeft(900);
    for (uint32_t i = 0; i < 900; ++i) {
        ASSERT_EQ(out[i], pcm.samples[2 * i]) << i;
    }
}

TEST_F(Sound, SilenceTailAfterACut) {
    ZqSdSound::Se* const se = load(u"dc", soundFile(constant(16000, 4800)), 2);
    ASSERT_TRUE(ZqSdSound::setSeSilentAfterStopEnable(se, 0u, true));
    EXPECT_FALSE(ZqSdSound::setSeSilentAfterStopEnable(se, 2u, true));
    EXPECT_TRUE(ZqSdSound::setSeSilentAfterStopEnable(u"dc", 0, 2u, true));
    ASSERT_EQ(ZqSdSound::playSe(se, 0u, 256u, 0.0f), 0);
    ASSERT_EQ(ZqSdSound::playSe(se, 1u, 256u, 0.0f), 1);
    renderLeft(480);
    ASSERT_TRUE(ZqSdSound::stopSe(se, 0.0f));
    // Voice 0 now plays 128 frames of silence, voice 1 nothing.
    const std::vector<float> out = renderLeft(64);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_TRUE(ZqSdSound::isPlayingSe(se, 0u));
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se, 1u));
    renderLeft(100);
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se, 0u));
    // A voice that is not playing gets no silence, whatever its flag.
    ASSERT_TRUE(ZqSdSound::stopSe(se, 0u, 0.0f));
    renderLeft(10);
    EXPECT_FALSE(ZqSdSound::isPlayingSe(se));
}

TEST_F(Sound, GroupsNamesAndReplacement) {
    const std::vector<uint8_t> file = soundFile(ramp(100));
    ZqSdSound::Se* const first = load(u"a", file, 1, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(ZqSdSound::playSe(first, 256u, 0.0f), 0);
    // The same name again replaces (and frees) the first; another group keeps its own.
    ZqSdSound::Se* const second = load(u"a", file, 2, 0);
    ZqSdSound::Se* const other = load(u"a", file, 3, 1);
    EXPECT_EQ(ZqSdSound::getNrSes(0), 1u);
    EXPECT_EQ(ZqSdSound::getMaxVoices(u"a", 0), 2u);
    EXPECT_EQ(ZqSdSound::getMaxVoices(other), 3u);
    EXPECT_EQ(ZqSdSound::getSeHandle(u"a", 0), second);
    EXPECT_EQ(renderLeft(480)[10], 0.0f);

    for (const uint32_t voices : {0u, 10u}) {
        EXPECT_EQ(
            ZqSdSound::loadSe(u"b", file.data(), static_cast<uint32_t>(file.size()), 0, voices),
            0u);
    }
    // A failed load of a name leaves no entry of it, not even the earlier one.
    std::vector<uint8_t> cut(file.begin(), file.end() - 1);
    EXPECT_EQ(ZqSdSound::loadSe(u"a", cut.data(), static_cast<uint32_t>(cut.size()), 0, 1), 0u);
    EXPECT_EQ(ZqSdSound::getSeHandle(u"a", 0), nullptr);
    EXPECT_EQ(ZqSdSound::getNrSes(0), 0u);
    EXPECT_EQ(ZqSdSound::getMaxVoices(u"a", 0), 0u);
    EXPECT_EQ(ZqSdSound::getNrSes(1), 1u);
    ZqSdSound::unloadSeAll();
    EXPECT_EQ(ZqSdSound::getNrSes(1), 0u);
}

TEST_F(Sound, LoadsFilesFromTheDirectory) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("zqsd-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "sub.sound");
    const std::vector<uint8_t> file = soundFile(ramp(100), zqsdw::Encoding::ADPCM);
    for (const char* name : {"x.adpcm.sound", "y.sound"}) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
    }
    ZqFile::sysInit();
    const std::string d = dir.string() + "/";
    ZqSdSound::setSeDirectory(std::u16string(d.begin(), d.end()).c_str());
    EXPECT_EQ(ZqSdSound::loadSe(u"x.adpcm.sound", 0, 2), 2u);
    EXPECT_NE(ZqSdSound::getSeHandle(u"x.adpcm", 0), nullptr);
    EXPECT_EQ(ZqSdSound::loadSe(u"missing.sound", 0, 2), 0u);
    EXPECT_EQ(ZqSdSound::loadSeGroup(1, 3), 6u);
    EXPECT_EQ(ZqSdSound::getNrSes(1), 2u);
    EXPECT_NE(ZqSdSound::getSeHandle(u"y", 1), nullptr);
    ZqSdSound::unloadSeAll();
    ZqFile::sysQuit();
    fs::remove_all(dir);

    struct Row {
        const char16_t* path;
        const char16_t* name;
    };
    for (const Row& r : {Row{u"a\\b\\c.adpcm.sound", u"c.adpcm"}, Row{u"d/e.sound", u"e"},
                         Row{u"plain", u"plain"}, Row{u"x.y\\z", u"z"}}) {
        ZqString name;
        ASSERT_TRUE(ZqSdSound::getSeName(r.path, name));
        EXPECT_EQ(name, r.name);
    }
}

TEST_F(Sound, DevicesAndConversions) {
    EXPECT_EQ(ZqSdSound::getNrDevices(), 1u);
    char16_t name[ZqSdSound::DEVICE_NAME_SIZE];
    ASSERT_TRUE(ZqSdSound::getDeviceName(0, name));
    EXPECT_EQ(std::u16string(name), u"Null output");
    EXPECT_FALSE(ZqSdSound::getDeviceName(1, name));
    EXPECT_FALSE(ZqSdSound::getDeviceName(0, nullptr));
    load(u"a", soundFile(ramp(100)));
    ASSERT_TRUE(ZqSdSound::selectDevice(0));
    EXPECT_EQ(ZqSdSound::getNrSes(0), 0u);
    EXPECT_EQ(ZqSdSound::getMasterVolume(), 1.0f);

    EXPECT_EQ(ZqSdSound::calcVolume2Decibels(0.0f), -FLT_MAX);
    EXPECT_EQ(ZqSdSound::calcVolume2Decibels(1.0f), 0.0f);
    EXPECT_NEAR(ZqSdSound::calcVolume2Decibels(0.1f), -20.0f, 1e-4f);
    EXPECT_NEAR(ZqSdSound::calcDecibels2Volume(-20.0f), 0.1f, 1e-6f);
    EXPECT_EQ(ZqSdSound::calcSemitones2Pitch(12.0f), 2.0f);
    EXPECT_EQ(ZqSdSound::calcPitch2Semitones(0.5f), -12.0f);
    float gains[2] = {};
    ZqSdSound::calcPan(gains, -0.25f);
    EXPECT_EQ(gains[0], 1.0f);
    EXPECT_EQ(gains[1], 0.75f);
}

} // namespace
