#include "tests/support/GoldenImage.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace zqtest {

namespace gpu = zqp::gpu;

Image readSurface(gpu::Device& device, gpu::Surface& surface) {
    gpu::SurfaceDesc desc;
    if (surface.getDesc(desc) != gpu::Result::Ok) {
        return {};
    }
    if (desc.format != gpu::Format::A8R8G8B8 && desc.format != gpu::Format::X8R8G8B8) {
        return {};
    }
    std::shared_ptr<gpu::Surface> copy;
    if (device.createOffscreenPlainSurface(desc.width, desc.height, desc.format,
                                           gpu::Pool::SystemMem, copy) != gpu::Result::Ok ||
        device.getRenderTargetData(&surface, copy.get()) != gpu::Result::Ok) {
        return {};
    }
    gpu::LockedRect locked;
    if (copy->lockRect(locked, nullptr, gpu::lock::READONLY) != gpu::Result::Ok) {
        return {};
    }
    Image image(desc.width, desc.height);
    for (uint32_t y = 0; y < desc.height; ++y) {
        std::memcpy(&image.at(0, y), static_cast<const uint8_t*>(locked.bits) + y * locked.pitch,
                    desc.width * 4u);
    }
    copy->unlockRect();
    if (desc.format == gpu::Format::X8R8G8B8) {
        for (uint32_t& p : image.pixels) {
            p |= 0xFF000000u;
        }
    }
    return image;
}

Image readRenderTarget(gpu::Device& device) {
    std::shared_ptr<gpu::Surface> target;
    if (device.getRenderTarget(0, target) != gpu::Result::Ok) {
        return {};
    }
    return readSurface(device, *target);
}

Image readFrontBuffer(gpu::Device& device, const uint32_t width, const uint32_t height) {
    std::shared_ptr<gpu::Surface> copy;
    if (device.createOffscreenPlainSurface(width, height, gpu::Format::A8R8G8B8,
                                           gpu::Pool::SystemMem, copy) != gpu::Result::Ok ||
        device.getFrontBufferData(copy.get()) != gpu::Result::Ok) {
        return {};
    }
    gpu::LockedRect locked;
    if (copy->lockRect(locked, nullptr, gpu::lock::READONLY) != gpu::Result::Ok) {
        return {};
    }
    Image image(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        std::memcpy(&image.at(0, y), static_cast<const uint8_t*>(locked.bits) + y * locked.pitch,
                    width * 4u);
    }
    copy->unlockRect();
    return image;
}

bool writePng(const std::string& path, const Image& image) {
    std::vector<uint8_t> rgba(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t p = image.pixels[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(p);
        rgba[i * 4 + 3] = static_cast<uint8_t>(p >> 24);
    }
    return stbi_write_png(path.c_str(), static_cast<int>(image.width),
                          static_cast<int>(image.height), 4, rgba.data(),
                          static_cast<int>(image.width * 4)) != 0;
}

bool readPng(const std::string& path, Image& out) {
    int w = 0;
    int h = 0;
    int channels = 0;
    stbi_uc* const data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (data == nullptr) {
        return false;
    }
    out = Image(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        const stbi_uc* const p = data + i * 4;
        out.pixels[i] = (static_cast<uint32_t>(p[3]) << 24) | (static_cast<uint32_t>(p[0]) << 16) |
                        (static_cast<uint32_t>(p[1]) << 8) | p[2];
    }
    stbi_image_free(data);
    return true;
}

std::string outputPath(const std::string& fileName) {
    const char* const dir = std::getenv("ZQ_TEST_OUTPUT_DIR");
    return dir != nullptr && dir[0] != 0 ? std::string(dir) + "/" + fileName : fileName;
}

std::string goldenPath(const std::string& fileName) {
    const char* const root = std::getenv("ZQ_TEST_SOURCE_DIR");
    const std::string base = root != nullptr && root[0] != 0 ? root : ".";
    return base + "/tests/data/" + fileName;
}

testing::AssertionResult imagesMatch(const Image& actual, const Image& expected,
                                     const std::string& name, const int tolerance,
                                     const uint32_t maxBadPixels, const bool compareAlpha) {
    const auto fail = [&](const std::string& why) {
        const std::string a = outputPath(name + ".actual.png");
        const std::string e = outputPath(name + ".expected.png");
        writePng(a, actual);
        writePng(e, expected);
        return testing::AssertionFailure()
               << name << ": " << why << " (wrote " << a << " and " << e << ")";
    };
    if (actual.width != expected.width || actual.height != expected.height ||
        actual.pixels.empty()) {
        return fail("size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) +
                    ", expected " + std::to_string(expected.width) + "x" +
                    std::to_string(expected.height));
    }
    uint32_t bad = 0;
    std::string first;
    for (uint32_t y = 0; y < actual.height; ++y) {
        for (uint32_t x = 0; x < actual.width; ++x) {
            const uint32_t a = actual.at(x, y);
            const uint32_t e = expected.at(x, y);
            int worst = 0;
            for (int shift = 0; shift < (compareAlpha ? 32 : 24); shift += 8) {
                const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                       static_cast<int>((e >> shift) & 0xFF));
                worst = std::max(worst, d);
            }
            if (worst > tolerance) {
                if (bad == 0) {
                    char text[96];
                    std::snprintf(text, sizeof text, "first at (%u, %u): 0x%08X, expected 0x%08X",
                                  x, y, a, e);
                    first = text;
                }
                ++bad;
            }
        }
    }
    if (bad > maxBadPixels) {
        return fail(std::to_string(bad) + " pixels differ, " + first);
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult matchesGolden(const Image& actual, const std::string& goldenFile,
                                       const int tolerance, const uint32_t maxBadPixels) {
    const std::string path = goldenPath(goldenFile);
    const char* const update = std::getenv("ZQ_UPDATE_GOLDEN");
    if (update != nullptr && std::strcmp(update, "1") == 0) {
        if (!writePng(path, actual)) {
            return testing::AssertionFailure() << "cannot write " << path;
        }
        return testing::AssertionSuccess();
    }
    Image expected;
    if (!readPng(path, expected)) {
        return testing::AssertionFailure()
               << "no golden picture " << path << " (ZQ_UPDATE_GOLDEN=1 writes it)";
    }
    std::string name = goldenFile;
    for (char& c : name) {
        c = c == '/' ? '_' : c;
    }
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
        name.resize(name.size() - 4);
    }
    return imagesMatch(actual, expected, name, tolerance, maxBadPixels);
}

} // namespace zqtest
