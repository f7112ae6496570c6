// The movie player end to end on tiny movies made by FFmpeg's encoders: frames reach the
// texture, the end of the stream stops or loops, seeking, sound, and streams it refuses. The
// media clock is the test's own; the decode thread runs for real.

#include "zqmovie/ZqGlShowTextureDll.h"
#include "zqmovie/ZqGlShowTextureDll_test.h"
#include "zqmovie/ZqMovieTexture.h"

#include "tests/support/TestMovie.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

namespace {

using zqtest::TestMovieDesc;

// The stream the callbacks read, and a check that they are never entered twice at once.
std::vector<uint8_t> g_stream;
uint32_t g_position = 0;
std::atomic<int> g_inCallback{0};
std::atomic<bool> g_overlap{false};
std::atomic<int64_t> g_now{0};

struct CallbackScope {
    CallbackScope() {
        if (g_inCallback.fetch_add(1) != 0) {
            g_overlap = true;
        }
    }
    ~CallbackScope() { g_inCallback.fetch_sub(1); }
};

bool seekStream(const uint32_t position) {
    const CallbackScope scope;
    if (position > g_stream.size()) {
        return false;
    }
    g_position = position;
    return true;
}

uint32_t readStream(void* const buffer, const uint32_t length) {
    const CallbackScope scope;
    const uint32_t n =
        std::min<uint32_t>(length, static_cast<uint32_t>(g_stream.size()) - g_position);
    std::memcpy(buffer, g_stream.data() + g_position, n);
    g_position += n;
    return n;
}

int64_t testClock() {
    return g_now.load();
}

// An X8R8G8B8 texture in memory; it is only ever touched from main().
class MemoryTexture : public ZqMovieTexture {
public:
    bool getLevelDesc(uint32_t* const f, uint32_t* const w, uint32_t* const h) override {
        *f = FORMAT_X8R8G8B8;
        *w = width;
        *h = height;
        return true;
    }
    bool lock(uint32_t* const p, void** const b) override {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        *p = width * 4;
        *b = bits.data();
        ++uploads;
        return true;
    }
    bool unlock() override { return true; }
    uint32_t texel(const uint32_t x, const uint32_t y) const { return bits[y * width + x]; }

    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> bits;
    int uploads = 0;
    int creations = 0;
    std::thread::id owner = std::this_thread::get_id();
};

ZqMovieTexture* createTexture(const uint16_t width, const uint16_t height, void* const context) {
    auto* const texture = static_cast<MemoryTexture*>(context);
    ++texture->creations;
    // Sides rounded up to powers of two, as the framework does.
    texture->width = std::bit_ceil(uint32_t{width});
    texture->height = std::bit_ceil(uint32_t{height});
    texture->bits.assign(static_cast<size_t>(texture->width) * texture->height, 0);
    return texture;
}

bool near(const uint32_t got, const uint32_t rgb, const int tolerance = 14) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((got >> shift) & 0xFF);
        const int b = static_cast<int>((rgb >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) {
            return false;
        }
    }
    return true;
}

class ZqGlShowTextureDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 0;
        g_overlap = false;
        zqmovie::test::setClock(testClock);
    }
    void TearDown() override {
        player.releaseBody();
        zqmovie::test::setClock(nullptr);
        EXPECT_FALSE(g_overlap) << "callbacks entered twice at once";
    }

    bool open(const TestMovieDesc& desc) {
        g_stream = zqtest::makeTestMovie(desc);
        EXPECT_FALSE(g_stream.empty());
        this->desc = desc;
        g_position = 0;
        return player.initPlay(createTexture, &texture, static_cast<uint32_t>(g_stream.size()),
                               seekStream, readStream);
    }

    // Pumps the player like a frame loop until the condition holds (at most 30 seconds: the
    // decoder thread's work may take that long on a busy machine).
    bool pumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            player.main();
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // The texture shows frame i: every bar and the frame's grey.
    bool showsFrame(const uint32_t frame) const {
        if (texture.bits.empty()) {
            return false;
        }
        for (uint32_t bar = 0; bar < 4; ++bar) {
            const uint32_t x = desc.width * bar / 4 + desc.width / 8;
            if (!near(texture.texel(x, desc.height / 4), zqtest::TEST_MOVIE_BARS[bar])) {
                return false;
            }
        }
        const uint32_t g = zqtest::testMovieGrey(frame);
        return near(texture.texel(desc.width / 2, desc.height * 3 / 4), g << 16 | g << 8 | g, 6);
    }

    ZqGlShowTextureDll player;
    MemoryTexture texture;
    TestMovieDesc desc;
};

