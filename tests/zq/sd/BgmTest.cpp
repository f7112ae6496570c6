// Background music end to end: tracks from the sound writer streamed by the music thread and
// rendered offline through the null sink at a low rate (no resampling, so every output sample
// must equal the decoded file's), with the render paced to what the thread has queued.
#include "zq/sd/ZqSdSound.h"

#include "tests/support/FakeClock.h"
#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqFile.h"
#include "zq/platform/audio/audio.h"
#include "zq/sd/ZqSdSoundBgm_internal.h"
#include "zq/sd/ZqSdSoundFormat.h"
#include "zq/sd/ZqSdSound_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Low enough to keep a three-minute track cheap; xWMA needs 8 kHz at least.
constexpr uint32_t RATE = 2000;
constexpr uint32_t WMA_RATE = 8000;
constexpr uint32_t BLOCK = 2048;

// A tone with a slow sweep on top, so that no two chunks of the track look alike.
zqsdw::Pcm track(const double seconds, const uint16_t channels = 1, const uint32_t rate = RATE) {
    zqsdw::Pcm p = zqsdw::makeTone(440.0, seconds, rate, channels, 0.4);
    for (size_t i = 0; i < p.samples.size(); ++i) {
        p.samples[i] =
            static_cast<int16_t>(p.samples[i] + static_cast<int16_t>((i / 7) % 2001) - 1000);
    }
    return p;
}

zqsdw::Pcm constant(const int16_t value, const double seconds) {
    zqsdw::Pcm p;
    p.sampleRate = RATE;
    p.samples.assign(static_cast<size_t>(seconds * RATE), value);
    return p;
}

