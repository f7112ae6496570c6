// The recording writer: the script's statements land in the layout's fields (read back here
// by offset, not by the game's reader), events of one time form one group in time order, and
// what the format cannot hold is refused with a reason.
#include "dorvanex/core/input/BtnWriter.h"
#include "zq/file/ZqByteReader.h"
#include "zq/math/ZqMt19937Ar.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

TEST(BtnWriter, ScriptLandsInTheLayout) {
    btnfmt::Recording r;
    std::string error;
    ASSERT_TRUE(btnw::parse(R"(# a comment
seed 99
frames 2*16 20   # three frames
buttons 1 2
off 40.5 2
on 10 1 2
on 40.5 1
)",
                            r, &error))
        << error;
    std::vector<uint8_t> image;
    ASSERT_TRUE(btnw::build(r, image, &error)) << error;
    const ZqByteReader in(image.data(), image.size());
    const uint64_t head = btnfmt::HEADER_SIZE;
    ASSERT_EQ(image.size(), head + 3 * 4 + 2 * 4 + (8 + 16) + (8 + 16));
    uint32_t v = 0;
    const uint32_t fields[][2] = {{0, 0}, {4, 2}, {8, 2}, {12, 3}};
    for (const auto& f : fields) {
        EXPECT_TRUE(in.u32(f[0], v) && v == f[1]) << "offset " << f[0];
    }
    ZqMt19937Ar reference(99);
    uint32_t words[ZqMt19937Ar::N];
    uint32_t index = 0;
    reference.getState(words, &index);
    EXPECT_TRUE(in.u32(16, v) && v == index);
    EXPECT_TRUE(in.u32(20, v) && v == words[0]);
    EXPECT_TRUE(in.u32(20 + 623 * 4, v) && v == words[623]);
    const uint32_t tail[] = {16, 16, 20, 1, 2};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(in.u32(head + 4 * i, v) && v == tail[i]) << i;
    }
    // Group 10 ms: on 1, on 2; group 40.5 ms: off 2, on 1.
    const uint64_t g = head + 20;
    float t = 0.0f;
    EXPECT_TRUE(in.f32(g, t) && t == 10.0f);
    // Count 2, then (on, 1) and (on, 2).
    const uint32_t first[] = {2, btnfmt::KIND_ON, 1, btnfmt::KIND_ON, 2};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(in.u32(g + 4 + 4 * i, v) && v == first[i]) << i;
    }
    EXPECT_TRUE(in.f32(g + 24, t) && t == 40.5f);
    EXPECT_TRUE(in.u32(g + 28, v) && v == 2);
    EXPECT_TRUE(in.u32(g + 32, v) && v == btnfmt::KIND_OFF);
}

TEST(BtnWriter, RefusesWhatTheFormatCannotHold) {
    std::string error;
    btnfmt::Recording r;
    EXPECT_FALSE(btnw::parse("press 10 1\n", r, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_FALSE(btnw::parse("buttons 1 x\n", r, &error));
    EXPECT_FALSE(btnw::parse("frames 16 -\n", r, &error));
    std::vector<uint8_t> image;
    const auto refuses = [&image](const btnfmt::Recording& bad) {
        return !btnw::build(bad, image);
    };
    btnfmt::Recording bad;
    bad.generatorIndex = 625;
    EXPECT_TRUE(refuses(bad));
    bad = {};
    bad.buttons = {32};
    EXPECT_TRUE(refuses(bad));
    bad = {};
    bad.groups = {{std::numeric_limits<float>::quiet_NaN(), {}}};
    EXPECT_TRUE(refuses(bad));
    bad = {};
    bad.groups = {{1.0f, {{2, 0}}}};
    EXPECT_TRUE(refuses(bad));
    bad = {};
    bad.groups = {{1.0f, {{0, 32}}}};
    EXPECT_TRUE(refuses(bad));
}

} // namespace
