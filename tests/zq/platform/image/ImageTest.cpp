// The image service: the stb formats against the pixels they were written from, DDS formats
// and blocks against hand-made bytes, refusal of truncated and lying headers, CPU mip chains,
// conversions and block compression.
#include "zq/platform/image/image.h"

#include "tests/support/ImageFiles.h"
#include "tools/dds/DdsWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using zqp::image::FileFormat;
using zqp::image::Format;
using zqp::image::Image;
using zqp::image::Info;

constexpr size_t AT_MIP_COUNT = 28;
constexpr size_t DATA_OFFSET = 128;

void putU32(std::vector<uint8_t>& file, const size_t at, const uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint32_t getU32(const std::vector<uint8_t>& file, const size_t at) {
    return file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) |
           (static_cast<uint32_t>(file[at + 3]) << 24);
}

// Level 0 of face 0 of an image as 0xAARRGGBB values.
std::vector<uint32_t> argbOf(const Image& image, const uint32_t face = 0, const uint32_t mip = 0) {
    const zqp::image::Level& level = image.level(face, mip);
    std::vector<uint8_t> bgra(static_cast<size_t>(level.width) * level.height * 4);
    EXPECT_TRUE(zqp::image::toArgb(image.info.format, image.bits(face, mip), level.pitch,
                                   level.width, level.height, bgra.data(), level.width * 4));
    std::vector<uint32_t> out;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        out.push_back(bgra[i] | (bgra[i + 1] << 8) | (bgra[i + 2] << 16) |
                      (static_cast<uint32_t>(bgra[i + 3]) << 24));
    }
    return out;
}

int channelDiff(const uint32_t a, const uint32_t b) {
    int worst = 0;
    for (int s = 0; s < 32; s += 8) {
        worst = std::max(
            worst, std::abs(static_cast<int>((a >> s) & 255) - static_cast<int>((b >> s) & 255)));
    }
    return worst;
}

// A file of one face whose levels are solid colours (one per level), written raw.
std::vector<uint8_t> solidDds(const Format format, const uint32_t width, const uint32_t height,
                              const uint32_t levels, const bool mipFlag = true) {
    std::vector<uint8_t> data;
    for (uint32_t mip = 0; mip < levels; ++mip) {
        const uint32_t w = std::max(1u, width >> mip);
        const uint32_t h = std::max(1u, height >> mip);
        std::vector<uint8_t> argb(static_cast<size_t>(w) * h * 4);
        for (size_t i = 0; i < argb.size(); i += 4) {
            zqtool::putArgb(&argb[i], 0xFF000000u | (mip * 0x203040u));
        }
        std::vector<uint8_t> level(zqp::image::levelSize(format, w, h));
        EXPECT_TRUE(zqp::image::fromArgb(format, argb.data(), w * 4, w, h, level.data(),
                                         zqp::image::rowPitch(format, w)));
        data.insert(data.end(), level.begin(), level.end());
    }
    zqtool::DdsDesc desc;
    desc.format = format;
    desc.width = width;
    desc.height = height;
    desc.levels = levels;
    desc.mipCountFlag = mipFlag;
    return zqtool::writeDds(desc, data.data(), data.size());
}

// ---------------------------------------------------------------------------------------------
// PNG, JPEG, BMP, TGA

