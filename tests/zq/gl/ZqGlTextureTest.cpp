// ZqGlTexture on the real device inside a running framework: image textures from memory and
// from files with the mip-count rule and name sharing, every refusal with its code, dynamic
// textures and their lock, render targets, reload in place, and survival of a forced device
// reset.
#include "zq/gl/ZqGlTexture.h"
#include "tests/support/ImageFiles.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/dds/DdsWriter.h"
#include "zq/platform/gpu/gpu_test.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace gpu = zqp::gpu;
using zqp::image::Format;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

constexpr uint32_t FORMAT_A8R8G8B8 = 21;
constexpr uint32_t FORMAT_X8R8G8B8 = 22;

// Runs `body` once inside a started framework (between frames, on the main thread).
void insideFramework(const std::function<void()>& body) {
    gpu::test::clearAll();
    ScriptTask root;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            body();
        }
        return frame < 1;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

std::vector<uint8_t> png(const uint32_t w, const uint32_t h) {
    return zqtest::encodeImage(zqtest::ImageFile::Png, w, h, zqtest::testPicture(w, h));
}

// A DDS of zero blocks or pixels, for sizes too large to compress in a test.
std::vector<uint8_t> blankDds(const Format format, const uint32_t w, const uint32_t h) {
    const std::vector<uint8_t> data(zqp::image::levelSize(format, w, h), 0);
    zqtool::DdsDesc desc;
    desc.format = format;
    desc.width = w;
    desc.height = h;
    return zqtool::writeDds(desc, data.data(), data.size());
}

std::vector<uint8_t> dds(const Format format, const uint32_t w, const uint32_t h,
                         const uint32_t levels) {
    const std::vector<uint8_t> pixels = zqtest::toBgra(zqtest::testPicture(w, h));
    return zqtool::makeDds(format, w, h, pixels.data(), levels);
}

ZqGlTexture* fromMemory(const char16_t* name, const std::vector<uint8_t>& file,
                        const uint32_t mipCount = 0) {
    return ZqGlTexture::create(name, file.data(), static_cast<uint32_t>(file.size()), mipCount);
}

TEST(ZqGlTexture, ImageFromMemoryIsSharedByName) {
    insideFramework([] {
        const std::vector<uint8_t> first = png(64, 32);
        ZqGlTexture* const t = fromMemory(u"picture", first);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->getType(), ZqGlTexture::TYPE_IMAGE);
        EXPECT_EQ(t->getWidth(), 64);
        EXPECT_EQ(t->getHeight(), 32);
        EXPECT_FLOAT_EQ(t->getWidthReciprocal(), 1.0f / 64);
        EXPECT_FLOAT_EQ(t->getHeightReciprocal(), 1.0f / 32);
        EXPECT_EQ(t->getFormat(), FORMAT_A8R8G8B8);
        EXPECT_EQ(t->getNrMipmapLevels(), 1u);
        EXPECT_NE(t->getD3dTexture(), nullptr);

        // The same name again: the same texture, the new data not looked at.
        const std::vector<uint8_t> other = png(16, 16);
        ZqGlTexture* const again = fromMemory(u"picture", other);
        EXPECT_EQ(again, t);
        EXPECT_EQ(t->getRefCount(), 2u);
        EXPECT_EQ(t->getWidth(), 64);
        EXPECT_EQ(t->release(), 1u);
        EXPECT_NE(t->getD3dTexture(), nullptr);
        EXPECT_EQ(t->release(), 0u);
        EXPECT_EQ(ZqGlTexture::search(u"picture"), nullptr);
    });
}

