// The DDS writer: a 124-byte header written field by field in front of level data, for the
// pixel formats the image service reads (uncompressed and DXT1/3/5), with mip levels and cube
// faces. makeDds builds the levels itself from 32-bit pixels. Used by the tests for their
// fixtures and by the zqdds tool.
// Not for: reading (the image service reads), volume textures, the extended header.
// Depends on: the image service for pixel conversion, block compression and mip filtering.
#pragma once

#include "zq/platform/image/image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zqtool {

struct DdsDesc {
    zqp::image::Format format = zqp::image::Format::A8R8G8B8;
    uint32_t width = 0;
    uint32_t height = 0;
    // Levels in the data, largest first; written as the header's mip count.
    uint32_t levels = 1;
    bool cube = false;
    // Whether the header carries the mip-count flag (a file without it holds one level).
    bool mipCountFlag = true;
};

// The whole file: header and then `data`, which holds every face's levels back to back in
// file order and must be exactly as large as desc describes. Empty for a format the image
// service does not know or a size that does not match.
std::vector<uint8_t> writeDds(const DdsDesc& desc, const void* data, size_t size);

// A file of `levels` levels made from A8R8G8B8 pixels (bytes B, G, R, A; width x height per
// face, one face or six faces back to back): level 0 is the pixels converted to the format,
// each further level a 2x2 box filter of the one above. Empty on a bad argument.
std::vector<uint8_t> makeDds(zqp::image::Format format, uint32_t width, uint32_t height,
                             const uint8_t* argb, uint32_t levels, bool cube = false);

// 32-bit pixel from 0xAARRGGBB, as bytes B, G, R, A.
inline void putArgb(uint8_t* const p, const uint32_t argb) {
    p[0] = static_cast<uint8_t>(argb);
    p[1] = static_cast<uint8_t>(argb >> 8);
    p[2] = static_cast<uint8_t>(argb >> 16);
    p[3] = static_cast<uint8_t>(argb >> 24);
}

} // namespace zqtool
