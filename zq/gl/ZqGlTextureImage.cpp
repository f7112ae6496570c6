#include "zq/gl/ZqGlTextureImage.h"

#include <algorithm>

namespace zq_texture {

namespace {

uint32_t readU32(const uint8_t* const p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t DDS_MAGIC = 0x20534444u;
constexpr uint32_t DDS_HEADER_SIZE = 124;
constexpr uint32_t DDS_FLAG_MIPMAPCOUNT = 0x20000;

} // namespace

uint32_t fileMipCount(const void* const data, const size_t size) {
    const auto* const p = static_cast<const uint8_t*>(data);
    if (p == nullptr || size < 32 || readU32(p) != DDS_MAGIC || readU32(p + 4) != DDS_HEADER_SIZE ||
        (readU32(p + 8) & DDS_FLAG_MIPMAPCOUNT) == 0) {
        return 1;
    }
    return std::min(readU32(p + 28), MAX_FILE_MIP_COUNT);
}

bool isPowerOfTwo(const uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

uint32_t prepareImage(const void* const data, const size_t size, const uint32_t mipCount,
                      zqp::image::Image& out) {
    zqp::image::Image image;
    if (!zqp::image::decode(data, size, image)) {
        return ERROR_CREATE;
    }
    const zqp::image::Info& info = image.info;
    if (!isPowerOfTwo(info.width) || !isPowerOfTwo(info.height) || info.width > MAX_SIZE ||
        info.height > MAX_SIZE) {
        return ERROR_SIZE;
    }
    const uint32_t chain = zqp::image::fullChainLength(info.width, info.height);
    const uint32_t asked = mipCount != 0 ? mipCount : fileMipCount(data, size);
    const uint32_t levels =
        asked == 0 || asked == MIP_COUNT_DEFAULT ? chain : std::min(asked, chain);
    if (levels != info.levels) {
        // More levels than the file holds: filtered from its last one (a file whose header
        // counts 0 levels still holds one, and its texture gets no unfilled levels). Fewer:
        // the chain is cut.
        const uint32_t source = std::min(levels, info.levels) - 1;
        if (!zqp::image::generateMips(image, source, levels)) {
            return ERROR_CREATE;
        }
    }
    out = std::move(image);
    return 0;
}

} // namespace zq_texture
