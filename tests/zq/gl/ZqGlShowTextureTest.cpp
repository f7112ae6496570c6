// ZqGlShowTexture inside a running framework: a movie file read through the file layer plays
// into a dynamic texture whose sides are raised to powers of two, the frame's pump writes the
// frames and shows the end for one frame, and the pool of one holds the file I/O fixed.
#include "zq/gl/ZqGlShowTexture.h"
#include "tests/support/TestMovie.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/gpu/gpu.h"
#include "zqmovie/ZqGlShowTextureDll_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

namespace gpu = zqp::gpu;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

std::atomic<int64_t> g_now{0};
int64_t testClock() {
    return g_now.load();
}

std::u16string writeMovie(const char* const name, const zqtest::TestMovieDesc& desc) {
    // A name of this process only: test runs of other build folders may run at the same time.
    const std::string path = testing::TempDir() + std::to_string(zqp::currentThreadId()) + name;
    const std::vector<uint8_t> file = zqtest::makeTestMovie(desc);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return std::u16string(path.begin(), path.end());
}

// The texel (x, y) of level 0 as 0xRRGGBB, read back from the device.
uint32_t texel(const ZqGlTexture& texture, const uint32_t x, const uint32_t y) {
    gpu::LockedRect locked;
    if (texture.getD3dTexture()->lockRect(0, locked, nullptr, gpu::lock::READONLY) !=
        gpu::Result::Ok) {
        return 0xFFFFFFFFu;
    }
    const uint32_t value =
        static_cast<const uint32_t*>(locked.bits)[y * (locked.pitch / 4) + x] & 0xFFFFFFu;
    texture.getD3dTexture()->unlockRect(0);
    return value;
}

bool near(const uint32_t got, const uint32_t rgb) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((got >> shift) & 0xFF) -
                     static_cast<int>((rgb >> shift) & 0xFF)) > 14) {
            return false;
        }
    }
    return true;
}

TEST(ZqGlShowTexture, PlaysAMovieFileIntoAPowerOfTwoTexture) {
    const zqtest::TestMovieDesc wide{320, 240, 2, 10, 0};
    const std::u16string widePath = writeMovie("zqmovie_320.avi", wide);
    const std::u16string squarePath = writeMovie("zqmovie_256.avi", {256, 256, 1, 10, 0});
    g_now = 0;
    zqmovie::test::setClock(testClock);

    ScriptTask root;
    ZqGlShowTexture* movie = nullptr;
    uint32_t endedAt = 0;
    bool sawFrame = false;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            movie = ZqGlShowTexture::create(widePath.c_str());
            EXPECT_NE(movie, nullptr);
            if (movie == nullptr) {
                return false;
            }
            EXPECT_EQ(movie->getWidth(), 320);
            EXPECT_EQ(movie->getHeight(), 240);
            EXPECT_EQ(movie->getVideoPitch(), 960u);
            EXPECT_EQ(movie->getTexture()->getWidth(), 512);
            EXPECT_EQ(movie->getTexture()->getHeight(), 256);
            EXPECT_EQ(movie->getTexture()->getType(), ZqGlTexture::TYPE_DYNAMIC);
            // One movie at a time, and its file I/O stays while it plays.
            EXPECT_EQ(ZqGlShowTexture::create(squarePath.c_str()), nullptr);
            EXPECT_FALSE(ZqGlShowTexture::setFileIo(nullptr));
            EXPECT_EQ(ZqGlShowTexture::createRecord(widePath.c_str(), 1, 1, nullptr, nullptr),
                      nullptr);
            EXPECT_TRUE(movie->play());
            return true;
        }
        if (!sawFrame) {
            // The bars of frame 0, written by an earlier frame's pump.
            const ZqGlTexture& t = *movie->getTexture();
            sawFrame = near(texel(t, 40, 60), 0xFF0000) && near(texel(t, 280, 60), 0xFFFFFF) &&
                       near(texel(t, 160, 180), zqtest::testMovieColor(wide, 0, 160, 180));
            if (sawFrame) {
                g_now = 250000;
            }
            return frame < 500;
        }
        if (endedAt == 0) {
            if ((movie->getState() & ZqGlShowTexture::STATE_ENDED) != 0) {
                endedAt = frame;
                EXPECT_EQ(movie->getState() & 3u, ZqGlShowTexture::STATE_STOPPED);
            }
            return frame < 500;
        }
        // The end shows for one frame's pump only.
        EXPECT_EQ(movie->getState() & ZqGlShowTexture::STATE_ENDED, 0u);
        EXPECT_EQ(movie->release(), 0u);
        EXPECT_TRUE(ZqGlShowTexture::setFileIo(nullptr));
        ZqGlShowTexture* const square = ZqGlShowTexture::create(squarePath.c_str());
        EXPECT_NE(square, nullptr);
        if (square != nullptr) {
            EXPECT_EQ(square->getTexture()->getWidth(), 256);
            EXPECT_EQ(square->getTexture()->getHeight(), 256);
            square->release();
        }
        // A file that is not there.
        EXPECT_EQ(ZqGlShowTexture::create(u"/nonexistent/zqmovie.avi"), nullptr);
        EXPECT_EQ(ZqGlTexture::getNrInstances(), 0u);
        return false;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    zqmovie::test::setClock(nullptr);
    EXPECT_TRUE(sawFrame);
    EXPECT_NE(endedAt, 0u);
    for (const std::u16string& p : {widePath, squarePath}) {
        std::remove(std::string(p.begin(), p.end()).c_str());
    }
}

} // namespace