TEST(ZqGlTexture, RefusalsSetTheirCodesAndLeaveNothingBehind) {
    insideFramework([] {
        const std::vector<uint8_t> good = png(8, 8);
        std::vector<uint8_t> huge(ZqGlTexture::MAX_FILE_SIZE, 0);
        std::copy(good.begin(), good.end(), huge.begin());
        struct Case {
            const char* name;
            const char16_t* textureName;
            const void* data;
            uint32_t size;
            uint32_t code;
        };
        const std::vector<uint8_t> npot = png(300, 256);
        // A whole 4096x4096 DDS is larger than any accepted file, so the side is tested alone.
        const std::vector<uint8_t> big = blankDds(Format::Dxt1, 4096, 256);
        const std::vector<uint8_t> garbage(200, 0x5A);
        std::vector<uint8_t> lying = dds(Format::Dxt1, 64, 64, 1);
        lying.resize(lying.size() - 8); // the last block is missing
        const Case cases[] = {
            {"null name", nullptr, good.data(), 8, ZqGlTexture::ERROR_NULL},
            {"null data", u"t", nullptr, 8, ZqGlTexture::ERROR_NULL},
            {"4 MiB", u"t", huge.data(), ZqGlTexture::MAX_FILE_SIZE, ZqGlTexture::ERROR_TOO_LARGE},
            {"not an image", u"t", garbage.data(), 200, ZqGlTexture::ERROR_CREATE},
            {"truncated dds", u"t", lying.data(), static_cast<uint32_t>(lying.size()),
             ZqGlTexture::ERROR_CREATE},
            {"300x256 png", u"t", npot.data(), static_cast<uint32_t>(npot.size()),
             ZqGlTexture::ERROR_SIZE},
            {"4096x256 dds", u"t", big.data(), static_cast<uint32_t>(big.size()),
             ZqGlTexture::ERROR_SIZE},
        };
        const uint32_t before = ZqGlTexture::getNrInstances();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            zqp::setLastError(0);
            EXPECT_EQ(ZqGlTexture::create(c.textureName, c.data, c.size, 0), nullptr);
            EXPECT_EQ(zqp::getLastError(), c.code);
            EXPECT_EQ(ZqGlTexture::getNrInstances(), before);
        }

        // A name held by a texture of another kind.
        ZqGlTexture* const target = ZqGlTexture::createRenderTarget(64, 64, FORMAT_X8R8G8B8, false);
        ASSERT_NE(target, nullptr);
        zqp::setLastError(0);
        EXPECT_EQ(fromMemory(u"*renderTarget", good), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_KIND);
        EXPECT_EQ(target->getRefCount(), 1u);
        target->release();
    });
}

TEST(ZqGlTexture, MipLevelsFollowTheFileAndTheCountAskedFor) {
    insideFramework([] {
        struct Case {
            const char* name;
            std::vector<uint8_t> file;
            uint32_t mipCount;
            uint32_t levels;
            uint32_t format;
        };
        std::vector<uint8_t> twenty = dds(Format::A8R8G8B8, 256, 256, 9);
        twenty[28] = 20; // a header count of 20 with the nine levels of a 256 chain
        std::vector<Case> cases;
        cases.push_back({"png, count 0", png(64, 64), 0, 1, FORMAT_A8R8G8B8});
        cases.push_back({"png, count 4", png(64, 64), 4, 4, FORMAT_A8R8G8B8});
        cases.push_back({"dxt1 of 3 levels, count 0", dds(Format::Dxt1, 64, 64, 3), 0, 3,
                         static_cast<uint32_t>(Format::Dxt1)});
        cases.push_back({"dxt1 of 3 levels, count 6", dds(Format::Dxt1, 64, 64, 3), 6, 6,
                         static_cast<uint32_t>(Format::Dxt1)});
        cases.push_back({"header of 20 levels", twenty, 0, 9, FORMAT_A8R8G8B8});
        cases.push_back({"count beyond the chain", png(16, 4), 30, 5, FORMAT_A8R8G8B8});
        int n = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            const std::u16string name = u"mips" + std::u16string(1, char16_t(u'a' + n++));
            ZqGlTexture* const t = fromMemory(name.c_str(), c.file, c.mipCount);
            ASSERT_NE(t, nullptr) << std::hex << zqp::getLastError();
            EXPECT_EQ(t->getNrMipmapLevels(), c.levels);
            EXPECT_EQ(t->getFormat(), c.format);
            t->release();
        }
    });
}

