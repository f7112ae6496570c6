// The image service: turns an image file held in memory into pixel levels that textures can
// be filled from. PNG, JPEG, BMP and TGA decode to 32-bit pixels; DDS keeps its own pixel
// format (uncompressed, or DXT1/3/5 blocks), its mip levels and its cube faces. Beside the
// readers: the layout of every pixel format, conversion to and from 32-bit A8R8G8B8, block
// compression, and mip chains filtered on the CPU.
//
// Not for: textures or any device object (the graphics classes upload what this hands out),
// writing image files, volume textures.
// Depends on: the graphics device's format numbers; stb_image and stb_dxt underneath.
//
// Every input is untrusted: a header is checked against the data before anything is used or
// allocated, and sizes are computed in 64 bits. A refused image leaves the output untouched.
#pragma once

#include "zq/platform/gpu/gpu_values.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zqp::image {

// The container an image was read from.
enum class FileFormat : uint32_t { Bmp = 0, Jpg = 1, Tga = 2, Png = 3, Dds = 4 };

// Pixel formats: the graphics device's (zq/platform/gpu/gpu_values.h). The image service
// handles Unknown, R8G8B8 to A4R4G4B4, A8, A8B8G8R8, X8B8G8R8, L8, A8L8 and DXT1/3/5; any
// other is an unknown format to it. Uncompressed formats lie in memory as little-endian words
// of their size (A8R8G8B8: bytes B, G, R, A).
using Format = gpu::Format;

// Largest width or height accepted from any file.
constexpr uint32_t MAX_DIMENSION = 16384;
// Largest pixel count a compressed file (PNG, JPEG, BMP, TGA) may expand to; DDS data are
// bounded by the file itself.
constexpr uint64_t MAX_DECODED_PIXELS = 4096ull * 4096ull;
// Length of the longest mip chain (16384 down to 1).
constexpr uint32_t MAX_LEVELS = 15;
constexpr uint32_t CUBE_FACES = 6;

struct Info {
    FileFormat fileFormat = FileFormat::Bmp;
    // The format of the decoded levels: A8R8G8B8 or X8R8G8B8 for the decoded formats, the
    // file's own for DDS.
    Format format = Format::Unknown;
    uint32_t width = 0;
    uint32_t height = 0;
    // Mip levels the file holds, at least 1 (a DDS count beyond the full chain is cut to it).
    uint32_t levels = 1;
    // 1, or 6 for a cube map (faces +X, -X, +Y, -Y, +Z, -Z).
    uint32_t faces = 1;
};

// One level of one face inside Image::data.
struct Level {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0; // bytes of one row of pixels, or of one row of 4x4 blocks
    uint32_t rows = 0;  // rows of pixels, or of blocks
    size_t offset = 0;
    size_t size = 0; // pitch x rows
};

struct Image {
    Info info;
    // info.faces x info.levels entries, face by face, each face from its largest level down.
    std::vector<Level> levels;
    std::vector<uint8_t> data;

    const Level& level(uint32_t face, uint32_t mip) const {
        return levels[static_cast<size_t>(face) * info.levels + mip];
    }
    uint8_t* bits(uint32_t face, uint32_t mip) { return data.data() + level(face, mip).offset; }
    const uint8_t* bits(uint32_t face, uint32_t mip) const {
        return data.data() + level(face, mip).offset;
    }
};

// The header facts of an image without decoding its pixels. False when the data are not an
// image of a known format or the header does not fit the data.
bool readInfo(const void* data, size_t size, Info& out);
// Decodes every level and face the file holds. False (out untouched) on any fault.
bool decode(const void* data, size_t size, Image& out);

// ---------------------------------------------------------------------------------------------
// Pixel formats

// True for the formats the service handles (listed above) other than Unknown.
bool isKnownFormat(Format format);
bool isCompressed(Format format);
bool hasAlpha(Format format);
// Bytes of one row of pixels or of 4x4 blocks, rows of either, and a whole level; 0 for an
// unknown format.
uint32_t rowPitch(Format format, uint32_t width);
uint32_t rowCount(Format format, uint32_t height);
uint64_t levelSize(Format format, uint32_t width, uint32_t height);
// Levels of a full chain down to 1x1: 1 + log2 of the larger side.
uint32_t fullChainLength(uint32_t width, uint32_t height);

// Converts a width x height rectangle to or from A8R8G8B8. Compressed formats go block by
// block: a partial block at the right or bottom edge is read whole and written with its edge
// pixels repeated. Formats without alpha read as opaque. False for an unknown format.
bool toArgb(Format format, const uint8_t* src, uint32_t srcPitch, uint32_t width, uint32_t height,
            uint8_t* dst, uint32_t dstPitch);
bool fromArgb(Format format, const uint8_t* src, uint32_t srcPitch, uint32_t width, uint32_t height,
              uint8_t* dst, uint32_t dstPitch);

// Every level and face converted to another format; false (image untouched) for an unknown
// format.
bool convert(Image& image, Format format);
// Gives the image `count` levels (cut to the full chain). Levels up to `source` stay; every
// level below it is made again with a 2x2 box filter from the one above, through A8R8G8B8
// (block formats are decoded and compressed again). False (image untouched) when source is
// not a level of the image or the format is unknown.
bool generateMips(Image& image, uint32_t source, uint32_t count);

} // namespace zqp::image
