// The resource manager with a device: a layout's texture rows are the rows that follow it in
// its archive, looked up there by name, loaded into the same bank and handed to the layout's
// slots in order at completion; a texture of bank 0 is not found through bank 1.
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tests/support/ImageFiles.h"
#include "tests/zq/file/FileTestSupport.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/arc/ZqArcWriter.h"
#include "tools/dld/DldWriter.h"
#include "zq/gl/ZqGlTexture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

TEST(CResourceManagerGl, LayoutTexturesFollowItsRowInOrder) {
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

    EXPECT_TRUE(zqtest::runOnceInFrame([&] {
        CResourceManager manager;
        const CResourceManager::Pair pairs[] = {{45, 10}, {0, 0}};
        manager.requestList(pairs, CResourceManager::BANK_RESIDENT);
        bool complete = false;
        for (int i = 0; i < 2000 && !complete; ++i) {
            complete = manager.loadStep(CResourceManager::BANK_RESIDENT);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        ASSERT_TRUE(complete);
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
    }));
}