TEST(ZqGlTexture, ImageFromFileReadsTheFileOnlyForANewTexture) {
    insideFramework([] {
        // A name of this process only: test runs of other build folders may run at the same time.
        const std::string path =
            testing::TempDir() + std::to_string(zqp::currentThreadId()) + "zqgltexture_file.png";
        {
            const std::vector<uint8_t> file = png(32, 16);
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(file.data()),
                      static_cast<std::streamsize>(file.size()));
        }
        const std::u16string path16(path.begin(), path.end());
        ZqGlTexture* const t = ZqGlTexture::create(u"fromFile", path16.c_str(), 0);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->getWidth(), 32);
        std::remove(path.c_str());
        // The file is gone, but the name exists: no read, the same texture.
        EXPECT_EQ(ZqGlTexture::create(u"fromFile", path16.c_str(), 0), t);
        zqp::setLastError(0);
        EXPECT_EQ(ZqGlTexture::create(u"missing", path16.c_str(), 0), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_KIND);
        EXPECT_EQ(ZqGlTexture::create(u"x", static_cast<const char16_t*>(nullptr), 0), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_NULL);
        t->release();
        t->release();
    });
}

TEST(ZqGlTexture, DynamicTexturesLockLevelZero) {
    insideFramework([] {
        ZqGlTexture* const a = ZqGlTexture::createDynamic(64, 32);
        ZqGlTexture* const b = ZqGlTexture::createDynamic(64, 32);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(a, b); // never shared
        EXPECT_EQ(a->getType(), ZqGlTexture::TYPE_DYNAMIC);
        EXPECT_EQ(a->getFormat(), FORMAT_X8R8G8B8);
        unsigned int pitch = 0;
        void* bits = nullptr;
        ASSERT_TRUE(a->lock(&pitch, &bits));
        ASSERT_NE(bits, nullptr);
        EXPECT_GE(pitch, 64u * 4);
        std::memset(bits, 0x7F, pitch * 32);
        a->unlock();
        a->unlock(); // without a lock: nothing happens
        b->unlock();
        a->release();
        b->release();

        for (const auto& size : {std::pair{100u, 64u}, {64u, 4096u}, {0u, 64u}}) {
            zqp::setLastError(0);
            EXPECT_EQ(ZqGlTexture::createDynamic(size.first, size.second), nullptr);
            EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_SIZE);
        }
    });
}

TEST(ZqGlTexture, RenderTargetsTakeAnySizeUpTo2048) {
    insideFramework([] {
        ZqGlTexture* const t = ZqGlTexture::createRenderTarget(300, 200, FORMAT_X8R8G8B8, true);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->getType(), ZqGlTexture::TYPE_RENDER_TARGET);
        EXPECT_EQ(t->getWidth(), 300);
        EXPECT_EQ(t->getHeight(), 200);
        EXPECT_EQ(t->getFormat(), FORMAT_X8R8G8B8);
        // Render targets cannot be locked.
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_FALSE(t->lock(nullptr, &bits));
        EXPECT_EQ(bits, nullptr);
        t->release();

        zqp::setLastError(0);
        EXPECT_EQ(ZqGlTexture::createRenderTarget(2049, 16, FORMAT_X8R8G8B8, false), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_SIZE);
        zqp::setLastError(0);
        EXPECT_EQ(ZqGlTexture::createRenderTarget(64, 64, static_cast<uint32_t>(gpu::Format::D24S8),
                                                  false),
                  nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_CREATE);
        EXPECT_EQ(ZqGlTexture::getNrInstances(), 0u);
    });
}

