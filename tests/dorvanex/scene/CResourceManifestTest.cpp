// The resource manifest: rows per archive, the kinds by extension, the telling rows and the
// archive paths.
#include "dorvanex/scene/CResourceManifest.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

TEST(CResourceManifest, RowsPerArchive) {
    const uint32_t expected[NR_ARCHIVES] = {
        11, 31, 31, 6,  2, 9,  4,  9,  14, 11, 5,  5,  8,  1,  1,  6,  3,  2,  2,  2,  4, 30,
        20, 24, 22, 20, 3, 6,  19, 25, 7,  3,  5,  51, 5,  30, 13, 20, 28, 28, 28, 64, 4, 21,
        65, 5,  21, 70, 4, 15, 58, 4,  58, 4,  64, 4,  56, 4,  58, 6,  58, 4,  3,  6,  2, 9,
        40, 15, 3,  7,  8, 7,  13, 5,  58, 5,  11, 16, 16, 11, 10, 23, 13, 7,  5,  7,  36};
    uint32_t row = 0;
    for (uint32_t a = 0; a < NR_ARCHIVES; ++a) {
        EXPECT_EQ(getArchiveFirstRow(a), row) << a;
        EXPECT_EQ(getArchiveRowCount(a), expected[a]) << a;
        for (uint32_t i = 0; i < expected[a]; ++i) {
            EXPECT_EQ(getResourceEntry(row + i).archive, a);
        }
        row += expected[a];
    }
    EXPECT_EQ(row, NR_RESOURCES);
    EXPECT_EQ(getResourceEntry(NR_RESOURCES).archive, 0xFFFFFFFFu);
}

TEST(CResourceManifest, KindsByExtension) {
    std::map<uint32_t, uint32_t> counts;
    for (uint32_t i = 0; i < NR_RESOURCES; ++i) {
        ++counts[getResourceKindOfName(getResourceEntry(i).name)];
    }
    EXPECT_EQ(counts[KIND_ANIMATION], 762u);
    // 317 ".png" and one ".dds".
    EXPECT_EQ(counts[KIND_TEXTURE], 318u);
    EXPECT_EQ(counts[KIND_SOUND_EFFECT], 181u);
    EXPECT_EQ(counts[KIND_CAMERA_ANIMATION], 114u);
    EXPECT_EQ(counts[KIND_MODEL], 83u);
    EXPECT_EQ(counts[KIND_EFFECT_SET], 42u);
    EXPECT_EQ(counts[KIND_LAYOUT], 24u);
    EXPECT_EQ(counts[KIND_FACE], 10u);
    EXPECT_EQ(counts[KIND_TEXTURE_ANIMATION], 1u);
    EXPECT_EQ(counts[KIND_FONTS], 1u);
    EXPECT_EQ(counts[KIND_SOUND_LIST], 1u);
    EXPECT_EQ(counts[KIND_NONE], 0u);
}

TEST(CResourceManifest, TellingRowsAndPaths) {
    const struct {
        uint32_t row;
        uint32_t archive;
        const char16_t* name;
    } rows[] = {{0, 0, u"speff_common_win.eff"},
                {11, 1, u"100M\\speff_100M_ready.eff"},
                {42, 2, u"SYSTEM\\SPUI100M_RES\\spui100m_res.dld"},
                {147, 14, u"MLSAC.TTF"},
                {164, 20, u"spuicom_pravel_logo.png"},
                {167, 21, u"SP_100M_scene_Stadium.model"},
                {1319, 74, u"SoundList.scd"},
                {1320, 74, u"SPPravelLogo.adpcm.sound"},
                {1536, 86, u"SPCommonaccessorygun.png"}};
    for (const auto& r : rows) {
        EXPECT_EQ(getResourceEntry(r.row).archive, r.archive) << r.row;
        EXPECT_EQ(std::u16string(getResourceEntry(r.row).name), r.name) << r.row;
    }
    EXPECT_EQ(getResourceEntry(getArchiveFirstRow(33)).name, std::u16string(u"SPAmeW100M.model"));
    char16_t path[260];
    ASSERT_TRUE(getArchivePath(0, path, 260));
    EXPECT_EQ(std::u16string(path), u"Arc/CommonPMEffect.arc");
    EXPECT_FALSE(getArchivePath(0, path, 22));
    EXPECT_TRUE(getArchivePath(0, path, 23));
    EXPECT_FALSE(getArchivePath(NR_ARCHIVES, path, 260));
    EXPECT_EQ(path[0], 0);
}
