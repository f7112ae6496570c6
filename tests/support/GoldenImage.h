// Golden-image helpers for rendering tests: read a picture back from the graphics device,
// compare it with an expected one within a tolerance, and on a mismatch write both as PNG
// files (into $ZQ_TEST_OUTPUT_DIR, else the working directory) for a person to look at.
// Expected pictures live as PNG files under tests/data; ZQ_UPDATE_GOLDEN=1 rewrites them
// from what the test drew.
#pragma once

#include "zq/platform/gpu/gpu.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zqtest {

// A picture, top row first, each pixel 0xAARRGGBB.
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;

    Image() = default;
    Image(uint32_t w, uint32_t h, uint32_t fill = 0xFF000000u)
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    uint32_t at(uint32_t x, uint32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t& at(uint32_t x, uint32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The device's current render target 0 (colour formats of 32 bits); empty on failure.
Image readRenderTarget(zqp::gpu::Device& device);
// Any render-target surface of 32-bit colour; empty on failure.
Image readSurface(zqp::gpu::Device& device, zqp::gpu::Surface& surface);
// The window's picture as last presented; empty on failure.
Image readFrontBuffer(zqp::gpu::Device& device, uint32_t width, uint32_t height);

bool writePng(const std::string& path, const Image& image);
bool readPng(const std::string& path, Image& out);

// Where failing pictures are written, and where the golden files are.
std::string outputPath(const std::string& fileName);
std::string goldenPath(const std::string& fileName);

// Channels may differ by `tolerance`; at most `maxBadPixels` pixels may differ by more.
// Alpha is ignored unless compareAlpha is set. On failure writes <name>.actual.png and
// <name>.expected.png.
testing::AssertionResult imagesMatch(const Image& actual, const Image& expected,
                                     const std::string& name, int tolerance = 2,
                                     uint32_t maxBadPixels = 0, bool compareAlpha = false);
// The same against tests/data/<goldenFile>; with ZQ_UPDATE_GOLDEN=1 the file is written.
testing::AssertionResult matchesGolden(const Image& actual, const std::string& goldenFile,
                                       int tolerance = 2, uint32_t maxBadPixels = 0);

} // namespace zqtest