TEST_F(ZqGlShowTextureDllTest, FramesReachTheTextureAtTheirTimeAndTheEndStops) {
    ASSERT_TRUE(open({64, 32, 4, 10, 0}));
    EXPECT_EQ(texture.creations, 1);
    EXPECT_EQ(player.getWidth(), 64);
    EXPECT_EQ(player.getHeight(), 32);
    EXPECT_EQ(player.getVideoPitch(), 192u);
    EXPECT_EQ(player.getType(), ZqGlShowTextureDll::TYPE_SEEKABLE);
    EXPECT_NEAR(player.getTotalTime(), 400.0f, 1.0f);
    EXPECT_EQ(player.getState(), ZqGlShowTextureDll::STATE_STOPPED);
    EXPECT_FLOAT_EQ(player.getVolume(), 1.0f);
    EXPECT_FLOAT_EQ(player.getPan(), 0.0f);
    EXPECT_FLOAT_EQ(player.getPitch(), 1.0f);

    ASSERT_TRUE(player.play());
    ASSERT_TRUE(pumpUntil([&] { return showsFrame(0); }));
    EXPECT_EQ(player.getState(), ZqGlShowTextureDll::STATE_RUNNING);
    g_now = 250000;
    ASSERT_TRUE(pumpUntil([&] { return showsFrame(2); }));
    EXPECT_NEAR(player.getTime(), 250.0f, 0.5f);

    // Past the end: the pump that takes the end stops and rewinds; the next one clears the bit.
    g_now = 450000;
    ASSERT_TRUE(pumpUntil([&] { return (player.getState() & 0x80) != 0; }));
    EXPECT_EQ(player.getState(),
              ZqGlShowTextureDll::STATE_ENDED | ZqGlShowTextureDll::STATE_STOPPED);
    EXPECT_FLOAT_EQ(player.getTime(), 0.0f);
    player.main();
    EXPECT_EQ(player.getState(), ZqGlShowTextureDll::STATE_STOPPED);
}

TEST_F(ZqGlShowTextureDllTest, LoopModeRunsAgainFromTheStart) {
    ASSERT_TRUE(open({64, 32, 3, 10, 0}));
    player.setLoopMode(1);
    EXPECT_EQ(player.getLoopMode(), 1);
    ASSERT_TRUE(player.play());
    g_now = 350000;
    ASSERT_TRUE(pumpUntil([&] { return (player.getState() & 0x80) != 0; }));
    EXPECT_EQ(player.getState() & 0x83u, 0x83u);
    EXPECT_NEAR(player.getTime(), 0.0f, 0.5f);
    // The second pass shows its frames again.
    g_now = 350000 + 150000;
    ASSERT_TRUE(pumpUntil([&] { return showsFrame(1); }));
    EXPECT_EQ(player.getState() & 0x83u, 0x03u);
}

TEST_F(ZqGlShowTextureDllTest, SetTimeSeeksAndPauseShowsTheFrameThere) {
    ASSERT_TRUE(open({64, 32, 12, 4, 0}));
    EXPECT_NEAR(player.getTotalTime(), 3000.0f, 1.0f);
    ASSERT_TRUE(player.pause());
    ASSERT_TRUE(pumpUntil([&] { return showsFrame(0); }));
    EXPECT_EQ(player.getState(), ZqGlShowTextureDll::STATE_PAUSED);

    player.setTime(2500.0f);
    EXPECT_FLOAT_EQ(player.getTime(), 2500.0f);
    ASSERT_TRUE(pumpUntil([&] { return showsFrame(10); }));
    EXPECT_EQ(player.getState(), ZqGlShowTextureDll::STATE_PAUSED);
    // Paused, the clock moving does not move the picture.
    g_now = 400000;
    player.main();
    EXPECT_FLOAT_EQ(player.getTime(), 2500.0f);

    // At twice the rate, 250 ms of clock are 500 ms of movie.
    player.setPitch(2.0f);
    EXPECT_FLOAT_EQ(player.getPitch(), 2.0f);
    player.setPitch(-1.0f);
    EXPECT_FLOAT_EQ(player.getPitch(), 2.0f);
    ASSERT_TRUE(player.play());
    g_now = 650000;
    ASSERT_TRUE(pumpUntil([&] { return (player.getState() & 0x80) != 0; }));
}

