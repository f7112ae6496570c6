// Image files made in memory for tests: PNG, JPEG, BMP and TGA through stb_image_write, from
// 32-bit pixels given as 0xAARRGGBB, and a deterministic picture to feed them. DDS files come
// from the DDS writer in tools/dds.
#pragma once

#include <cstdint>
#include <vector>

namespace zqtest {

enum class ImageFile { Png, Jpg, Bmp, Tga };

// The encoded file; channels 3 drops alpha, 4 keeps it (JPEG always drops it). Empty when the
// writer fails.
std::vector<uint8_t> encodeImage(ImageFile kind, uint32_t width, uint32_t height,
                                 const std::vector<uint32_t>& argb, int channels = 4);

// Pixels as bytes B, G, R, A (the layout of A8R8G8B8) from 0xAARRGGBB values.
std::vector<uint8_t> toBgra(const std::vector<uint32_t>& argb);

// A picture with distinct smooth colours and a varying alpha, the same for the same size.
std::vector<uint32_t> testPicture(uint32_t width, uint32_t height);

} // namespace zqtest
