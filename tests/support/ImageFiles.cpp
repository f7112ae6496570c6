#include "tests/support/ImageFiles.h"

#include <stb_image_write.h>

namespace zqtest {

namespace {

void append(void* const context, void* const data, const int size) {
    auto* const out = static_cast<std::vector<uint8_t>*>(context);
    const auto* const bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

std::vector<uint8_t> encodeImage(const ImageFile kind, const uint32_t width, const uint32_t height,
                                 const std::vector<uint32_t>& argb, int channels) {
    if (kind == ImageFile::Jpg) {
        channels = 3;
    }
    std::vector<uint8_t> pixels;
    pixels.reserve(argb.size() * static_cast<size_t>(channels));
    for (const uint32_t p : argb) {
        pixels.push_back(static_cast<uint8_t>(p >> 16));
        pixels.push_back(static_cast<uint8_t>(p >> 8));
        pixels.push_back(static_cast<uint8_t>(p));
        if (channels == 4) {
            pixels.push_back(static_cast<uint8_t>(p >> 24));
        }
    }
    std::vector<uint8_t> out;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    int ok = 0;
    switch (kind) {
    case ImageFile::Png:
        ok = stbi_write_png_to_func(append, &out, w, h, channels, pixels.data(), w * channels);
        break;
    case ImageFile::Jpg:
        ok = stbi_write_jpg_to_func(append, &out, w, h, channels, pixels.data(), 100);
        break;
    case ImageFile::Bmp:
        ok = stbi_write_bmp_to_func(append, &out, w, h, channels, pixels.data());
        break;
    case ImageFile::Tga:
        ok = stbi_write_tga_to_func(append, &out, w, h, channels, pixels.data());
        break;
    }
    if (ok == 0) {
        out.clear();
    }
    return out;
}

std::vector<uint8_t> toBgra(const std::vector<uint32_t>& argb) {
    std::vector<uint8_t> out;
    out.reserve(argb.size() * 4);
    for (const uint32_t p : argb) {
        out.push_back(static_cast<uint8_t>(p));
        out.push_back(static_cast<uint8_t>(p >> 8));
        out.push_back(static_cast<uint8_t>(p >> 16));
        out.push_back(static_cast<uint8_t>(p >> 24));
    }
    return out;
}

std::vector<uint32_t> testPicture(const uint32_t width, const uint32_t height) {
    std::vector<uint32_t> out;
    out.reserve(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t r = width > 1 ? x * 255 / (width - 1) : 128;
            const uint32_t g = height > 1 ? y * 255 / (height - 1) : 128;
            const uint32_t b = (x + y) * 255 / (width + height);
            const uint32_t a = 255 - ((x * 7 + y * 13) & 0x7F);
            out.push_back((a << 24) | (r << 16) | (g << 8) | b);
        }
    }
    return out;
}

} // namespace zqtest
