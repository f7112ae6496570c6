// The DDS reader: the 4-byte magic, the 124-byte header (with its 32-byte pixel format) read
// field by field, then the levels of every face, largest first. Uncompressed formats are
// recognised by their bit count and channel masks, compressed ones by the four-character
// codes DXT1, DXT3 and DXT5. Volume textures, partial cube maps and the extended header are
// refused. The data must hold every level the header announces.
#include "zq/file/ZqByteReader.h"
#include "zq/platform/image/image.h"
#include "zq/platform/image/image_internal.h"

#include <algorithm>
#include <cstring>

namespace zqp::image::detail {

namespace {

constexpr uint32_t MAGIC = 0x20534444u; // "DDS "
constexpr uint32_t HEADER_SIZE = 124;
constexpr uint32_t PIXEL_FORMAT_SIZE = 32;
constexpr size_t DATA_OFFSET = 4 + HEADER_SIZE;

// Header field offsets from the start of the file (the magic included).
constexpr size_t AT_SIZE = 4;
constexpr size_t AT_FLAGS = 8;
constexpr size_t AT_HEIGHT = 12;
constexpr size_t AT_WIDTH = 16;
constexpr size_t AT_DEPTH = 24;
constexpr size_t AT_MIP_COUNT = 28;
constexpr size_t AT_PF_SIZE = 76;
constexpr size_t AT_PF_FLAGS = 80;
constexpr size_t AT_PF_FOURCC = 84;
constexpr size_t AT_PF_BITS = 88;
constexpr size_t AT_PF_RMASK = 92;
constexpr size_t AT_PF_GMASK = 96;
constexpr size_t AT_PF_BMASK = 100;
constexpr size_t AT_PF_AMASK = 104;
constexpr size_t AT_CAPS2 = 112;

// Header flags.
constexpr uint32_t FLAG_MIPMAPCOUNT = 0x20000;
constexpr uint32_t FLAG_DEPTH = 0x800000;
// Pixel-format flags.
constexpr uint32_t PF_ALPHAPIXELS = 0x1;
constexpr uint32_t PF_ALPHA = 0x2;
constexpr uint32_t PF_FOURCC = 0x4;
constexpr uint32_t PF_RGB = 0x40;
constexpr uint32_t PF_LUMINANCE = 0x20000;
// Caps2 flags.
constexpr uint32_t CAPS2_CUBEMAP = 0x200;
constexpr uint32_t CAPS2_ALL_FACES = 0xFC00;
constexpr uint32_t CAPS2_VOLUME = 0x200000;

struct MaskFormat {
    uint32_t flags; // PF_RGB, PF_LUMINANCE or PF_ALPHA (with PF_ALPHAPIXELS when alpha is used)
    uint32_t bits;
    uint32_t r, g, b, a;
    Format format;
};

constexpr MaskFormat MASK_FORMATS[] = {
    {PF_RGB | PF_ALPHAPIXELS, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, Format::A8R8G8B8},
    {PF_RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0, Format::X8R8G8B8},
    {PF_RGB | PF_ALPHAPIXELS, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u, Format::A8B8G8R8},
    {PF_RGB, 32, 0xFF, 0xFF00, 0xFF0000, 0, Format::X8B8G8R8},
    {PF_RGB, 24, 0xFF0000, 0xFF00, 0xFF, 0, Format::R8G8B8},
    {PF_RGB, 16, 0xF800, 0x7E0, 0x1F, 0, Format::R5G6B5},
    {PF_RGB, 16, 0x7C00, 0x3E0, 0x1F, 0, Format::X1R5G5B5},
    {PF_RGB | PF_ALPHAPIXELS, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, Format::A1R5G5B5},
    {PF_RGB | PF_ALPHAPIXELS, 16, 0xF00, 0xF0, 0xF, 0xF000, Format::A4R4G4B4},
    {PF_LUMINANCE, 8, 0xFF, 0, 0, 0, Format::L8},
    {PF_LUMINANCE | PF_ALPHAPIXELS, 16, 0xFF, 0, 0, 0xFF00, Format::A8L8},
    {PF_ALPHA, 8, 0, 0, 0, 0xFF, Format::A8},
};

// The header fields the reader uses, read field by field.
struct Header {
    uint32_t magic = 0, size = 0, flags = 0, height = 0, width = 0, depth = 0, mipCount = 0;
    uint32_t pfSize = 0, pfFlags = 0, fourCc = 0, bits = 0, r = 0, g = 0, b = 0, a = 0;
    uint32_t caps2 = 0;
};

bool readHeader(const ZqByteReader& in, Header& h) {
    return in.u32(0, h.magic) && in.u32(AT_SIZE, h.size) && in.u32(AT_FLAGS, h.flags) &&
           in.u32(AT_HEIGHT, h.height) && in.u32(AT_WIDTH, h.width) && in.u32(AT_DEPTH, h.depth) &&
           in.u32(AT_MIP_COUNT, h.mipCount) && in.u32(AT_PF_SIZE, h.pfSize) &&
           in.u32(AT_PF_FLAGS, h.pfFlags) && in.u32(AT_PF_FOURCC, h.fourCc) &&
           in.u32(AT_PF_BITS, h.bits) && in.u32(AT_PF_RMASK, h.r) && in.u32(AT_PF_GMASK, h.g) &&
           in.u32(AT_PF_BMASK, h.b) && in.u32(AT_PF_AMASK, h.a) && in.u32(AT_CAPS2, h.caps2);
}

Format pixelFormatOf(const Header& h) {
    if ((h.pfFlags & PF_FOURCC) != 0) {
        for (const Format f : {Format::Dxt1, Format::Dxt3, Format::Dxt5}) {
            if (h.fourCc == static_cast<uint32_t>(f)) {
                return f;
            }
        }
        return Format::Unknown;
    }
    const uint32_t kind = h.pfFlags & (PF_RGB | PF_LUMINANCE | PF_ALPHA);
    // The alpha mask counts only when the file says it is used (alone or beside colour).
    const bool alpha = (h.pfFlags & (PF_ALPHAPIXELS | PF_ALPHA)) != 0;
    const uint32_t a = alpha ? h.a : 0;
    for (const MaskFormat& m : MASK_FORMATS) {
        const uint32_t mKind = m.flags & ~PF_ALPHAPIXELS;
        if (kind == mKind && h.bits == m.bits && h.r == m.r && h.g == m.g && h.b == m.b &&
            a == m.a) {
            return m.format;
        }
    }
    return Format::Unknown;
}

} // namespace

bool isDds(const uint8_t* const data, const size_t size) {
    uint32_t magic = 0;
    return ZqByteReader(data, size).u32(0, magic) && magic == MAGIC;
}

bool readDdsInfo(const uint8_t* const data, const size_t size, Info& out, size_t& dataOffset) {
    Header h;
    if (size < DATA_OFFSET || !readHeader(ZqByteReader(data, size), h) || h.magic != MAGIC ||
        h.size != HEADER_SIZE || h.pfSize != PIXEL_FORMAT_SIZE) {
        return false;
    }
    const uint32_t flags = h.flags;
    const uint32_t caps2 = h.caps2;
    Info info;
    info.fileFormat = FileFormat::Dds;
    info.width = h.width;
    info.height = h.height;
    if (info.width == 0 || info.height == 0 || info.width > MAX_DIMENSION ||
        info.height > MAX_DIMENSION) {
        return false;
    }
    if ((caps2 & CAPS2_VOLUME) != 0 || ((flags & FLAG_DEPTH) != 0 && h.depth > 1)) {
        return false;
    }
    if ((caps2 & CAPS2_CUBEMAP) != 0) {
        if ((caps2 & CAPS2_ALL_FACES) != CAPS2_ALL_FACES || info.width != info.height) {
            return false;
        }
        info.faces = CUBE_FACES;
    }
    info.format = pixelFormatOf(h);
    if (info.format == Format::Unknown) {
        return false;
    }
    // A count of 0 still means the one level every file has; a count past the full chain
    // cannot describe more levels than the chain has.
    info.levels = 1;
    if ((flags & FLAG_MIPMAPCOUNT) != 0) {
        info.levels = std::clamp<uint32_t>(h.mipCount, 1, fullChainLength(info.width, info.height));
    }
    const uint64_t needed = totalSize(info);
    if (needed == 0 || needed > size - DATA_OFFSET) {
        return false;
    }
    out = info;
    dataOffset = DATA_OFFSET;
    return true;
}

bool decodeDds(const uint8_t* const data, const size_t size, Image& out) {
    Image image;
    size_t offset = 0;
    if (!readDdsInfo(data, size, image.info, offset) || !layOut(image)) {
        return false;
    }
    // The levels lie in the file in the order layOut gives them, without gaps.
    const uint8_t* const levels = ZqByteReader(data, size).bytes(offset, image.data.size());
    if (levels == nullptr) {
        return false;
    }
    std::memcpy(image.data.data(), levels, image.data.size());
    out = std::move(image);
    return true;
}

} // namespace zqp::image::detail