TEST(ImageStb, DecodesEachContainerToThePixelsWritten) {
    struct Case {
        zqtest::ImageFile kind;
        int channels;
        FileFormat fileFormat;
        Format format;
        int tolerance;
    };
    const Case cases[] = {
        {zqtest::ImageFile::Png, 4, FileFormat::Png, Format::A8R8G8B8, 0},
        {zqtest::ImageFile::Png, 3, FileFormat::Png, Format::X8R8G8B8, 0},
        {zqtest::ImageFile::Bmp, 3, FileFormat::Bmp, Format::X8R8G8B8, 0},
        {zqtest::ImageFile::Tga, 4, FileFormat::Tga, Format::A8R8G8B8, 0},
        {zqtest::ImageFile::Tga, 3, FileFormat::Tga, Format::X8R8G8B8, 0},
        {zqtest::ImageFile::Jpg, 3, FileFormat::Jpg, Format::X8R8G8B8, 12},
    };
    const uint32_t w = 24;
    const uint32_t h = 10;
    const std::vector<uint32_t> picture = zqtest::testPicture(w, h);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fileFormat) * 10 + c.channels);
        const std::vector<uint8_t> file = zqtest::encodeImage(c.kind, w, h, picture, c.channels);
        ASSERT_FALSE(file.empty());
        Info info;
        ASSERT_TRUE(zqp::image::readInfo(file.data(), file.size(), info));
        EXPECT_EQ(info.fileFormat, c.fileFormat);
        EXPECT_EQ(info.format, c.format);
        EXPECT_EQ(info.width, w);
        EXPECT_EQ(info.height, h);
        EXPECT_EQ(info.levels, 1u);
        EXPECT_EQ(info.faces, 1u);

        Image image;
        ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
        EXPECT_EQ(image.info.format, c.format);
        ASSERT_EQ(image.levels.size(), 1u);
        EXPECT_EQ(image.level(0, 0).pitch, w * 4);
        const std::vector<uint32_t> got = argbOf(image);
        int worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const uint32_t want = c.channels == 4 ? picture[i] : (picture[i] | 0xFF000000u);
            worst = std::max(worst, channelDiff(got[i], want));
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(ImageStb, RefusesTruncatedForeignAndOversizedFiles) {
    const std::vector<uint32_t> picture = zqtest::testPicture(32, 32);
    const std::vector<uint8_t> png = zqtest::encodeImage(zqtest::ImageFile::Png, 32, 32, picture);
    const std::vector<uint8_t> jpg = zqtest::encodeImage(zqtest::ImageFile::Jpg, 32, 32, picture);

    std::vector<std::pair<std::string, std::vector<uint8_t>>> bad;
    bad.emplace_back("png cut in half",
                     std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2));
    bad.emplace_back("png signature only", std::vector<uint8_t>(png.begin(), png.begin() + 8));
    bad.emplace_back("jpeg cut short", std::vector<uint8_t>(jpg.begin(), jpg.begin() + 40));
    bad.emplace_back("gif",
                     std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0});
    bad.emplace_back("text", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l',
                                                  'd', ' ', 't', 'e', 'x', 't', ' ', '!', '!'});
    // A TGA header of an image type that does not exist.
    std::vector<uint8_t> tga(40, 0);
    tga[2] = 7;
    tga[12] = 4;
    tga[14] = 4;
    tga[16] = 32;
    bad.emplace_back("tga of type 7", tga);
    // The header of a PNG that would decode to more pixels than the service takes.
    std::vector<uint8_t> huge = png;
    huge[16] = 0, huge[17] = 0, huge[18] = 0x30, huge[19] = 0x00; // width 12288
    huge[20] = 0, huge[21] = 0, huge[22] = 0x30, huge[23] = 0x00; // height 12288
    bad.emplace_back("png of 12288 squared", huge);

    for (const auto& [name, file] : bad) {
        SCOPED_TRACE(name);
        Info info;
        info.width = 77;
        Image image;
        image.info.width = 77;
        EXPECT_FALSE(zqp::image::decode(file.data(), file.size(), image));
        EXPECT_EQ(image.info.width, 77u);
        EXPECT_TRUE(image.data.empty());
        if (name != "png cut in half" && name != "jpeg cut short") {
            EXPECT_FALSE(zqp::image::readInfo(file.data(), file.size(), info));
            EXPECT_EQ(info.width, 77u);
        }
    }
    Image image;
    EXPECT_FALSE(zqp::image::decode(nullptr, 100, image));
    EXPECT_FALSE(zqp::image::decode(png.data(), 0, image));
}

// ---------------------------------------------------------------------------------------------
// DDS: formats, blocks, levels and faces