std::vector<uint8_t> soundFile(const zqsdw::Pcm& pcm, const zqsdw::Encoding encoding,
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

uint32_t u32At(const std::vector<uint8_t>& f, const size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<uint32_t>(f[at + 3]) << 24;
}

// A long stereo ADPCM track without running the encoder over it (slow in the sanitizer build):
// the writer's header with random blocks behind it, each with a valid predictor. Any nibbles
// decode, and the test's reference decodes the same bytes.
std::vector<uint8_t> adpcmNoise(const uint32_t blocks) {
    std::vector<uint8_t> file = soundFile(track(1.0, 2), zqsdw::Encoding::ADPCM);
    const uint32_t blockAlign = file[zqsd::OFFSET_BLOCK_ALIGN] | file[zqsd::OFFSET_BLOCK_ALIGN + 1]
                                                                     << 8;
    file.resize(zqsd::ADPCM_HEADER_SIZE);
    for (int i = 0; i < 4; ++i) {
        file[zqsd::OFFSET_TOTAL + i] = static_cast<uint8_t>(blocks >> (8 * i));
    }
    uint32_t seed = 12345;
    for (uint64_t i = 0; i < static_cast<uint64_t>(blocks) * blockAlign; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const uint8_t byte = static_cast<uint8_t>(seed >> 24);
        file.push_back(i % blockAlign < 2 ? byte % 7 : byte);
    }
    return file;
}

// The file's audio decoded to interleaved floats, as the voice plays it (PCM and ADPCM).
std::vector<float> decode(const std::vector<uint8_t>& file) {
    ZqSdSound::WaveHeader w;
    const uint32_t header = ZqSdSound::analyzeSound(file.data(), file.size(), &w);
    EXPECT_NE(header, 0u);
    const uint32_t total = u32At(file, zqsd::OFFSET_TOTAL);
    const uint8_t* const data = file.data() + header;
    std::vector<float> out;
    if (w.formatTag == zqsd::FORMAT_ADPCM) {
        zqp::AudioFormat f;
        f.formatTag = w.formatTag;
        f.channels = w.channels;
        f.sampleRate = w.samplesPerSec;
        f.blockAlign = w.blockAlign;
        f.bitsPerSample = w.bitsPerSample;
        f.samplesPerBlock = w.samplesPerBlock;
        f.nrCoefs = 7;
        for (int i = 0; i < 7; ++i) {
            f.coefs[i][0] = zqsd::ADPCM_COEFS[i][0];
            f.coefs[i][1] = zqsd::ADPCM_COEFS[i][1];
        }
        std::vector<int16_t> block(static_cast<size_t>(w.samplesPerBlock) * w.channels);
        for (uint32_t b = 0; b < total; ++b) {
            uint32_t frames = 0;
            EXPECT_TRUE(zqp::audioDecodeAdpcmBlock(f, data + static_cast<size_t>(b) * w.blockAlign,
                                                   w.blockAlign, block.data(), frames));
            for (uint32_t i = 0; i < frames * w.channels; ++i) {
                out.push_back(block[i] / 32768.0f);
            }
        }
    } else if (w.bitsPerSample == 8) {
        for (uint32_t i = 0; i < total * w.channels; ++i) {
            out.push_back((data[i] - 128.0f) / 128.0f);
        }
    } else {
        for (uint32_t i = 0; i < total * w.channels; ++i) {
            out.push_back(static_cast<int16_t>(data[2 * i] | data[2 * i + 1] << 8) / 32768.0f);
        }
    }
    return out;
}

// Frames [from, to) of interleaved audio appended to `out`.
void appendFrames(std::vector<float>& out, const std::vector<float>& src, const uint32_t ch,
                  const uint64_t from, const uint64_t to) {
    out.insert(out.end(), src.begin() + static_cast<ptrdiff_t>(from * ch),
               src.begin() + static_cast<ptrdiff_t>(to * ch));
}

class Bgm : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("zqbgm-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ZqFile::sysInit();
        zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
        start(RATE);
    }
    void start(const uint32_t rate) {
        zqp::audioSetNullSinkRate(rate);
        ZqSdSound::sysInit();
        const std::string d = m_dir.string() + "/";
        ASSERT_TRUE(ZqSdSound::setBgmDirectory(std::u16string(d.begin(), d.end()).c_str()));
    }
    void TearDown() override {
        ZqSdSound::sysQuit();
        zqp::audioSetNullSinkRate(0);
        zqp::audioSetSink(zqp::AudioSink::SDL);
        ZqFile::sysQuit();
        fs::remove_all(m_dir);
    }

    void write(const char* name, const std::vector<uint8_t>& file) {
        std::ofstream(m_dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
    }

    // Waits (briefly yielding) until `done` holds; false after 30 seconds (generous: a busy
    // machine may hold the music thread up for seconds).
    template <class F> static bool waitFor(F done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    }

    void renderRaw(const uint32_t frames, std::vector<float>& out, const uint32_t ch) {
        std::vector<float> block(static_cast<size_t>(frames) * 2);
        ASSERT_TRUE(zqp::audioRender(ZqSdSound::m_pXAudio, block.data(), frames));
        for (uint32_t i = 0; i < frames; ++i) {
            for (uint32_t c = 0; c < ch; ++c) {
                out.push_back(block[2 * i + c]);
            }
        }
    }

    // Renders `frames` frames of the track from its first sample on, never more than the voice
    // holds (the mixer looks one frame ahead), so that the render never outruns the thread.
    std::vector<float> playOut(const uint64_t frames, const uint32_t ch) {
        std::vector<float> out;
        EXPECT_TRUE(waitFor([] { return zqsd::test::bgmState().framesQueued > 1; }));
        while (out.size() < frames * ch) {
            zqsd::test::BgmState s;
            if (!waitFor([&s] {
                    s = zqsd::test::bgmState();
                    // Drained, or the track is over: the rest is silence.
                    return s.draining || s.framesQueued > 1 || !s.voice;
                })) {
                ADD_FAILURE() << "the music thread stopped feeding the voice";
                break;
            }
            uint64_t n = std::min<uint64_t>(frames - out.size() / ch, BLOCK);
            if (!s.draining && s.voice) {
                n = std::min<uint64_t>(n, s.framesQueued - 1);
            }
            renderRaw(static_cast<uint32_t>(n), out, ch);
        }
        return out;
    }

    // The first differing frame, or -1.
    static int64_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            if (a[i] != b[i]) {
                return static_cast<int64_t>(i);
            }
        }
        return a.size() == b.size() ? -1 : static_cast<int64_t>(n);
    }

    fs::path m_dir;
};

TEST_F(Bgm, ThreeMinuteTrackStreamsSampleExactInEachEncoding) {
    const zqsdw::Pcm pcm = track(180.0, 2);
    struct Row {
        zqsdw::Encoding encoding;
        const char* name;
    };
    for (const Row& r :
         {Row{zqsdw::Encoding::PCM16, "p16.sound"}, Row{zqsdw::Encoding::PCM8, "p8.sound"},
          Row{zqsdw::Encoding::ADPCM, "ad.sound"}}) {
        SCOPED_TRACE(r.name);
        const std::vector<uint8_t> file =
            r.encoding == zqsdw::Encoding::ADPCM
                ? adpcmNoise(pcm.frames() / zqsdw::adpcmSamplesPerBlock(1024, 2))
                : soundFile(pcm, r.encoding);
        write(r.name, file);
        const std::vector<float> expected = decode(file);
        const uint32_t readsBefore = zqsd::test::bgmState().reads;
        const std::u16string name(r.name, r.name + std::strlen(r.name));
        ASSERT_TRUE(ZqSdSound::playBgm(name.c_str(), 1, 0.0f, 0.0f));
        const std::vector<float> out = playOut(expected.size() / 2 + BLOCK, 2);
        std::vector<float> want = expected;
        want.resize(out.size(), 0.0f);
        EXPECT_EQ(firstDifference(out, want), -1);
        const uint64_t dataBytes = file.size() - (r.encoding == zqsdw::Encoding::ADPCM ? 64 : 36);
        EXPECT_EQ(zqsd::test::bgmState().reads - readsBefore, (dataBytes + 65535) / 65536);
        EXPECT_TRUE(waitFor([] { return !ZqSdSound::isPlayingBgm(); }));
    }
}

