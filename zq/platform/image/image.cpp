// The image service's entry points: choosing the reader, the format table, level layout,
// whole-image conversion and CPU mip chains.
#include "zq/platform/image/image.h"
#include "zq/platform/image/image_internal.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace zqp::image {

namespace {

struct FormatFacts {
    Format format;
    uint32_t bytes; // per pixel, or per 4x4 block when compressed
    bool compressed;
    bool alpha;
};

constexpr FormatFacts FORMATS[] = {
    {Format::R8G8B8, 3, false, false},   {Format::A8R8G8B8, 4, false, true},
    {Format::X8R8G8B8, 4, false, false}, {Format::R5G6B5, 2, false, false},
    {Format::X1R5G5B5, 2, false, false}, {Format::A1R5G5B5, 2, false, true},
    {Format::A4R4G4B4, 2, false, true},  {Format::A8, 1, false, true},
    {Format::A8B8G8R8, 4, false, true},  {Format::X8B8G8R8, 4, false, false},
    {Format::L8, 1, false, false},       {Format::A8L8, 2, false, true},
    {Format::Dxt1, 8, true, true},       {Format::Dxt3, 16, true, true},
    {Format::Dxt5, 16, true, true},
};

const FormatFacts* factsOf(const Format format) {
    for (const FormatFacts& f : FORMATS) {
        if (f.format == format) {
            return &f;
        }
    }
    return nullptr;
}

uint32_t mipSize(const uint32_t size, const uint32_t mip) {
    return std::max<uint32_t>(1, size >> mip);
}

// Converts every level of `from` into a new image of `format` with the same shape.
bool convertInto(const Image& from, const Format format, Image& to) {
    to.info = from.info;
    to.info.format = format;
    if (!detail::layOut(to)) {
        return false;
    }
    std::vector<uint8_t> argb;
    for (uint32_t face = 0; face < from.info.faces; ++face) {
        for (uint32_t mip = 0; mip < from.info.levels; ++mip) {
            const Level& src = from.level(face, mip);
            const Level& dst = to.level(face, mip);
            const uint32_t pitch = src.width * 4;
            argb.assign(static_cast<size_t>(pitch) * src.height, 0);
            if (!toArgb(from.info.format, from.bits(face, mip), src.pitch, src.width, src.height,
                        argb.data(), pitch) ||
                !fromArgb(format, argb.data(), pitch, dst.width, dst.height, to.bits(face, mip),
                          dst.pitch)) {
                return false;
            }
        }
    }
    return true;
}

// One 2x2 box-filter step on A8R8G8B8 pixels; an odd or single row or column is read twice.
void boxFilter(const uint8_t* const src, const uint32_t sw, const uint32_t sh, uint8_t* const dst,
               const uint32_t dw, const uint32_t dh) {
    for (uint32_t y = 0; y < dh; ++y) {
        const uint32_t y0 = std::min(2 * y, sh - 1);
        const uint32_t y1 = std::min(2 * y + 1, sh - 1);
        for (uint32_t x = 0; x < dw; ++x) {
            const uint32_t x0 = std::min(2 * x, sw - 1);
            const uint32_t x1 = std::min(2 * x + 1, sw - 1);
            const uint8_t* const p[4] = {
                src + (static_cast<size_t>(y0) * sw + x0) * 4,
                src + (static_cast<size_t>(y0) * sw + x1) * 4,
                src + (static_cast<size_t>(y1) * sw + x0) * 4,
                src + (static_cast<size_t>(y1) * sw + x1) * 4,
            };
            uint8_t* const out = dst + (static_cast<size_t>(y) * dw + x) * 4;
            for (int c = 0; c < 4; ++c) {
                out[c] = static_cast<uint8_t>((p[0][c] + p[1][c] + p[2][c] + p[3][c] + 2) / 4);
            }
        }
    }
}

} // namespace

namespace detail {

uint64_t totalSize(const Info& info) {
    uint64_t total = 0;
    for (uint32_t mip = 0; mip < info.levels; ++mip) {
        const uint64_t size =
            levelSize(info.format, mipSize(info.width, mip), mipSize(info.height, mip));
        if (size == 0) {
            return 0;
        }
        total += size;
    }
    return total * info.faces;
}

bool layOut(Image& image) {
    const Info& info = image.info;
    if (factsOf(info.format) == nullptr || info.width == 0 || info.height == 0 ||
        info.width > MAX_DIMENSION || info.height > MAX_DIMENSION || info.levels == 0 ||
        info.levels > fullChainLength(info.width, info.height) ||
        (info.faces != 1 && info.faces != CUBE_FACES)) {
        return false;
    }
    const uint64_t total = totalSize(info);
    if (total == 0 || total > std::numeric_limits<size_t>::max() / 2) {
        return false;
    }
    std::vector<Level> levels;
    levels.reserve(static_cast<size_t>(info.faces) * info.levels);
    size_t offset = 0;
    for (uint32_t face = 0; face < info.faces; ++face) {
        for (uint32_t mip = 0; mip < info.levels; ++mip) {
            Level level;
            level.width = mipSize(info.width, mip);
            level.height = mipSize(info.height, mip);
            level.pitch = rowPitch(info.format, level.width);
            level.rows = rowCount(info.format, level.height);
            level.offset = offset;
            level.size = static_cast<size_t>(level.pitch) * level.rows;
            offset += level.size;
            levels.push_back(level);
        }
    }
    image.data.assign(offset, 0);
    image.levels = std::move(levels);
    return true;
}

} // namespace detail