TEST_F(ZqGlShowTextureDllTest, SoundPlaysAtTheSetVolumeAndPan) {
    ASSERT_TRUE(open({64, 32, 4, 10, 400}));
    ASSERT_TRUE(zqmovie::test::hasAudioDevice(player));
    EXPECT_EQ(zqmovie::test::getAudioVolume(player), 0);
    player.setVolume(1.5f);
    EXPECT_FLOAT_EQ(player.getVolume(), 1.0f);
    player.setVolume(0.5f);
    EXPECT_FLOAT_EQ(player.getVolume(), 0.5f);
    EXPECT_EQ(zqmovie::test::getAudioVolume(player), -5000);
    player.setVolume(0.0f);
    EXPECT_EQ(zqmovie::test::getAudioVolume(player), -10000);
    player.setPan(-0.25f);
    EXPECT_EQ(zqmovie::test::getAudioBalance(player), -2500);
    player.setPan(1.5f);
    EXPECT_FLOAT_EQ(player.getPan(), -0.25f);
    EXPECT_EQ(zqmovie::test::getAudioBalance(player), -2500);

    ASSERT_TRUE(player.play());
    g_now = 450000;
    ASSERT_TRUE(pumpUntil([&] { return (player.getState() & 0x80) != 0; }));
    EXPECT_TRUE(showsFrame(3));
    // All 400 ms of sound at the device's rate went to the device.
    EXPECT_NEAR(static_cast<double>(zqmovie::test::getAudioFramesPushed(player)), 3200.0, 100.0);
}

TEST_F(ZqGlShowTextureDllTest, SoundOnlyStreamMakesNoTexture) {
    ASSERT_TRUE(open({0, 0, 0, 10, 300}));
    EXPECT_EQ(texture.creations, 0);
    EXPECT_EQ(player.getWidth(), 0);
    EXPECT_EQ(player.getHeight(), 0);
    ASSERT_TRUE(player.play());
    g_now = 350000;
    ASSERT_TRUE(pumpUntil([&] { return (player.getState() & 0x80) != 0; }));
    EXPECT_GT(zqmovie::test::getAudioFramesPushed(player), 2000u);
    EXPECT_EQ(texture.uploads, 0);
}

TEST_F(ZqGlShowTextureDllTest, RefusesWideVideoAndBrokenStreams) {
    ASSERT_FALSE(open({1024, 16, 2, 10, 0}));
    EXPECT_EQ(texture.creations, 0);
    EXPECT_EQ(player.getState(), ZqGlShowTextureDll::STATE_ERROR);
    EXPECT_EQ(player.getWidth(), 0);

    const std::vector<uint8_t> movie = zqtest::makeTestMovie({64, 32, 4, 10, 0});
    ASSERT_FALSE(movie.empty());
    std::mt19937 random(7);
    std::vector<std::vector<uint8_t>> broken;
    broken.emplace_back(movie.begin(), movie.begin() + 200);
    broken.emplace_back(movie.begin(), movie.begin() + 12);
    broken.emplace_back(4096);
    for (uint8_t& b : broken.back()) {
        b = static_cast<uint8_t>(random());
    }
    broken.emplace_back();
    for (size_t i = 0; i < broken.size(); ++i) {
        g_stream = broken[i];
        g_position = 0;
        EXPECT_FALSE(player.initPlay(createTexture, &texture,
                                     static_cast<uint32_t>(g_stream.size()), seekStream,
                                     readStream))
            << i;
    }
    // A stream size beyond what the callbacks deliver is a failed read, not a crash.
    g_stream = movie;
    EXPECT_FALSE(player.initPlay(createTexture, &texture, 100, seekStream, readStream));
    EXPECT_EQ(texture.creations, 0);
    // One longer than its data opens (the header is whole) and ends where the data runs out.
    if (player.initPlay(createTexture, &texture, static_cast<uint32_t>(movie.size()) + 5000,
                        seekStream, readStream)) {
        ASSERT_TRUE(player.play());
        g_now = 1000000;
        EXPECT_TRUE(pumpUntil([&] { return (player.getState() & 0x80) != 0; }));
    }
}

} // namespace
