// The resource manager with a device: a layout's texture rows are the rows that follow it in
// its archive, looked up there by name, loaded into the same bank and handed to the layout's
// slots in order at completion; a texture of bank 0 is not found through bank 1. A model's
// texture slots name the rows at its texture files' numbers, and stay empty for a name its
// archive does not hold.
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/GameRun.h"
#include "tests/support/ImageFiles.h"
#include "tools/arc/ZqArcWriter.h"
#include "tools/dataset/DataSetBuilder.h"
#include "tools/dld/DldWriter.h"
#include "tools/model/ZqModelWriter.h"
#include "zq/gl/ZqGlTexture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

TEST(CResourceManagerGl, LayoutAndModelTexturesAreWiredToTheirRows) {
    ScratchFolder scratch;
    // Archive 2: row 45 is a layout naming two textures, rows 46 and 47 PNG files of distinct
    // sizes; every other row some bytes.
    std::vector<ZqArcEntry> entries;
    const uint32_t first = getArchiveFirstRow(2);
    for (uint32_t row = first; row < first + getArchiveRowCount(2); ++row) {
        ZqArcEntry e;
        e.name = getResourceEntry(row).name;
        if (row == 45) {
            dldw::Layout l;
            l.textures = 2;
            l.layers.push_back({});
            dldw::build(l, e.data);
        } else if (row == 46 || row == 47) {
            const uint32_t side = row == 46 ? 4 : 8;
            e.data = zqtest::encodeImage(zqtest::ImageFile::Png, side, side,
                                         std::vector<uint32_t>(side * side, 0xFF808080u));
        } else {
            e.data = {1, 2, 3, 4};
        }
        entries.push_back(e);
    }
    std::filesystem::create_directories("Arc");
    ASSERT_TRUE(ZqArcWriter::write("Arc/CommonAEP.arc", entries, 1));
    // Archive 33 as the data set makes it, but its model (row 351, file 0) names the face
    // texture (file 31, row 382) and a texture the archive does not hold.
    std::vector<ZqArcEntry> characters;
    std::string error;
    ASSERT_TRUE(zqds::buildArchiveEntries(33, zqds::Inputs{}, characters, error)) << error;
    ASSERT_EQ(getResourceEntry(382).name, std::u16string(u"SPAmeW_face.png"));
    zq_model_writer::Model model;
    ASSERT_TRUE(zq_model_writer::fromObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "SPAmeW_face.png",
                                         model, error))
        << error;
    model.textures.push_back(model.textures.front());
    model.textures.back().fileName = "SPAmeW_missing.png";
    characters[0].data = zq_model_writer::write(model);
    ASSERT_TRUE(ZqArcWriter::write("Arc/USAW.arc", characters, 1));

    EXPECT_TRUE(zqtest::GameRun::inFrame([&] {
        CResourceManager manager;
        const auto load = [&manager](const CResourceManager::Pair* pairs, const uint32_t bank) {
            manager.requestList(pairs, bank);
            // Bounded by time, generously: the file worker's real work takes long on a busy
            // machine.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (std::chrono::steady_clock::now() < until) {
                if (manager.loadStep(bank)) {
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
            return false;
        };
        const CResourceManager::Pair layouts[] = {{45, 10}, {0, 0}};
        ASSERT_TRUE(load(layouts, CResourceManager::BANK_RESIDENT));
        EXPECT_TRUE(manager.getFailed(0).empty());
        CDldFile* const layout = manager.getLayout(45, 0);
        ASSERT_NE(layout, nullptr);
        ASSERT_EQ(layout->getNrTextures(), 2u);
        ASSERT_NE(manager.getTexture(46, 0), nullptr);
        EXPECT_EQ(layout->getTexture(0), manager.getTexture(46, 0));
        EXPECT_EQ(layout->getTexture(1), manager.getTexture(47, 0));
        EXPECT_EQ(layout->getTexture(0)->getWidth(), 4);
        EXPECT_EQ(layout->getTexture(1)->getWidth(), 8);
        EXPECT_EQ(manager.getTexture(46, 1), nullptr);
        EXPECT_EQ(manager.getLayout(45, 1), nullptr);

        const CResourceManager::Pair models[] = {{351, 1}, {352, 3}, {0, 0}};
        ASSERT_TRUE(load(models, CResourceManager::BANK_CHAPTER));
        EXPECT_TRUE(manager.getFailed(1).empty());
        const CResourceManager::ModelEntry& entry = manager.getModel(351, 1);
        ASSERT_NE(entry.model, nullptr);
        EXPECT_EQ(entry.textureRows, (std::vector<int32_t>{382, -1}));
        ASSERT_EQ(entry.textures.size(), 2u);
        EXPECT_NE(entry.textures[0], nullptr);
        EXPECT_EQ(entry.textures[0], manager.getTexture(382, 1));
        EXPECT_EQ(entry.textures[1], nullptr);
        EXPECT_NE(manager.getAnimation(352, 1), nullptr);
        EXPECT_EQ(manager.getModel(351, 0).model, nullptr) << "banks are kept apart";
        EXPECT_EQ(manager.getAnimation(352, 0), nullptr);
        EXPECT_NE(manager.getLayout(45, 0), nullptr);
        manager.releaseBank(1);
        EXPECT_EQ(manager.getModel(351, 1).model, nullptr);
        EXPECT_NE(manager.getLayout(45, 0), nullptr) << "bank 0 stays";
    }));
}