TEST_F(Bgm, WmaTrackStreamsAsTheWholeFileDecodes) {
    ZqSdSound::sysQuit();
    start(WMA_RATE);
    const zqsdw::Pcm pcm = track(30.0, 2, WMA_RATE);
    const std::vector<uint8_t> file = soundFile(pcm, zqsdw::Encoding::WMA);
    write("w.sound", file);
    // The reference: the same file played in one buffer as a sound effect.
    ASSERT_EQ(ZqSdSound::loadSe(u"w", file.data(), static_cast<uint32_t>(file.size()), 0, 1), 1u);
    ASSERT_EQ(ZqSdSound::playSe(u"w", 0, 1, 0.0f), 0);
    const uint64_t frames = static_cast<uint64_t>(pcm.frames());
    std::vector<float> expected;
    for (uint64_t done = 0; done < frames;) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames - done, 8192));
        renderRaw(n, expected, 2);
        done += n;
    }
    ZqSdSound::unloadSeAll();
    ASSERT_TRUE(ZqSdSound::playBgm(u"w.sound", 1, 0.0f, 0.0f));
    const std::vector<float> out = playOut(frames, 2);
    EXPECT_EQ(firstDifference(out, expected), -1);
    EXPECT_GT(zqsd::test::bgmState().submits, 1u);
}

TEST_F(Bgm, LoopsReplayTheDataFromMemoryOrFromTheFile) {
    struct Row {
        uint32_t bytes;
        uint16_t channels;
        uint32_t reads;
        uint32_t seeks;
    };
    // 100 KiB fits the three buffers and is read once; 1 MiB is read for each pass.
    for (const Row& r : {Row{100 * 1024, 1, 2, 0}, Row{1024 * 1024, 2, 48, 2}}) {
        SCOPED_TRACE(r.bytes);
        const zqsdw::Pcm pcm = track(r.bytes / 2.0 / r.channels / RATE, r.channels);
        const std::vector<uint8_t> file = soundFile(pcm, zqsdw::Encoding::PCM16);
        ASSERT_EQ(file.size(), r.bytes + 36u);
        write("l.sound", file);
        const std::vector<float> one = decode(file);
        const zqsd::test::BgmState before = zqsd::test::bgmState();
        ASSERT_TRUE(ZqSdSound::playBgm(u"l.sound", 3, 0.0f, 0.0f));
        const std::vector<float> out = playOut(3 * one.size() / r.channels, r.channels);
        std::vector<float> want;
        for (int i = 0; i < 3; ++i) {
            want.insert(want.end(), one.begin(), one.end());
        }
        EXPECT_EQ(firstDifference(out, want), -1);
        const zqsd::test::BgmState after = zqsd::test::bgmState();
        EXPECT_EQ(after.reads - before.reads, r.reads);
        EXPECT_EQ(after.seeks - before.seeks, r.seeks);
        EXPECT_TRUE(waitFor([] { return !ZqSdSound::isPlayingBgm(); }));
    }
}

