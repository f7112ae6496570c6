// Feeds the image service arbitrary bytes: header reading, decoding (DDS and the stb
// formats), and on what decodes, conversion and a filtered mip chain. A decoded image must
// agree with its own header and layout.
#include "zq/platform/image/image.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* const data, const size_t size) {
    zqp::image::Info info;
    const bool header = zqp::image::readInfo(data, size, info);
    zqp::image::Image image;
    if (!zqp::image::decode(data, size, image)) {
        return 0;
    }
    const zqp::image::Info& got = image.info;
    if (!header || got.width != info.width || got.height != info.height ||
        got.levels != info.levels || got.faces != info.faces ||
        image.levels.size() != static_cast<size_t>(got.faces) * got.levels) {
        __builtin_trap();
    }
    size_t total = 0;
    for (const zqp::image::Level& level : image.levels) {
        if (level.offset != total || level.size != static_cast<size_t>(level.pitch) * level.rows) {
            __builtin_trap();
        }
        total += level.size;
    }
    if (total != image.data.size()) {
        __builtin_trap();
    }
    // Work on the pixels only while they stay small, so each input runs quickly.
    if (static_cast<uint64_t>(got.width) * got.height * got.faces <= 256 * 256) {
        zqp::image::generateMips(image, got.levels - 1, 0xFFFFFFFFu);
        zqp::image::convert(image, zqp::image::Format::A8R8G8B8);
        zqp::image::convert(image, zqp::image::Format::Dxt5);
    }
    return 0;
}
