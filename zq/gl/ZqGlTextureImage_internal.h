// What ZqGlTexture does with an image file before any device object exists: the mip count a
// file announces (the DDS header rule), the size rule of image textures, and the decoded
// image shaped to the levels the texture will have. Internal to ZqGlTexture.
// Depends on the image service (zq/platform/image).
#pragma once

#include "zq/platform/image/image.h"

#include <cstddef>
#include <cstdint>

namespace zq_texture {

// A DDS header's mip count is believed up to this many levels.
constexpr uint32_t MAX_FILE_MIP_COUNT = 17;
// Largest width or height of any texture.
constexpr uint32_t MAX_SIZE = 2048;
// A mip count that asks for the full chain, as 0 does.
constexpr uint32_t MIP_COUNT_DEFAULT = 0xFFFFFFFFu;

constexpr uint32_t ERROR_CREATE = 0x20002006;
constexpr uint32_t ERROR_SIZE = 0x20002007;

// 1, unless the data begin with "DDS ", a header size of 124 and the mip-count flag; then
// the header's count, at most 17 (a count of 0 gives 0).
uint32_t fileMipCount(const void* data, size_t size);

bool isPowerOfTwo(uint32_t value);

// Decodes a file image for an image texture of `mipCount` levels (0: the file's count, which
// for a file without a count is 1; 0 or 0xFFFFFFFF from there: the full chain; never more
// than the full chain). Levels the file lacks are box-filtered from its last level; levels
// beyond the texture's are dropped. 0 on success, else ERROR_CREATE (not an image the
// service reads) or ERROR_SIZE (a side that is not a power of two or is above 2048).
uint32_t prepareImage(const void* data, size_t size, uint32_t mipCount, zqp::image::Image& out);

} // namespace zq_texture