TEST(ImageDds, ReadsEachUncompressedFormatByItsMasks) {
    struct Case {
        Format format;
        std::vector<uint8_t> pixel; // one pixel as stored
        uint32_t argb;              // as read
    };
    const Case cases[] = {
        {Format::A8R8G8B8, {0x10, 0x20, 0x30, 0x40}, 0x40302010},
        {Format::X8R8G8B8, {0x10, 0x20, 0x30, 0x40}, 0xFF302010},
        {Format::A8B8G8R8, {0x10, 0x20, 0x30, 0x40}, 0x40102030},
        {Format::X8B8G8R8, {0x10, 0x20, 0x30, 0x00}, 0xFF102030},
        {Format::R8G8B8, {0x10, 0x20, 0x30}, 0xFF302010},
        {Format::R5G6B5, {0x1F, 0xF8}, 0xFFFF00FF},   // red 31, green 0, blue 31
        {Format::X1R5G5B5, {0xE0, 0x03}, 0xFF00FF00}, // green 31
        {Format::A1R5G5B5, {0x00, 0x7C}, 0x00FF0000}, // red 31, alpha 0
        {Format::A1R5G5B5, {0x1F, 0x80}, 0xFF0000FF}, // blue 31, alpha 1
        {Format::A4R4G4B4, {0x21, 0x43}, 0x44332211},
        {Format::A8, {0x80}, 0x80000000},
        {Format::L8, {0x60}, 0xFF606060},
        {Format::A8L8, {0x60, 0x90}, 0x90606060},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<uint32_t>(c.format));
        // 2x1 pixels, the same twice, so the second is read at the format's pixel stride.
        std::vector<uint8_t> data = c.pixel;
        for (const uint8_t b : c.pixel) {
            data.push_back(b);
        }
        zqtool::DdsDesc desc;
        desc.format = c.format;
        desc.width = 2;
        desc.height = 1;
        const std::vector<uint8_t> file = zqtool::writeDds(desc, data.data(), data.size());
        ASSERT_FALSE(file.empty());
        Image image;
        ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
        EXPECT_EQ(image.info.fileFormat, FileFormat::Dds);
        EXPECT_EQ(image.info.format, c.format);
        const std::vector<uint32_t> got = argbOf(image);
        EXPECT_EQ(got[0], c.argb);
        EXPECT_EQ(got[1], c.argb);
    }
}

// DXT blocks written by hand: colour 0 red, colour 1 blue, row y using index y for all four
// pixels, so each row shows one palette entry.
TEST(ImageDds, DecodesBlocksOfEachDxtKind) {
    const uint8_t colours4[8] = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0xAA, 0xFF}; // red > blue
    const uint8_t colours3[8] = {0x1F, 0x00, 0x00, 0xF8, 0x00, 0x55, 0xAA, 0xFF}; // blue < red
    const uint32_t fourMode[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    const uint32_t threeMode[4] = {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000};

    struct Case {
        Format format;
        std::vector<uint8_t> block;
        uint32_t rows[4];
        uint8_t alphaOf[16]; // per pixel, or all 0 to keep the rows' alpha
    };
    std::vector<Case> cases;
    cases.push_back({Format::Dxt1, {colours4, colours4 + 8}, {}, {}});
    std::copy(fourMode, fourMode + 4, cases.back().rows);
    cases.push_back({Format::Dxt1, {colours3, colours3 + 8}, {}, {}});
    std::copy(threeMode, threeMode + 4, cases.back().rows);
    // DXT3: explicit 4-bit alpha, pixel i has alpha i * 17; the colour block is always read in
    // four-colour mode, even when colour 0 is not above colour 1.
    {
        Case c{Format::Dxt3, {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}, {}, {}};
        c.block.insert(c.block.end(), colours3, colours3 + 8);
        const uint32_t rows[4] = {0xFF0000FF, 0xFFFF0000, 0xFF5500AA, 0xFFAA0055};
        std::copy(rows, rows + 4, c.rows);
        for (int i = 0; i < 16; ++i) {
            c.alphaOf[i] = static_cast<uint8_t>(i * 17);
        }
        cases.push_back(c);
    }
    // DXT5, eight-value mode (a0 > a1): index k of pixel i = i % 8.
    // DXT5, six-value mode (a0 <= a1): indices 6 and 7 are 0 and 255.
    for (const bool eight : {true, false}) {
        const uint8_t a0 = eight ? 210 : 40;
        const uint8_t a1 = eight ? 70 : 240;
        uint64_t bits = 0;
        for (int i = 0; i < 16; ++i) {
            bits |= static_cast<uint64_t>(i % 8) << (3 * i);
        }
        Case c{Format::Dxt5, {a0, a1}, {}, {}};
        for (int i = 0; i < 6; ++i) {
            c.block.push_back(static_cast<uint8_t>(bits >> (8 * i)));
        }
        c.block.insert(c.block.end(), colours4, colours4 + 8);
        std::copy(fourMode, fourMode + 4, c.rows);
        const uint8_t palette8[8] = {210, 70, 190, 170, 150, 130, 110, 90};
        const uint8_t palette6[8] = {40, 240, 80, 120, 160, 200, 0, 255};
        for (int i = 0; i < 16; ++i) {
            c.alphaOf[i] = eight ? palette8[i % 8] : palette6[i % 8];
        }
        cases.push_back(c);
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<uint32_t>(c.format)) + " block " +
                     std::to_string(c.block[0]));
        zqtool::DdsDesc desc;
        desc.format = c.format;
        desc.width = 4;
        desc.height = 4;
        const std::vector<uint8_t> file = zqtool::writeDds(desc, c.block.data(), c.block.size());
        Image image;
        ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
        const std::vector<uint32_t> got = argbOf(image);
        bool alphaGiven = false;
        for (const uint8_t a : c.alphaOf) {
            alphaGiven |= a != 0;
        }
        for (int i = 0; i < 16; ++i) {
            uint32_t want = c.rows[i / 4];
            if (alphaGiven) {
                want = (want & 0x00FFFFFF) | (static_cast<uint32_t>(c.alphaOf[i]) << 24);
            }
            EXPECT_LE(channelDiff(got[i], want), 1)
                << "pixel " << i << std::hex << " got " << got[i] << " want " << want;
        }
    }
}