bool readInfo(const void* const data, const size_t size, Info& out) {
    if (data == nullptr || size == 0) {
        return false;
    }
    const auto* const bytes = static_cast<const uint8_t*>(data);
    if (detail::isDds(bytes, size)) {
        size_t offset = 0;
        return detail::readDdsInfo(bytes, size, out, offset);
    }
    return detail::readStbInfo(bytes, size, out);
}

bool decode(const void* const data, const size_t size, Image& out) {
    if (data == nullptr || size == 0) {
        return false;
    }
    const auto* const bytes = static_cast<const uint8_t*>(data);
    try {
        Image image;
        const bool ok = detail::isDds(bytes, size) ? detail::decodeDds(bytes, size, image)
                                                   : detail::decodeStb(bytes, size, image);
        if (!ok) {
            return false;
        }
        out = std::move(image);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool isKnownFormat(const Format format) {
    return factsOf(format) != nullptr;
}

bool isCompressed(const Format format) {
    const FormatFacts* const f = factsOf(format);
    return f != nullptr && f->compressed;
}

bool hasAlpha(const Format format) {
    const FormatFacts* const f = factsOf(format);
    return f != nullptr && f->alpha;
}

uint32_t rowPitch(const Format format, const uint32_t width) {
    const FormatFacts* const f = factsOf(format);
    if (f == nullptr) {
        return 0;
    }
    return f->compressed ? std::max<uint32_t>(1, (width + 3) / 4) * f->bytes : width * f->bytes;
}

uint32_t rowCount(const Format format, const uint32_t height) {
    const FormatFacts* const f = factsOf(format);
    if (f == nullptr) {
        return 0;
    }
    return f->compressed ? std::max<uint32_t>(1, (height + 3) / 4) : height;
}

uint64_t levelSize(const Format format, const uint32_t width, const uint32_t height) {
    return static_cast<uint64_t>(rowPitch(format, width)) * rowCount(format, height);
}

uint32_t fullChainLength(const uint32_t width, const uint32_t height) {
    uint32_t side = std::max(width, height);
    uint32_t n = 1;
    while (side > 1) {
        side >>= 1;
        ++n;
    }
    return n;
}

bool convert(Image& image, const Format format) {
    if (!isKnownFormat(format) || !isKnownFormat(image.info.format)) {
        return false;
    }
    if (format == image.info.format) {
        return true;
    }
    try {
        Image converted;
        if (!convertInto(image, format, converted)) {
            return false;
        }
        image = std::move(converted);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool generateMips(Image& image, const uint32_t source, const uint32_t count) {
    const Info& info = image.info;
    if (!isKnownFormat(info.format) || source >= info.levels || count == 0 ||
        image.levels.size() != static_cast<size_t>(info.faces) * info.levels) {
        return false;
    }
    const uint32_t levels = std::min(count, fullChainLength(info.width, info.height));
    try {
        Image out;
        out.info = info;
        out.info.levels = std::max(levels, source + 1);
        if (!detail::layOut(out)) {
            return false;
        }
        std::vector<uint8_t> above;
        std::vector<uint8_t> below;
        for (uint32_t face = 0; face < info.faces; ++face) {
            for (uint32_t mip = 0; mip <= source && mip < out.info.levels; ++mip) {
                const Level& level = image.level(face, mip);
                std::copy_n(image.bits(face, mip), level.size, out.bits(face, mip));
            }
            if (source + 1 >= out.info.levels) {
                continue;
            }
            const Level& top = out.level(face, source);
            above.assign(static_cast<size_t>(top.width) * top.height * 4, 0);
            if (!toArgb(info.format, out.bits(face, source), top.pitch, top.width, top.height,
                        above.data(), top.width * 4)) {
                return false;
            }
            for (uint32_t mip = source + 1; mip < out.info.levels; ++mip) {
                const Level& from = out.level(face, mip - 1);
                const Level& to = out.level(face, mip);
                below.assign(static_cast<size_t>(to.width) * to.height * 4, 0);
                boxFilter(above.data(), from.width, from.height, below.data(), to.width, to.height);
                if (!fromArgb(info.format, below.data(), to.width * 4, to.width, to.height,
                              out.bits(face, mip), to.pitch)) {
                    return false;
                }
                above.swap(below);
            }
        }
        // Only levels up to `source` may remain when fewer were asked for than exist.
        if (levels < out.info.levels) {
            Image cut;
            cut.info = out.info;
            cut.info.levels = levels;
            if (!detail::layOut(cut)) {
                return false;
            }
            for (uint32_t face = 0; face < info.faces; ++face) {
                for (uint32_t mip = 0; mip < levels; ++mip) {
                    std::copy_n(out.bits(face, mip), cut.level(face, mip).size,
                                cut.bits(face, mip));
                }
            }
            out = std::move(cut);
        }
        image = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace zqp::image
