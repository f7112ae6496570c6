// What an image texture makes of a file before the device sees it: the DDS mip-count rule,
// the size rule, and the levels the texture gets (from the file, filtered, or cut).
#include "zq/gl/ZqGlTextureImage_internal.h"

#include "tests/support/ImageFiles.h"
#include "tools/dds/DdsWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zqp::image::Format;

void putU32(std::vector<uint8_t>& file, const size_t at, const uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// A DDS of `levels` solid levels: level n has colour 0xFF000000 + n * 0x102030.
std::vector<uint8_t> levelsDds(const uint32_t width, const uint32_t height, const uint32_t levels,
                               const Format format = Format::X8R8G8B8) {
    std::vector<uint8_t> data;
    for (uint32_t mip = 0; mip < levels; ++mip) {
        const uint32_t w = std::max(1u, width >> mip);
        const uint32_t h = std::max(1u, height >> mip);
        std::vector<uint8_t> argb(static_cast<size_t>(w) * h * 4);
        for (size_t i = 0; i < argb.size(); i += 4) {
            zqtool::putArgb(&argb[i], 0xFF000000u + mip * 0x102030u);
        }
        std::vector<uint8_t> level(zqp::image::levelSize(format, w, h));
        zqp::image::fromArgb(format, argb.data(), w * 4, w, h, level.data(),
                             zqp::image::rowPitch(format, w));
        data.insert(data.end(), level.begin(), level.end());
    }
    zqtool::DdsDesc desc;
    desc.format = format;
    desc.width = width;
    desc.height = height;
    desc.levels = levels;
    return zqtool::writeDds(desc, data.data(), data.size());
}

uint32_t firstPixel(const zqp::image::Image& image, const uint32_t mip) {
    const zqp::image::Level& level = image.level(0, mip);
    std::vector<uint8_t> argb(static_cast<size_t>(level.width) * level.height * 4);
    zqp::image::toArgb(image.info.format, image.bits(0, mip), level.pitch, level.width,
                       level.height, argb.data(), level.width * 4);
    return argb[0] | (argb[1] << 8) | (argb[2] << 16) | (static_cast<uint32_t>(argb[3]) << 24);
}

TEST(ZqGlTextureImage, FileMipCountFollowsTheDdsHeaderRule) {
    const std::vector<uint8_t> dds = levelsDds(256, 256, 9);
    struct Case {
        const char* name;
        size_t at;
        uint32_t value;
        uint32_t count;
    };
    const Case cases[] = {
        {"nine", 28, 9, 9},
        {"twenty, capped", 28, 20, 17},
        {"seventeen", 28, 17, 17},
        {"zero", 28, 0, 0},
        {"without the flag", 8, 0x1007, 1},
        {"header size 123", 4, 123, 1},
        {"not DDS", 0, 0x474E5089u, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = dds;
        putU32(file, c.at, c.value);
        EXPECT_EQ(zq_texture::fileMipCount(file.data(), file.size()), c.count);
    }
    EXPECT_EQ(zq_texture::fileMipCount(dds.data(), 31), 1u);
    EXPECT_EQ(zq_texture::fileMipCount(nullptr, 1000), 1u);
    const std::vector<uint8_t> png =
        zqtest::encodeImage(zqtest::ImageFile::Png, 4, 4, zqtest::testPicture(4, 4));
    EXPECT_EQ(zq_texture::fileMipCount(png.data(), png.size()), 1u);
}

TEST(ZqGlTextureImage, SizesMustBePowersOfTwoUpTo2048) {
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {"300x256 png",
         zqtest::encodeImage(zqtest::ImageFile::Png, 300, 256, zqtest::testPicture(300, 256)),
         zq_texture::ERROR_SIZE},
        {"4096x4 dds", levelsDds(4096, 4, 1, Format::Dxt1), zq_texture::ERROR_SIZE},
        {"2048x1 dds", levelsDds(2048, 1, 1, Format::L8), 0},
        {"1x1 bmp", zqtest::encodeImage(zqtest::ImageFile::Bmp, 1, 1, {0xFF102030}), 0},
        {"not an image", std::vector<uint8_t>(64, 0x41), zq_texture::ERROR_CREATE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zqp::image::Image image;
        EXPECT_EQ(zq_texture::prepareImage(c.file.data(), c.file.size(), 0, image), c.code);
    }
    // A 4096x4096 DDS, whose data alone would pass the image service (zero blocks: the
    // colours do not matter).
    const std::vector<uint8_t> blocks(zqp::image::levelSize(Format::Dxt1, 4096, 4096), 0);
    zqtool::DdsDesc desc;
    desc.format = Format::Dxt1;
    desc.width = 4096;
    desc.height = 4096;
    const std::vector<uint8_t> big = zqtool::writeDds(desc, blocks.data(), blocks.size());
    zqp::image::Image image;
    EXPECT_EQ(zq_texture::prepareImage(big.data(), big.size(), 1, image), zq_texture::ERROR_SIZE);
}

TEST(ZqGlTextureImage, LevelsComeFromTheFileAndAreFilteredOrCutToTheCount) {
    struct Case {
        const char* name;
        uint32_t fileLevels; // of a 64x64 DDS (chain of 7)
        uint32_t headerCount;
        uint32_t mipCount;
        uint32_t levels;
        uint32_t fromFile; // levels that keep the file's colour; the rest show the last one
    };
    const Case cases[] = {
        {"count 0 takes the file's levels unfiltered", 3, 3, 0, 3, 3},
        {"count above the file's filters from its last", 3, 3, 5, 5, 3},
        {"count below the file's cuts the chain", 5, 5, 2, 2, 2},
        {"full chain asked", 3, 3, 0xFFFFFFFFu, 7, 3},
        {"count above the chain stops at the chain", 7, 7, 12, 7, 7},
        {"header of 20 capped to the chain", 7, 20, 0, 7, 7},
        {"header count 0 gives a filled full chain", 1, 0, 0, 7, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = levelsDds(64, 64, c.fileLevels);
        putU32(file, 28, c.headerCount);
        zqp::image::Image image;
        ASSERT_EQ(zq_texture::prepareImage(file.data(), file.size(), c.mipCount, image), 0u);
        ASSERT_EQ(image.info.levels, c.levels);
        for (uint32_t mip = 0; mip < c.levels; ++mip) {
            const uint32_t colourOf = std::min(mip, c.fromFile - 1);
            EXPECT_EQ(firstPixel(image, mip), 0xFF000000u + colourOf * 0x102030u) << mip;
            EXPECT_EQ(image.level(0, mip).width, 64u >> mip);
        }
    }

    // Any other image counts as one level; a count asks for filtered levels below it.
    const std::vector<uint32_t> picture = zqtest::testPicture(8, 8);
    const std::vector<uint8_t> png = zqtest::encodeImage(zqtest::ImageFile::Png, 8, 8, picture);
    zqp::image::Image one;
    ASSERT_EQ(zq_texture::prepareImage(png.data(), png.size(), 0, one), 0u);
    EXPECT_EQ(one.info.levels, 1u);
    zqp::image::Image three;
    ASSERT_EQ(zq_texture::prepareImage(png.data(), png.size(), 3, three), 0u);
    EXPECT_EQ(three.info.levels, 3u);
    EXPECT_EQ(three.level(0, 2).width, 2u);
}

} // namespace