TEST(ImageDds, MipCountIsTheHeadersCutToTheChainAndOneWithoutTheFlag) {
    struct Case {
        uint32_t headerCount;
        bool flag;
        uint32_t levels;
    };
    // 16x8 has a chain of 5; the data always hold all five.
    const Case cases[] = {{5, true, 5}, {3, true, 3},  {20, true, 5},
                          {0, true, 1}, {5, false, 1}, {1, true, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.headerCount * 10 + c.flag);
        std::vector<uint8_t> file = solidDds(Format::A8R8G8B8, 16, 8, 5);
        putU32(file, AT_MIP_COUNT, c.headerCount);
        if (!c.flag) {
            putU32(file, 8, getU32(file, 8) & ~0x20000u);
        }
        Info info;
        ASSERT_TRUE(zqp::image::readInfo(file.data(), file.size(), info));
        EXPECT_EQ(info.levels, c.levels);
        Image image;
        ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
        ASSERT_EQ(image.info.levels, c.levels);
        ASSERT_EQ(image.levels.size(), c.levels);
        for (uint32_t mip = 0; mip < c.levels; ++mip) {
            EXPECT_EQ(image.level(0, mip).width, std::max(1u, 16u >> mip));
            EXPECT_EQ(image.level(0, mip).height, std::max(1u, 8u >> mip));
            EXPECT_EQ(argbOf(image, 0, mip)[0], 0xFF000000u | (mip * 0x203040u));
        }
    }
}

