// PNG, JPEG, BMP and TGA through stb_image. The container is recognised here first (by its
// signature, or for TGA, which has none, by a plausible header), so stb_image never guesses
// at other formats; the size from the header is checked before any pixel is decoded. Every
// image comes out as 32-bit pixels: A8R8G8B8 when the file has an alpha channel, else
// X8R8G8B8.
#include "zq/platform/image/image.h"
#include "zq/platform/image/image_internal.h"

#include <stb_image.h>

#include <climits>
#include <memory>

namespace zqp::image::detail {

namespace {

bool isPng(const uint8_t* const d, const size_t n) {
    static constexpr uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n < 8) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (d[i] != SIGNATURE[i]) {
            return false;
        }
    }
    return true;
}

bool isJpeg(const uint8_t* const d, const size_t n) {
    return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

bool isBmp(const uint8_t* const d, const size_t n) {
    return n >= 14 && d[0] == 'B' && d[1] == 'M';
}

// TGA has no signature: the 18-byte header must describe a colour-mapped, true-colour or
// grey image, plain or run-length encoded, with a pixel depth that kind allows.
bool isTga(const uint8_t* const d, const size_t n) {
    if (n < 18) {
        return false;
    }
    const uint8_t mapType = d[1];
    const uint8_t imageType = d[2];
    const uint8_t mapEntryBits = d[7];
    const uint8_t bits = d[16];
    if (mapType > 1 || readU16(d + 12) == 0 || readU16(d + 14) == 0) {
        return false;
    }
    switch (imageType) {
    case 1:
    case 9:
        return mapType == 1 && (bits == 8 || bits == 16) &&
               (mapEntryBits == 15 || mapEntryBits == 16 || mapEntryBits == 24 ||
                mapEntryBits == 32);
    case 2:
    case 10:
        return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    case 3:
    case 11:
        return bits == 8 || bits == 16;
    default:
        return false;
    }
}

bool containerOf(const uint8_t* const d, const size_t n, FileFormat& out) {
    if (isPng(d, n)) {
        out = FileFormat::Png;
    } else if (isJpeg(d, n)) {
        out = FileFormat::Jpg;
    } else if (isBmp(d, n)) {
        out = FileFormat::Bmp;
    } else if (isTga(d, n)) {
        out = FileFormat::Tga;
    } else {
        return false;
    }
    return true;
}

struct StbFree {
    void operator()(stbi_uc* const p) const { stbi_image_free(p); }
};

} // namespace

bool readStbInfo(const uint8_t* const data, const size_t size, Info& out) {
    FileFormat container = FileFormat::Bmp;
    if (size > static_cast<size_t>(INT_MAX) || !containerOf(data, size, container)) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels) == 0 ||
        width <= 0 || height <= 0 || static_cast<uint32_t>(width) > MAX_DIMENSION ||
        static_cast<uint32_t>(height) > MAX_DIMENSION ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > MAX_DECODED_PIXELS) {
        return false;
    }
    Info info;
    info.fileFormat = container;
    info.width = static_cast<uint32_t>(width);
    info.height = static_cast<uint32_t>(height);
    // Grey with alpha has two channels, colour with alpha four.
    info.format = channels == 2 || channels == 4 ? Format::A8R8G8B8 : Format::X8R8G8B8;
    out = info;
    return true;
}

bool decodeStb(const uint8_t* const data, const size_t size, Image& out) {
    Image image;
    if (!readStbInfo(data, size, image.info) || !layOut(image)) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    const std::unique_ptr<stbi_uc, StbFree> pixels(
        stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4));
    if (pixels == nullptr || static_cast<uint32_t>(width) != image.info.width ||
        static_cast<uint32_t>(height) != image.info.height) {
        return false;
    }
    // stb_image gives R, G, B, A; our pixels are B, G, R, A.
    const stbi_uc* const s = pixels.get();
    uint8_t* const d = image.data.data();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const bool opaque = image.info.format == Format::X8R8G8B8;
    for (size_t i = 0; i < count; ++i) {
        d[i * 4 + 0] = s[i * 4 + 2];
        d[i * 4 + 1] = s[i * 4 + 1];
        d[i * 4 + 2] = s[i * 4 + 0];
        d[i * 4 + 3] = opaque ? 255 : s[i * 4 + 3];
    }
    out = std::move(image);
    return true;
}

} // namespace zqp::image::detail
