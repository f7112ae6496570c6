#include "zq/gl/ZqGlTextureImage_internal.h"

#include "zq/file/ZqByteReader.h"

#include <algorithm>

namespace zq_texture {

namespace {

constexpr uint32_t DDS_MAGIC = 0x20534444u;
constexpr uint32_t DDS_HEADER_SIZE = 124;
constexpr uint32_t DDS_FLAG_MIPMAPCOUNT = 0x20000;

} // namespace

uint32_t fileMipCount(const void* const data, const size_t size) {
    const ZqByteReader r(data, size);
    uint32_t magic = 0;
    uint32_t headerSize = 0;
    uint32_t flags = 0;
    uint32_t count = 0;
    if (!r.u32(0, magic) || !r.u32(4, headerSize) || !r.u32(8, flags) || !r.u32(28, count) ||
        magic != DDS_MAGIC || headerSize != DDS_HEADER_SIZE ||
        (flags & DDS_FLAG_MIPMAPCOUNT) == 0) {
        return 1;
    }
    return std::min(count, MAX_FILE_MIP_COUNT);
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
