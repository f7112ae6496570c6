#include "tools/dds/DdsWriter.h"

#include "zq/file/ZqByteWriter.h"

#include <cstring>

namespace zqtool {

namespace {

using zqp::image::Format;

constexpr uint32_t HEADER_SIZE = 124;
constexpr uint32_t FLAG_CAPS = 0x1;
constexpr uint32_t FLAG_HEIGHT = 0x2;
constexpr uint32_t FLAG_WIDTH = 0x4;
constexpr uint32_t FLAG_PITCH = 0x8;
constexpr uint32_t FLAG_PIXELFORMAT = 0x1000;
constexpr uint32_t FLAG_MIPMAPCOUNT = 0x20000;
constexpr uint32_t FLAG_LINEARSIZE = 0x80000;
constexpr uint32_t PF_ALPHAPIXELS = 0x1;
constexpr uint32_t PF_ALPHA = 0x2;
constexpr uint32_t PF_FOURCC = 0x4;
constexpr uint32_t PF_RGB = 0x40;
constexpr uint32_t PF_LUMINANCE = 0x20000;
constexpr uint32_t CAPS_COMPLEX = 0x8;
constexpr uint32_t CAPS_TEXTURE = 0x1000;
constexpr uint32_t CAPS_MIPMAP = 0x400000;
constexpr uint32_t CAPS2_CUBEMAP_ALL = 0x200 | 0xFC00;

struct PixelFormat {
    Format format;
    uint32_t flags, fourCc, bits, r, g, b, a;
};

constexpr PixelFormat PIXEL_FORMATS[] = {
    {Format::A8R8G8B8, PF_RGB | PF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
    {Format::X8R8G8B8, PF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {Format::A8B8G8R8, PF_RGB | PF_ALPHAPIXELS, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u},
    {Format::X8B8G8R8, PF_RGB, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {Format::R8G8B8, PF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {Format::R5G6B5, PF_RGB, 0, 16, 0xF800, 0x7E0, 0x1F, 0},
    {Format::X1R5G5B5, PF_RGB, 0, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {Format::A1R5G5B5, PF_RGB | PF_ALPHAPIXELS, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {Format::A4R4G4B4, PF_RGB | PF_ALPHAPIXELS, 0, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {Format::L8, PF_LUMINANCE, 0, 8, 0xFF, 0, 0, 0},
    {Format::A8L8, PF_LUMINANCE | PF_ALPHAPIXELS, 0, 16, 0xFF, 0, 0, 0xFF00},
    {Format::A8, PF_ALPHA, 0, 8, 0, 0, 0, 0xFF},
    {Format::Dxt1, PF_FOURCC, 0x31545844u, 0, 0, 0, 0, 0},
    {Format::Dxt3, PF_FOURCC, 0x33545844u, 0, 0, 0, 0, 0},
    {Format::Dxt5, PF_FOURCC, 0x35545844u, 0, 0, 0, 0, 0},
};

} // namespace

std::vector<uint8_t> writeDds(const DdsDesc& desc, const void* const data, const size_t size) {
    const PixelFormat* pf = nullptr;
    for (const PixelFormat& p : PIXEL_FORMATS) {
        if (p.format == desc.format) {
            pf = &p;
        }
    }
    const uint32_t faces = desc.cube ? zqp::image::CUBE_FACES : 1;
    if (pf == nullptr || desc.width == 0 || desc.height == 0 || desc.levels == 0 ||
        (data == nullptr && size != 0)) {
        return {};
    }
    uint64_t expected = 0;
    for (uint32_t mip = 0; mip < desc.levels; ++mip) {
        const uint32_t w = desc.width >> mip != 0 ? desc.width >> mip : 1;
        const uint32_t h = desc.height >> mip != 0 ? desc.height >> mip : 1;
        expected += zqp::image::levelSize(desc.format, w, h);
    }
    if (expected * faces != size) {
        return {};
    }
    const bool compressed = zqp::image::isCompressed(desc.format);
    uint32_t flags = FLAG_CAPS | FLAG_HEIGHT | FLAG_WIDTH | FLAG_PIXELFORMAT |
                     (compressed ? FLAG_LINEARSIZE : FLAG_PITCH);
    if (desc.mipCountFlag) {
        flags |= FLAG_MIPMAPCOUNT;
    }
    uint32_t caps = CAPS_TEXTURE;
    if (desc.levels > 1) {
        caps |= CAPS_COMPLEX | CAPS_MIPMAP;
    }
    if (desc.cube) {
        caps |= CAPS_COMPLEX;
    }

    ZqByteWriter out;
    out.reserve(4 + HEADER_SIZE + size);
    out.u32(0x20534444u); // "DDS "
    out.u32(HEADER_SIZE);
    out.u32(flags);
    out.u32(desc.height);
    out.u32(desc.width);
    out.u32(compressed
                ? static_cast<uint32_t>(zqp::image::levelSize(desc.format, desc.width, desc.height))
                : zqp::image::rowPitch(desc.format, desc.width));
    out.u32(0); // depth
    out.u32(desc.mipCountFlag ? desc.levels : 0);
    for (int i = 0; i < 11; ++i) {
        out.u32(0); // reserved
    }
    out.u32(32);
    out.u32(pf->flags);
    out.u32(pf->fourCc);
    out.u32(pf->bits);
    out.u32(pf->r);
    out.u32(pf->g);
    out.u32(pf->b);
    out.u32(pf->a);
    out.u32(caps);
    out.u32(desc.cube ? CAPS2_CUBEMAP_ALL : 0);
    out.u32(0); // caps3
    out.u32(0); // caps4
    out.u32(0); // reserved
    out.bytes(data, size);
    return out.take();
}

std::vector<uint8_t> makeDds(const Format format, const uint32_t width, const uint32_t height,
                             const uint8_t* const argb, const uint32_t levels, const bool cube) {
    if (argb == nullptr || width == 0 || height == 0 || levels == 0 ||
        !zqp::image::isKnownFormat(format)) {
        return {};
    }
    zqp::image::Image image;
    image.info.fileFormat = zqp::image::FileFormat::Dds;
    image.info.format = Format::A8R8G8B8;
    image.info.width = width;
    image.info.height = height;
    image.info.faces = cube ? zqp::image::CUBE_FACES : 1;
    // Build level 0 through the service's own layout by asking for a one-level chain.
    image.data.assign(static_cast<size_t>(width) * height * 4 * image.info.faces, 0);
    std::memcpy(image.data.data(), argb, image.data.size());
    image.levels.clear();
    for (uint32_t face = 0; face < image.info.faces; ++face) {
        zqp::image::Level level;
        level.width = width;
        level.height = height;
        level.pitch = width * 4;
        level.rows = height;
        level.size = static_cast<size_t>(width) * height * 4;
        level.offset = level.size * face;
        image.levels.push_back(level);
    }
    if (!zqp::image::generateMips(image, 0, levels) || !zqp::image::convert(image, format)) {
        return {};
    }
    DdsDesc desc;
    desc.format = format;
    desc.width = width;
    desc.height = height;
    desc.levels = image.info.levels;
    desc.cube = cube;
    return writeDds(desc, image.data.data(), image.data.size());
}

} // namespace zqtool
