// The resource manager over the generated data set: the start-up list of the resident bank
// (the common layouts, textures, font and sounds) loads completely with the game's own
// loaders, nothing dropped.
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "dorvanex/screens/StartupResources.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/GameRun.h"
#include "tools/dataset/DataSetBuilder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

TEST(CResourceManagerDataSet, ResidentBankOfTheCommonArchivesLoadsCompletely) {
    ScratchFolder scratch;
    zqds::Inputs inputs;
    std::ifstream font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                       std::ios::binary | std::ios::ate);
    ASSERT_TRUE(font) << "fonts-dejavu-core is needed";
    inputs.font.resize(static_cast<size_t>(font.tellg()));
    font.seekg(0);
    font.read(reinterpret_cast<char*>(inputs.font.data()),
              static_cast<std::streamsize>(inputs.font.size()));

    // The archives the list reaches: the common layouts (2), the font (14), the common
    // textures (20) and the common sounds with the sound list (74).
    uint32_t requests = 0;
    for (const CResourceManager::Pair* p = getStartupResourceList(); p->kind != 0; ++p) {
        const uint32_t archive = getResourceEntry(static_cast<uint32_t>(p->index)).archive;
        EXPECT_TRUE(archive == 2 || archive == 14 || archive == 20 || archive == 74) << p->index;
        ++requests;
    }
    EXPECT_GT(requests, 60u);
    for (const uint32_t archive : {2u, 14u, 20u, 74u}) {
        std::string error;
        ASSERT_TRUE(zqds::writeArchive(scratch.root().string(), archive, inputs, error)) << error;
    }

    EXPECT_TRUE(zqtest::GameRun::inFrame([&] {
        CResourceManager manager;
        manager.requestList(getStartupResourceList(), CResourceManager::BANK_RESIDENT);
        bool complete = false;
        // Bounded by time, generously: loading the whole list is real work that takes long
        // on a busy machine.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!complete && std::chrono::steady_clock::now() < until) {
            complete = manager.loadStep(CResourceManager::BANK_RESIDENT);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        ASSERT_TRUE(complete);
        EXPECT_TRUE(manager.getFailed(0).empty())
            << "first failed row " << manager.getFailed(0).front();
        for (const uint32_t row : {45u, 48u, 50u, 62u}) {
            CDldFile* const layout = manager.getLayout(static_cast<int32_t>(row), 0);
            ASSERT_NE(layout, nullptr) << row;
            EXPECT_GT(layout->getTables().getLayerCount(), 0u) << row;
        }
        EXPECT_GT(manager.getLayout(45, 0)->getNrTextures(), 0u);
        EXPECT_NE(manager.getTexture(163, 0), nullptr);
        EXPECT_NE(manager.getTexture(165, 0), nullptr);
        EXPECT_NE(manager.getFont(0), nullptr);
        EXPECT_EQ(manager.getSoundList().count(u"SPPravelLogo.adpcm.sound"), 1u);
    }));
}