TEST_F(Bgm, TheFileLoopRegionPlaysItsCountThenTheTail) {
    // Region [S, E) inside the data: the head, then the region again `count` times, the last
    // pass running on to the end of the data.
    const zqsdw::Pcm pcm = track(40.0);
    constexpr uint32_t S = 12000, LEN = 25003, COUNT = 2;
    struct Row {
        zqsdw::Encoding encoding;
        const char* name;
    };
    for (const Row& r :
         {Row{zqsdw::Encoding::PCM16, "r16.sound"}, Row{zqsdw::Encoding::ADPCM, "rad.sound"}}) {
        SCOPED_TRACE(r.name);
        const std::vector<uint8_t> file = soundFile(pcm, r.encoding, COUNT, S, LEN);
        write(r.name, file);
        const std::vector<float> all = decode(file);
        // The loop region in frames, as the file stores it (ADPCM rounds it to blocks).
        const uint32_t unit =
            r.encoding == zqsdw::Encoding::ADPCM ? zqsdw::adpcmSamplesPerBlock(512, 1) : 1;
        const uint64_t s = static_cast<uint64_t>(u32At(file, zqsd::OFFSET_LOOP_START)) * unit;
        const uint64_t e = s + static_cast<uint64_t>(u32At(file, zqsd::OFFSET_LOOP_LENGTH)) * unit;
        ASSERT_LT(e, all.size());
        std::vector<float> want;
        appendFrames(want, all, 1, 0, e);
        for (uint32_t i = 1; i < COUNT; ++i) {
            appendFrames(want, all, 1, s, e);
        }
        appendFrames(want, all, 1, s, all.size());
        const std::u16string name(r.name, r.name + std::strlen(r.name));
        ASSERT_TRUE(ZqSdSound::playBgm(name.c_str(), ZqSdSound::LOOP_FILE, 0.0f, 0.0f));
        const std::vector<float> out = playOut(want.size(), 1);
        EXPECT_EQ(firstDifference(out, want), -1);
        EXPECT_TRUE(waitFor([] { return !ZqSdSound::isPlayingBgm(); }));
    }
}

TEST_F(Bgm, EndlessLoopsKeepToTheirRegion) {
    // Loop count 255 plays the head once and the region for ever, also when the region ends
    // before the data does (the tail after it is never played).
    const zqsdw::Pcm pcm = track(12.0);
    constexpr uint32_t S = 5000, LEN = 7511;
    const std::vector<uint8_t> file = soundFile(pcm, zqsdw::Encoding::PCM16, 255, S, LEN);
    write("e.sound", file);
    const std::vector<float> all = decode(file);
    std::vector<float> want;
    appendFrames(want, all, 1, 0, S + LEN);
    for (int i = 0; i < 40; ++i) {
        appendFrames(want, all, 1, S, S + LEN);
    }
    ASSERT_TRUE(ZqSdSound::playBgm(u"e.sound", ZqSdSound::LOOP_FILE, 0.0f, 0.0f));
    const std::vector<float> out = playOut(want.size(), 1);
    EXPECT_EQ(firstDifference(out, want), -1);
    EXPECT_TRUE(ZqSdSound::isPlayingBgm());
    ASSERT_TRUE(ZqSdSound::stopBgm(0.0f));
    EXPECT_TRUE(waitFor([] { return !ZqSdSound::isPlayingBgm(); }));
}

TEST_F(Bgm, CrossFadeFollowsTheClock) {
    zqtest::FakeClock clock(1000);
    write("a.sound", soundFile(constant(16384, 20.0), zqsdw::Encoding::PCM16));
    write("b.sound", soundFile(constant(-8192, 20.0), zqsdw::Encoding::PCM16));
    ASSERT_TRUE(ZqSdSound::playBgm(u"a.sound", ZqSdSound::LOOP_ENDLESS, 0.0f, 0.0f));
    std::vector<float> out = playOut(BLOCK, 1);
    ASSERT_EQ(out.back(), 0.5f);

    // Renders a few frames until the level reaches `want` (the thread applies the clock within
    // its 10 ms wait); the level never passes it.
    const auto levelReaches = [this](const float want) {
        float got = 0.0f;
        const bool reached = waitFor([&] {
            std::vector<float> o;
            renderRaw(4, o, 1);
            got = o.back();
            return std::fabs(got - want) < 1e-4f;
        });
        EXPECT_TRUE(reached) << "level " << got << ", want " << want;
    };
    ASSERT_TRUE(ZqSdSound::playBgm(u"b.sound", ZqSdSound::LOOP_ENDLESS, 500.0f, 200.0f));
    // The fade starts when the thread carries the command out and reads the clock.
    ASSERT_TRUE(waitFor([] { return zqsd::test::bgmState().fadingOut; }));
    for (int t = 100; t <= 400; t += 100) {
        zqtest::FakeClock::advance(100);
        levelReaches(0.5f * (1.0f - t / 500.0f));
    }
    // At 500 ms (one more to get past the float steps) the first track ends and the second
    // starts silent, then rises over 200 ms.
    const uint32_t starts = zqsd::test::bgmState().starts;
    zqtest::FakeClock::advance(101);
    levelReaches(0.0f);
    EXPECT_TRUE(waitFor([starts] {
        const zqsd::test::BgmState s = zqsd::test::bgmState();
        return s.starts == starts + 1 && s.framesQueued > 1;
    }));
    for (int t = 50; t <= 200; t += 50) {
        zqtest::FakeClock::advance(50);
        levelReaches(-0.25f * t / 200.0f);
    }
    zqtest::FakeClock::advance(1000);
    levelReaches(-0.25f);

    // Volume and pan act on the voice at once.
    ASSERT_TRUE(ZqSdSound::setBgmVolume(0.5f));
    EXPECT_EQ(ZqSdSound::getBgmVolume(), 0.5f);
    levelReaches(-0.125f);
    ASSERT_TRUE(ZqSdSound::setBgmPan(0.5f));
    std::vector<float> lr;
    renderRaw(4, lr, 2);
    EXPECT_FLOAT_EQ(lr[6], -0.0625f);
    EXPECT_FLOAT_EQ(lr[7], -0.125f);
}