TEST(ZqGlTexture, ReloadReplacesTheImageInPlace) {
    insideFramework([] {
        ZqGlTexture* const t = fromMemory(u"reloaded", png(64, 64));
        ASSERT_NE(t, nullptr);
        t->addRef();
        const std::vector<uint8_t> smaller = dds(Format::Dxt5, 32, 16, 1);
        EXPECT_EQ(t->reload(smaller.data(), static_cast<uint32_t>(smaller.size())), t);
        EXPECT_EQ(t->getWidth(), 32);
        EXPECT_EQ(t->getHeight(), 16);
        EXPECT_EQ(t->getFormat(), static_cast<uint32_t>(Format::Dxt5));
        EXPECT_EQ(t->getNrMipmapLevels(), 6u); // a reload always makes the full chain
        EXPECT_EQ(t->getRefCount(), 2u);
        EXPECT_EQ(ZqGlTexture::getNrInstances(), 1u);

        // A failed reload leaves it as it was.
        const std::vector<uint8_t> npot = png(48, 48);
        zqp::setLastError(0);
        EXPECT_EQ(t->reload(npot.data(), static_cast<uint32_t>(npot.size())), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_SIZE);
        EXPECT_EQ(t->getWidth(), 32);
        EXPECT_NE(t->getD3dTexture(), nullptr);
        EXPECT_EQ(t->reload(nullptr, 10), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_NULL);

        ZqGlTexture* const dynamic = ZqGlTexture::createDynamic(16, 16);
        EXPECT_EQ(dynamic->reload(smaller.data(), static_cast<uint32_t>(smaller.size())), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_KIND);
        dynamic->release();
        t->release();
        t->release();
        EXPECT_EQ(t->reload(smaller.data(), static_cast<uint32_t>(smaller.size())), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlTexture::ERROR_NOT_LIVE);
    });
}

TEST(ZqGlTexture, RenderTargetsAndDynamicTexturesSurviveADeviceReset) {
    gpu::test::clearAll();
    ScriptTask root;
    ZqGlTexture* image = nullptr;
    ZqGlTexture* target = nullptr;
    ZqGlTexture* plain = nullptr;
    ZqGlTexture* dynamic = nullptr;
    gpu::Texture* imageBefore = nullptr;
    gpu::Texture* targetBefore = nullptr;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            image = fromMemory(u"kept", png(16, 16));
            target = ZqGlTexture::createRenderTarget(300, 200, FORMAT_A8R8G8B8, true);
            plain = ZqGlTexture::createRenderTarget(128, 64, FORMAT_X8R8G8B8, false);
            dynamic = ZqGlTexture::createDynamic(32, 32);
            EXPECT_TRUE(image != nullptr && target != nullptr && plain != nullptr &&
                        dynamic != nullptr);
            imageBefore = image->getD3dTexture().get();
            targetBefore = target->getD3dTexture().get();
            // This frame's present finds the device lost, and it can be reset at once.
            gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost, 1);
            gpu::test::failNext(gpu::test::Call::TestCooperativeLevel, gpu::Result::DeviceNotReset,
                                1);
        }
        if (frame == 1) {
            EXPECT_EQ(image->getD3dTexture().get(), imageBefore);
            EXPECT_NE(target->getD3dTexture(), nullptr);
            EXPECT_NE(target->getD3dTexture().get(), targetBefore); // made again
            EXPECT_EQ(target->getWidth(), 300);
            EXPECT_EQ(target->getHeight(), 200);
            EXPECT_EQ(target->getFormat(), FORMAT_A8R8G8B8);
            EXPECT_EQ(plain->getFormat(), FORMAT_X8R8G8B8);
            EXPECT_NE(dynamic->getD3dTexture(), nullptr);
            unsigned int pitch = 0;
            void* bits = nullptr;
            EXPECT_TRUE(dynamic->lock(&pitch, &bits));
            dynamic->unlock();
            ZqGlSystem::setRenderTarget(target);
            EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 300.0f);
            ZqGlSystem::setRenderTarget(nullptr);
            image->release();
            target->release();
            plain->release();
            dynamic->release();
            return false;
        }
        return true;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

TEST(ZqGlTexture, FailedRecreationAfterAResetIsFatal) {
    gpu::test::clearAll();
    ScriptTask root;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            EXPECT_NE(ZqGlTexture::createRenderTarget(64, 64, FORMAT_X8R8G8B8, false), nullptr);
            gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost, 1);
            gpu::test::failNext(gpu::test::Call::TestCooperativeLevel, gpu::Result::DeviceNotReset,
                                1);
            // The reset goes through; the texture's own creation afterwards does not.
            gpu::test::failNext(gpu::test::Call::CreateTexture, gpu::Result::OutOfVideoMemory, 1);
        }
        return frame < 3;
    };
    EXPECT_EQ(runFrameworkCode(root), ZqError::TEXTURE_RESET);
    gpu::test::clearAll();
}

} // namespace
