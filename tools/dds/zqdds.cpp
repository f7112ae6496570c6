// zqdds: writes a DDS file from any image the framework reads (PNG, JPEG, BMP, TGA, DDS).
//   zqdds INPUT OUTPUT [--format NAME] [--mips N]
// INPUT "pattern:WxH" stands for a generated picture of that size (colour ramps and an alpha
// pattern), for test and fuzz seeds.
// NAME: argb, xrgb, rgb, abgr, xbgr, r5g6b5, x1r5g5b5, a1r5g5b5, a4r4g4b4, a8, l8, a8l8,
// dxt1, dxt3, dxt5 (default: the input's own). N: levels to write, 0 for the full chain
// (default: the input's own). Missing levels are box-filtered from the input's last one.
#include "tools/dds/DdsWriter.h"

#include "zq/platform/fs/readfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using zqp::image::Format;

struct Named {
    const char* name;
    Format format;
};
constexpr Named FORMAT_NAMES[] = {
    {"argb", Format::A8R8G8B8},
    {"xrgb", Format::X8R8G8B8},
    {"rgb", Format::R8G8B8},
    {"abgr", Format::A8B8G8R8},
    {"xbgr", Format::X8B8G8R8},
    {"r5g6b5", Format::R5G6B5},
    {"x1r5g5b5", Format::X1R5G5B5},
    {"a1r5g5b5", Format::A1R5G5B5},
    {"a4r4g4b4", Format::A4R4G4B4},
    {"a8", Format::A8},
    {"l8", Format::L8},
    {"a8l8", Format::A8L8},
    {"dxt1", Format::Dxt1},
    {"dxt3", Format::Dxt3},
    {"dxt5", Format::Dxt5},
};

// The largest input read: more than any image the framework decodes takes as a file.
constexpr uint64_t MAX_INPUT_SIZE = 1ull << 30;
// Sides of a generated pattern.
constexpr uint32_t MAX_PATTERN_SIDE = 4096;

// A whole decimal number from 0 to max.
bool parseNumber(const char* const text, const uint32_t max, uint32_t& out) {
    uint64_t v = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > max) {
            return false;
        }
    }
    if (p == text || *p != 0) {
        return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

// "pattern:WxH": true when text names a pattern at all; ok tells whether its size is usable.
bool parsePattern(const char* const text, uint32_t& width, uint32_t& height, bool& ok) {
    constexpr char PREFIX[] = "pattern:";
    if (std::strncmp(text, PREFIX, sizeof PREFIX - 1) != 0) {
        return false;
    }
    const std::string size = text + sizeof PREFIX - 1;
    const size_t x = size.find('x');
    ok = x != std::string::npos &&
         parseNumber(size.substr(0, x).c_str(), MAX_PATTERN_SIDE, width) &&
         parseNumber(size.substr(x + 1).c_str(), MAX_PATTERN_SIDE, height) && width != 0 &&
         height != 0;
    return true;
}

// A picture of colour ramps with an alpha pattern, as one A8R8G8B8 level.
bool makePattern(const uint32_t width, const uint32_t height, zqp::image::Image& out) {
    if (width == 0 || height == 0 || width > MAX_PATTERN_SIDE || height > MAX_PATTERN_SIDE) {
        return false;
    }
    std::vector<uint8_t> argb(static_cast<size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* const p = &argb[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>((x + y) * 255 / (width + height));
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = static_cast<uint8_t>(x * 255 / width);
            p[3] = static_cast<uint8_t>(255 - ((x * 7 + y * 13) & 0x7F));
        }
    }
    zqtool::DdsDesc desc;
    desc.width = width;
    desc.height = height;
    const std::vector<uint8_t> dds = zqtool::writeDds(desc, argb.data(), argb.size());
    return zqp::image::decode(dds.data(), dds.size(), out);
}

int usage() {
    std::fprintf(stderr, "usage: zqdds INPUT OUTPUT [--format NAME] [--mips N]\n");
    return 2;
}

} // namespace

int main(const int argc, char** const argv) {
    if (argc < 3) {
        return usage();
    }
    Format format = Format::Unknown;
    // -1: the input's own levels.
    long mips = -1;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--format") == 0 && i + 1 < argc) {
            const char* const name = argv[++i];
            for (const Named& n : FORMAT_NAMES) {
                if (std::strcmp(n.name, name) == 0) {
                    format = n.format;
                }
            }
            if (format == Format::Unknown) {
                std::fprintf(stderr, "zqdds: unknown format %s\n", name);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--mips") == 0 && i + 1 < argc) {
            const char* const text = argv[++i];
            uint32_t levels = 0;
            if (!parseNumber(text, zqp::image::MAX_LEVELS, levels)) {
                std::fprintf(stderr,
                             "zqdds: --mips wants a number of levels from 0 to %u, not '%s'\n",
                             zqp::image::MAX_LEVELS, text);
                return 2;
            }
            mips = levels;
        } else {
            return usage();
        }
    }

    zqp::image::Image image;
    uint32_t width = 0;
    uint32_t height = 0;
    bool patternOk = false;
    if (parsePattern(argv[1], width, height, patternOk)) {
        if (!patternOk) {
            std::fprintf(stderr, "zqdds: a pattern is pattern:WxH from 1x1 to %ux%u, not '%s'\n",
                         MAX_PATTERN_SIDE, MAX_PATTERN_SIDE, argv[1]);
            return 2;
        }
        if (!makePattern(width, height, image)) {
            std::fprintf(stderr, "zqdds: cannot make the pattern %s\n", argv[1]);
            return 1;
        }
    } else {
        std::string file;
        std::string error;
        if (!zqp::readWholeFile(argv[1], MAX_INPUT_SIZE, file, &error)) {
            std::fprintf(stderr, "zqdds: %s\n", error.c_str());
            return 1;
        }
        if (!zqp::image::decode(file.data(), file.size(), image)) {
            std::fprintf(stderr, "zqdds: %s is not an image the framework reads\n", argv[1]);
            return 1;
        }
    }
    // Filter in 32 bits, then convert once, so block formats are compressed only once.
    const Format target = format != Format::Unknown ? format : image.info.format;
    const uint32_t levels = mips < 0 ? image.info.levels
                            : mips == 0
                                ? zqp::image::fullChainLength(image.info.width, image.info.height)
                                : static_cast<uint32_t>(mips);
    if (!zqp::image::convert(image, Format::A8R8G8B8) ||
        !zqp::image::generateMips(image, image.info.levels - 1, levels) ||
        !zqp::image::convert(image, target)) {
        std::fprintf(stderr, "zqdds: conversion failed\n");
        return 1;
    }
    zqtool::DdsDesc desc;
    desc.format = target;
    desc.width = image.info.width;
    desc.height = image.info.height;
    desc.levels = image.info.levels;
    desc.cube = image.info.faces == zqp::image::CUBE_FACES;
    const std::vector<uint8_t> dds = zqtool::writeDds(desc, image.data.data(), image.data.size());
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(dds.data()), static_cast<std::streamsize>(dds.size()));
    if (dds.empty() || !out) {
        std::fprintf(stderr, "zqdds: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