TEST_F(Bgm, CommandsAndTheirLimits) {
    // A thread that is not running takes nothing from its queue: four commands wait at most.
    {
        ZqSdSound::BgmThread idle;
        ZqSdSound::BgmThread::Cmd cmd;
        cmd.command = ZqSdSound::BgmThread::CMD_STOP;
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(idle.queue(cmd));
        }
        EXPECT_FALSE(idle.queue(cmd));
    }
    for (const uint32_t loop : {0u, 258u}) {
        EXPECT_FALSE(ZqSdSound::playBgm(u"x.sound", loop, 0.0f, 0.0f));
    }
    const std::u16string tooLong(260, u'a');
    EXPECT_FALSE(ZqSdSound::playBgm(tooLong.c_str(), 1, 0.0f, 0.0f));
    EXPECT_FALSE(ZqSdSound::isPlayingBgm());

    // A track that is missing or refused starts nothing.
    std::vector<uint8_t> bad = soundFile(constant(1, 0.5), zqsdw::Encoding::PCM16);
    bad[0] = 'X';
    write("bad.sound", bad);
    for (const char16_t* name : {u"missing.sound", u"bad.sound"}) {
        ASSERT_TRUE(ZqSdSound::playBgm(name, 1, 0.0f, 0.0f));
        ZqThread::sleep(30);
        EXPECT_TRUE(waitFor([] { return !ZqSdSound::isPlayingBgm(); }));
        EXPECT_FALSE(zqsd::test::bgmState().voice);
    }
}

TEST_F(Bgm, StopChangeAndQuitWhileStreaming) {
    const zqsdw::Pcm pcm = track(30.0);
    write("s.sound", soundFile(pcm, zqsdw::Encoding::ADPCM));
    write("t.sound", soundFile(pcm, zqsdw::Encoding::PCM16));

    // A stop with fade 0 ends the track at the next command step.
    ASSERT_TRUE(ZqSdSound::playBgm(u"s.sound", 1, 0.0f, 0.0f));
    playOut(20000, 1);
    ASSERT_TRUE(ZqSdSound::stopBgm(0.0f));
    EXPECT_TRUE(
        waitFor([] { return !ZqSdSound::isPlayingBgm() && !zqsd::test::bgmState().voice; }));

    // Changing tracks: the new one starts from its first sample.
    ASSERT_TRUE(ZqSdSound::playBgm(u"s.sound", 1, 0.0f, 0.0f));
    playOut(20000, 1);
    ASSERT_TRUE(ZqSdSound::playBgm(u"t.sound", 1, 0.0f, 0.0f));
    EXPECT_TRUE(waitFor([] { return !zqsd::test::bgmState().voice; }));
    const std::vector<float> head = playOut(1000, 1);
    for (uint32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(head[i], pcm.samples[i] / 32768.0f) << i;
    }

    // Another Io can only be set once the music has stopped.
    EXPECT_TRUE(ZqSdSound::setBgmFileIo(nullptr));
    EXPECT_FALSE(ZqSdSound::isPlayingBgm());

    // Quitting while the file thread reads leaves nothing running (the sanitizer build checks
    // for leaks); the thread is gone and the calls report so.
    ASSERT_TRUE(ZqSdSound::playBgm(u"s.sound", 1, 0.0f, 0.0f));
    playOut(100, 1);
    ZqSdSound::quit();
    EXPECT_FALSE(zqsd::test::bgmState().thread);
    EXPECT_FALSE(ZqSdSound::playBgm(u"s.sound", 1, 0.0f, 0.0f));
    EXPECT_FALSE(ZqSdSound::isPlayingBgm());
    EXPECT_EQ(ZqSdSound::getBgmVolume(), 0.0f);
}

} // namespace