TEST(ImageDds, CubeMapHoldsSixFacesOfEveryLevel) {
    const uint32_t faceColour[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                    0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    std::vector<uint8_t> argb;
    for (const uint32_t colour : faceColour) {
        for (int i = 0; i < 8 * 8; ++i) {
            argb.resize(argb.size() + 4);
            zqtool::putArgb(&argb[argb.size() - 4], colour);
        }
    }
    for (const Format format : {Format::X8R8G8B8, Format::Dxt1}) {
        SCOPED_TRACE(static_cast<uint32_t>(format));
        const std::vector<uint8_t> file = zqtool::makeDds(format, 8, 8, argb.data(), 3, true);
        ASSERT_FALSE(file.empty());
        Image image;
        ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
        EXPECT_EQ(image.info.faces, 6u);
        EXPECT_EQ(image.info.levels, 3u);
        for (uint32_t face = 0; face < 6; ++face) {
            for (uint32_t mip = 0; mip < 3; ++mip) {
                const std::vector<uint32_t> got = argbOf(image, face, mip);
                EXPECT_EQ(got.size(), static_cast<size_t>(64u >> (2 * mip)));
                EXPECT_LE(channelDiff(got.back(), faceColour[face]), 4) << face << "/" << mip;
            }
        }
    }
}

// Every header field that sizes or shapes the data, made to lie; none may be believed.
TEST(ImageDds, RefusesTruncatedAndLyingHeaders) {
    const std::vector<uint8_t> good = solidDds(Format::Dxt1, 16, 16, 3);
    const std::vector<uint8_t> raw = solidDds(Format::A8R8G8B8, 8, 8, 1);
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases;
    auto patched = [&](const char* name, std::vector<uint8_t> file, const size_t at,
                       const uint32_t value) {
        putU32(file, at, value);
        cases.push_back({name, std::move(file)});
    };
    cases.push_back({"one byte short", {good.begin(), good.end() - 1}});
    cases.push_back({"header only", {good.begin(), good.begin() + DATA_OFFSET}});
    cases.push_back({"shorter than the header", {good.begin(), good.begin() + 100}});
    cases.push_back({"magic only", {good.begin(), good.begin() + 4}});
    patched("header size 123", good, 4, 123);
    patched("pixel format size 0", good, 76, 0);
    patched("height 0", good, 12, 0);
    patched("width 0", good, 16, 0);
    patched("width 65536", good, 16, 65536);
    patched("width 16384 with 16x16 data", good, 16, 16384);
    patched("height 0xFFFFFFFF", good, 12, 0xFFFFFFFFu);
    patched("four levels in data of three", good, AT_MIP_COUNT, 4);
    patched("fourcc DXT2", good, 84, 0x32545844u);
    patched("fourcc DX10", good, 84, 0x30315844u);
    patched("no pixel format kind", raw, 80, 0);
    patched("32 bits with a 5-6-5 mask", raw, 92, 0xF800);
    patched("bit count 25", raw, 88, 25);
    patched("volume texture", good, 112, 0x200000);
    patched("cube map with five faces", good, 112, 0x200 | 0x7C00);
    patched("cube map with all faces but one face of data", good, 112, 0x200 | 0xFC00);
    {
        // A volume with depth: refused even when the caps say nothing.
        std::vector<uint8_t> file = good;
        putU32(file, 8, getU32(file, 8) | 0x800000);
        putU32(file, 24, 4);
        cases.push_back({"depth 4", file});
    }
    {
        std::vector<uint8_t> file = good;
        putU32(file, 16, 32); // a non-square cube
        putU32(file, 112, 0x200 | 0xFC00);
        cases.push_back({"non-square cube", file});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Info info;
        info.width = 77;
        EXPECT_FALSE(zqp::image::readInfo(c.file.data(), c.file.size(), info));
        EXPECT_EQ(info.width, 77u);
        Image image;
        EXPECT_FALSE(zqp::image::decode(c.file.data(), c.file.size(), image));
        EXPECT_TRUE(image.data.empty());
    }
    Image image;
    EXPECT_TRUE(zqp::image::decode(good.data(), good.size(), image));
    // Bytes after the last level are not part of the image and do no harm.
    std::vector<uint8_t> longer = good;
    longer.resize(longer.size() + 100, 0xEE);
    EXPECT_TRUE(zqp::image::decode(longer.data(), longer.size(), image));
}

// ---------------------------------------------------------------------------------------------
// Mip chains, conversion, compression

TEST(ImageMips, BoxFilterAveragesEachQuadAndKeepsTheLevelsAbove) {
    // 4x2: quads (0,0)-(1,1) and (2,0)-(3,1).
    const std::vector<uint32_t> pixels = {0xFF000000, 0xFF040404, 0x80FF0000, 0x80FF0000,
                                          0xFF080808, 0xFF0C0C0C, 0x00FF0000, 0x00FF0000};
    std::vector<uint8_t> bgra = zqtest::toBgra(pixels);
    Image image;
    const std::vector<uint8_t> file = zqtool::makeDds(Format::A8R8G8B8, 4, 2, bgra.data(), 1);
    ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
    ASSERT_TRUE(zqp::image::generateMips(image, 0, 0xFFFFFFFFu));
    ASSERT_EQ(image.info.levels, 3u);
    EXPECT_EQ(argbOf(image, 0, 0), pixels);
    EXPECT_EQ(argbOf(image, 0, 1), (std::vector<uint32_t>{0xFF060606, 0x40FF0000}));
    // 2x1 -> 1x1: (0x06 + 0x00 + 2) / 2 rounds up, alpha (255 + 64) / 2 rounded.
    EXPECT_EQ(argbOf(image, 0, 2), (std::vector<uint32_t>{0xA0830303}));

    // Levels down to `source` stay as they were; the rest are made from it.
    std::vector<uint8_t> three = solidDds(Format::X8R8G8B8, 16, 16, 3);
    Image partial;
    ASSERT_TRUE(zqp::image::decode(three.data(), three.size(), partial));
    const std::vector<uint32_t> level2 = argbOf(partial, 0, 2);
    ASSERT_TRUE(zqp::image::generateMips(partial, 2, 5));
    EXPECT_EQ(partial.info.levels, 5u);
    EXPECT_EQ(argbOf(partial, 0, 1)[0], 0xFF203040u);
    EXPECT_EQ(argbOf(partial, 0, 2), level2);
    EXPECT_EQ(argbOf(partial, 0, 4), std::vector<uint32_t>(1, level2[0]));
    // Fewer levels than held: the chain is cut.
    ASSERT_TRUE(zqp::image::generateMips(partial, 0, 2));
    EXPECT_EQ(partial.info.levels, 2u);
    EXPECT_EQ(partial.levels.size(), 2u);
    // A source that is not a level leaves the image alone.
    EXPECT_FALSE(zqp::image::generateMips(partial, 2, 5));
    EXPECT_EQ(partial.info.levels, 2u);
}

TEST(ImageMips, BlockFormatsAreFilteredThroughPixelsAndCompressedAgain) {
    const uint32_t w = 32;
    const std::vector<uint32_t> picture = zqtest::testPicture(w, w);
    const std::vector<uint8_t> bgra = zqtest::toBgra(picture);
    for (const Format format : {Format::Dxt1, Format::Dxt3, Format::Dxt5}) {
        SCOPED_TRACE(static_cast<uint32_t>(format));
        const std::vector<uint8_t> one = zqtool::makeDds(format, w, w, bgra.data(), 1);
        const std::vector<uint8_t> full = zqtool::makeDds(format, w, w, bgra.data(), 6);
        Image filtered;
        Image reference;
        ASSERT_TRUE(zqp::image::decode(one.data(), one.size(), filtered));
        ASSERT_TRUE(zqp::image::decode(full.data(), full.size(), reference));
        EXPECT_FALSE(zqp::image::generateMips(filtered, 0, 0)); // no chain has 0 levels
        EXPECT_EQ(filtered.info.levels, 1u);
        ASSERT_TRUE(zqp::image::generateMips(filtered, 0, 6));
        ASSERT_EQ(filtered.info.levels, 6u);
        EXPECT_EQ(filtered.info.format, format);
        for (uint32_t mip = 1; mip < 6; ++mip) {
            const std::vector<uint32_t> a = argbOf(filtered, 0, mip);
            const std::vector<uint32_t> b = argbOf(reference, 0, mip);
            ASSERT_EQ(a.size(), b.size());
            int worst = 0;
            for (size_t i = 0; i < a.size(); ++i) {
                // DXT1 keeps only opaque or transparent.
                const uint32_t mask = format == Format::Dxt1 ? 0x00FFFFFF : 0xFFFFFFFF;
                worst = std::max(worst, channelDiff(a[i] & mask, b[i] & mask));
            }
            EXPECT_LE(worst, 48) << "level " << mip;
        }
    }
}

TEST(ImageConvert, BlockCompressionKeepsColoursAndDxt1Transparency) {
    const uint32_t w = 32;
    std::vector<uint32_t> picture = zqtest::testPicture(w, w);
    // A transparent corner in block (0, 0) and a solid block at (1, 1).
    picture[0] = 0x00000000;
    picture[1] = 0x10FFFFFF;
    for (uint32_t y = 4; y < 8; ++y) {
        for (uint32_t x = 4; x < 8; ++x) {
            picture[y * w + x] = 0xFF3366CC;
        }
    }
    const std::vector<uint8_t> bgra = zqtest::toBgra(picture);
    for (const Format format : {Format::Dxt1, Format::Dxt3, Format::Dxt5}) {
        SCOPED_TRACE(static_cast<uint32_t>(format));
        std::vector<uint8_t> blocks(zqp::image::levelSize(format, w, w));
        const uint32_t pitch = zqp::image::rowPitch(format, w);
        ASSERT_TRUE(zqp::image::fromArgb(format, bgra.data(), w * 4, w, w, blocks.data(), pitch));
        std::vector<uint8_t> back(bgra.size());
        ASSERT_TRUE(zqp::image::toArgb(format, blocks.data(), pitch, w, w, back.data(), w * 4));
        // Alpha everywhere; colour away from block (0, 0), whose black and white corner
        // pixels no two-colour line can hold.
        for (size_t i = 0; i < picture.size(); ++i) {
            const uint32_t got = back[i * 4] | (back[i * 4 + 1] << 8) | (back[i * 4 + 2] << 16) |
                                 (static_cast<uint32_t>(back[i * 4 + 3]) << 24);
            const uint32_t want = picture[i];
            const int alphaGot = static_cast<int>(got >> 24);
            const int alphaWant = static_cast<int>(want >> 24);
            if (format == Format::Dxt1) {
                EXPECT_EQ(alphaGot, alphaWant < 128 ? 0 : 255) << i;
            } else {
                EXPECT_LE(std::abs(alphaGot - alphaWant), format == Format::Dxt3 ? 8 : 20) << i;
            }
            if (i % w >= 4 || i / w >= 4) {
                EXPECT_LE(channelDiff(got & 0xFFFFFF, want & 0xFFFFFF), 24) << i;
            }
        }
        // The solid block comes back within the 5-6-5 rounding.
        const size_t solid = 5 * w + 5;
        const uint32_t got =
            back[solid * 4] | (back[solid * 4 + 1] << 8) | (back[solid * 4 + 2] << 16);
        EXPECT_LE(channelDiff(got, 0x3366CC), 4);
    }
}

TEST(ImageConvert, WholeImagesChangeFormatAndKeepTheirShape) {
    const std::vector<uint32_t> picture = zqtest::testPicture(64, 32);
    const std::vector<uint8_t> bgra = zqtest::toBgra(picture);
    const std::vector<uint8_t> file = zqtool::makeDds(Format::A8R8G8B8, 64, 32, bgra.data(), 4);
    Image image;
    ASSERT_TRUE(zqp::image::decode(file.data(), file.size(), image));
    struct Case {
        Format format;
        int tolerance;
        bool alpha;
    };
    const Case cases[] = {{Format::R5G6B5, 8, false},   {Format::A4R4G4B4, 17, true},
                          {Format::A1R5G5B5, 8, false}, {Format::R8G8B8, 0, false},
                          {Format::A8B8G8R8, 0, true},  {Format::Dxt5, 12, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<uint32_t>(c.format));
        Image converted = image;
        ASSERT_TRUE(zqp::image::convert(converted, c.format));
        EXPECT_EQ(converted.info.format, c.format);
        EXPECT_EQ(converted.info.levels, 4u);
        EXPECT_EQ(converted.level(0, 3).width, 8u);
        EXPECT_EQ(converted.level(0, 3).pitch, zqp::image::rowPitch(c.format, 8));
        const std::vector<uint32_t> got = argbOf(converted);
        for (size_t i = 0; i < got.size(); ++i) {
            const uint32_t mask = c.alpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
            EXPECT_LE(channelDiff(got[i] & mask, picture[i] & mask), c.tolerance) << i;
        }
    }
    Image untouched = image;
    EXPECT_FALSE(zqp::image::convert(untouched, static_cast<Format>(99)));
    EXPECT_EQ(untouched.info.format, Format::A8R8G8B8);
    EXPECT_EQ(untouched.data, image.data);
}

TEST(ImageFormats, LayoutOfRowsBlocksAndChains) {
    EXPECT_EQ(zqp::image::rowPitch(Format::R8G8B8, 5), 15u);
    EXPECT_EQ(zqp::image::rowPitch(Format::Dxt1, 5), 16u);
    EXPECT_EQ(zqp::image::rowPitch(Format::Dxt5, 1), 16u);
    EXPECT_EQ(zqp::image::rowCount(Format::Dxt3, 1), 1u);
    EXPECT_EQ(zqp::image::rowCount(Format::Dxt3, 9), 3u);
    EXPECT_EQ(zqp::image::levelSize(Format::Dxt1, 16384, 16384), 16384ull * 16384 / 2);
    EXPECT_EQ(zqp::image::levelSize(static_cast<Format>(99), 4, 4), 0u);
    EXPECT_EQ(zqp::image::fullChainLength(1, 1), 1u);
    EXPECT_EQ(zqp::image::fullChainLength(256, 4), 9u);
    EXPECT_EQ(zqp::image::fullChainLength(300, 200), 9u);
    EXPECT_EQ(zqp::image::fullChainLength(16384, 16384), zqp::image::MAX_LEVELS);
}

} // namespace
