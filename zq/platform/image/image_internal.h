// Internals of the image service shared by its readers: little-endian loads of pixel words,
// the level layout and the per-container readers. Only the image*.cpp files include this.
// Stored headers are read through the framework's bounded reader (zq/file/ZqByteReader.h,
// header only and portable); the loads here are for pixels already inside checked levels.
#pragma once

#include "zq/file/ZqByteOrder.h"
#include "zq/platform/image/image.h"

#include <cstddef>
#include <cstdint>

namespace zqp::image::detail {

inline uint16_t readU16(const uint8_t* const p) {
    return zq_bytes::loadLe<uint16_t>(p);
}
inline uint32_t readU32(const uint8_t* const p) {
    return zq_bytes::loadLe<uint32_t>(p);
}
inline void writeU16(uint8_t* const p, const uint32_t v) {
    zq_bytes::storeLe(p, static_cast<uint16_t>(v));
}

// Fills image.levels for image.info (faces x levels) and sizes image.data to match. False when
// the format is unknown or the total does not fit in memory terms.
bool layOut(Image& image);
// The total byte size of every face and level that info describes; 0 for an unknown format.
uint64_t totalSize(const Info& info);

// DDS: "DDS " and a 124-byte header.
bool isDds(const uint8_t* data, size_t size);
// The header checked against the data; dataOffset is where the first level begins.
bool readDdsInfo(const uint8_t* data, size_t size, Info& out, size_t& dataOffset);
bool decodeDds(const uint8_t* data, size_t size, Image& out);

// PNG, JPEG, BMP and TGA through stb_image.
bool readStbInfo(const uint8_t* data, size_t size, Info& out);
bool decodeStb(const uint8_t* data, size_t size, Image& out);

// DXT blocks to and from 16 A8R8G8B8 pixels (row by row, bytes B, G, R, A).
void decodeBlock(Format format, const uint8_t* block, uint8_t* argb16);
void encodeBlock(Format format, const uint8_t* argb16, uint8_t* block);

} // namespace zqp::image::detail
