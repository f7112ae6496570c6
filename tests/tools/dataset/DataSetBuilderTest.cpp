// The generated data set: every archive the manifest names is written, opens with its digests
// checked and holds each row's member at the row's position; members are of their kind (images
// decode at the sizes the game relies on, layouts pass the layout checks with the layers and
// cells it addresses, the sound list names every sound effect); the output is the same bytes
// on every run.
#include "tools/dataset/DataSetBuilder.h"
#include "dorvanex/core/input/CInputRecorder.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tests/support/FileTestSupport.h"
#include "zq/file/ZqArcFile.h"
#include "zq/gl/ZqGlCameraAnimation.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/image/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::map<std::string, std::vector<uint8_t>> readTree(const fs::path& root) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files[fs::relative(e.path(), root).string()] = readAll(e.path());
        }
    }
    return files;
}

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out += static_cast<char>(*s);
    }
    return out;
}

// One data set for the whole suite: writing it is the expensive part.
class DataSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_scratch = new ScratchFolder();
        s_inputs.font = {'f', 'o', 'n', 't'};
        std::string error;
        ASSERT_TRUE(zqds::writeDataSet((s_scratch->root() / "a").string(), s_inputs, error))
            << error;
    }
    static void TearDownTestSuite() {
        delete s_scratch;
        s_scratch = nullptr;
        s_members.clear();
    }
    static fs::path dataDir() { return s_scratch->root() / "a"; }
    static const std::vector<uint8_t>& member(const uint32_t row) {
        const uint32_t archive = getResourceEntry(row).archive;
        std::vector<ZqArcEntry>& entries = s_members[archive];
        if (entries.empty()) {
            std::string error;
            EXPECT_TRUE(zqds::buildArchiveEntries(archive, s_inputs, entries, error)) << error;
        }
        return entries.at(row - getArchiveFirstRow(archive)).data;
    }

    static inline ScratchFolder* s_scratch = nullptr;
    static inline zqds::Inputs s_inputs;
    static inline std::map<uint32_t, std::vector<ZqArcEntry>> s_members;
};

TEST_F(DataSet, EveryArchiveOpensAndHoldsEachRowAtItsPosition) {
    for (uint32_t a = 0; a < NR_ARCHIVES; ++a) {
        SCOPED_TRACE(narrow(getArchiveName(a)));
        const std::vector<uint8_t> image = readAll(dataDir() / "Arc" / narrow(getArchiveName(a)));
        ASSERT_FALSE(image.empty());
        ZqArcFile arc;
        ASSERT_TRUE(arc.ropen(image.data(), static_cast<uint32_t>(image.size())));
        const uint32_t first = getArchiveFirstRow(a);
        ASSERT_EQ(arc.getNrFiles(), getArchiveRowCount(a));
        for (uint32_t row = first; row < first + getArchiveRowCount(a); ++row) {
            const char16_t* const name = getResourceEntry(row).name;
            uint32_t index = 0xFFFFFFFFu;
            ASSERT_NE(arc.searchFileNr(name, &index), 0u) << narrow(name);
            EXPECT_EQ(index, row - first) << narrow(name);
            // The load checks the member's digest.
            uint32_t size = 0;
            void* const data = arc.load(name, 0, &size);
            ASSERT_NE(data, nullptr) << narrow(name);
            EXPECT_GT(size, 0u);
            ZqMemAlloc::deallocate(data);
        }
        arc.close();
    }
}

TEST_F(DataSet, LooseFilesAreWritten) {
    zqp::image::Image credit;
    const std::vector<uint8_t> png = readAll(dataDir() / "TestMenu" / "spuicom_credit.png");
    ASSERT_TRUE(zqp::image::decode(png.data(), png.size(), credit));
    EXPECT_EQ(credit.info.width, 256u);
    EXPECT_EQ(credit.info.height, 256u);
    for (const char* track : {"SP100MBGM.adpcm.sound", "SPCommonWinJingle.adpcm.sound"}) {
        EXPECT_FALSE(readAll(dataDir() / "sound" / "bgm" / track).empty()) << track;
    }
    // The attract demo's recordings read back through the game's recorder.
    for (int event = 0; event < 10; ++event) {
        const std::string name = "ButtonSave_Game" + std::to_string(event) + ".btn";
        const std::vector<uint8_t> btn = readAll(dataDir() / "Btn" / name);
        btnfmt::Recording recording;
        ASSERT_TRUE(CInputRecorder::parse(btn.data(), btn.size(), recording)) << name;
        EXPECT_EQ(recording.buttons, (std::vector<uint32_t>{0, 1, 2})) << name;
        EXPECT_FALSE(recording.groups.empty()) << name;
        EXPECT_EQ(recording.frameTimes.size(), 1875u) << name;
    }
}

TEST_F(DataSet, WritingTwiceGivesTheSameBytes) {
    std::string error;
    ASSERT_TRUE(zqds::writeDataSet((s_scratch->root() / "b").string(), s_inputs, error)) << error;
    const auto first = readTree(dataDir());
    const auto second = readTree(s_scratch->root() / "b");
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [path, bytes] : first) {
        EXPECT_TRUE(second.count(path) != 0 && second.at(path) == bytes) << path;
    }
    // Rewriting over an unchanged set leaves the files alone.
    const auto before = fs::last_write_time(dataDir() / "Arc" / "Font.arc");
    ASSERT_TRUE(zqds::writeDataSet(dataDir().string(), s_inputs, error)) << error;
    EXPECT_EQ(fs::last_write_time(dataDir() / "Arc" / "Font.arc"), before);
}

TEST_F(DataSet, TexturesDecodeAtTheSizesTheGameNeeds) {
    struct Case {
        uint32_t row, minWidth, minHeight;
    };
    for (const Case& c :
         {Case{163, 298, 64}, Case{165, 256, 256}, Case{46, 1, 1}, Case{382, 1, 1}}) {
        SCOPED_TRACE(c.row);
        ASSERT_EQ(getResourceKindOfName(getResourceEntry(c.row).name), KIND_TEXTURE);
        const std::vector<uint8_t>& bytes = member(c.row);
        zqp::image::Image image;
        ASSERT_TRUE(zqp::image::decode(bytes.data(), bytes.size(), image));
        EXPECT_GE(image.info.width, c.minWidth);
        EXPECT_GE(image.info.height, c.minHeight);
    }
}

TEST_F(DataSet, LayoutsPassTheChecksWithTheLayersAndCellsAddressed) {
    struct Case {
        uint32_t row, layers, cells;
    };
    for (const Case& c : {Case{45, 15, 1}, Case{48, 4, 5}, Case{50, 89, 226}, Case{62, 12, 1}}) {
        SCOPED_TRACE(c.row);
        const std::vector<uint8_t>& bytes = member(c.row);
        CDldFile* layout = CDldFile::create(bytes.data(), bytes.size());
        ASSERT_NE(layout, nullptr);
        const CDldTables& t = layout->getTables();
        EXPECT_GE(t.getLayerCount(), c.layers);
        EXPECT_GE(t.getCellCount(), c.cells);
        for (uint32_t l = 0; l < t.getLayerCount(); ++l) {
            const CDldLayerRecord layer = t.getLayer(l);
            EXPECT_GT(layer.rate, 0u);
            EXPECT_GE(layer.frameCount, 1u);
        }
        dldRelease(layout);
    }
    // Every layout in the set passes the checks.
    for (uint32_t row = 0; row < NR_RESOURCES; ++row) {
        if (getResourceKindOfName(getResourceEntry(row).name) == KIND_LAYOUT) {
            const std::vector<uint8_t>& bytes = member(row);
            CDldFile* layout = CDldFile::create(bytes.data(), bytes.size());
            EXPECT_GT(layout->getTables().getLayerCount(), 0u) << row;
            dldRelease(layout);
        }
    }
}

TEST_F(DataSet, SoundListNamesEverySoundEffect) {
    const uint32_t listRow = getArchiveFirstRow(74);
    ASSERT_EQ(getResourceKindOfName(getResourceEntry(listRow).name), KIND_SOUND_LIST);
    const std::vector<uint8_t>& bytes = member(listRow);
    CResourceManager::SoundList list;
    CResourceManager::parseSoundList(bytes.data(), bytes.size(), list);
    for (uint32_t row = 0; row < NR_RESOURCES; ++row) {
        const char16_t* const name = getResourceEntry(row).name;
        if (getResourceKindOfName(name) == KIND_SOUND_EFFECT) {
            ASSERT_EQ(list.count(name), 1u) << narrow(name);
            EXPECT_EQ(list.at(name).words[3], 100u);
        }
    }
}

TEST_F(DataSet, KindsWithoutAWriterGetAMarkedPlaceholder) {
    for (uint32_t row = 0; row < NR_RESOURCES; ++row) {
        const uint32_t kind = getResourceKindOfName(getResourceEntry(row).name);
        const std::vector<uint8_t>& bytes = member(row);
        const bool marked = bytes.size() >= std::strlen(zqds::PLACEHOLDER_MAGIC) &&
                            std::memcmp(bytes.data(), zqds::PLACEHOLDER_MAGIC,
                                        std::strlen(zqds::PLACEHOLDER_MAGIC)) == 0;
        EXPECT_EQ(marked, kind == KIND_FACE) << row;
    }
}

TEST_F(DataSet, CameraAnimationsLoadAsCameraPaths) {
    ZqGlKeyFrame::sysInit();
    ZqGlCameraAnimation::sysInit();
    uint32_t count = 0;
    for (uint32_t row = 0; row < NR_RESOURCES; ++row) {
        const char16_t* const name = getResourceEntry(row).name;
        if (getResourceKindOfName(name) != KIND_CAMERA_ANIMATION) {
            continue;
        }
        const std::vector<uint8_t>& bytes = member(row);
        ZqGlCameraAnimation* const a = ZqGlCameraAnimation::create(
            name, bytes.data(), static_cast<uint32_t>(bytes.size()), 60.0f);
        EXPECT_NE(a, nullptr) << row;
        if (a != nullptr) {
            a->release();
        }
        ++count;
    }
    EXPECT_GT(count, 0u);
    ZqGlCameraAnimation::sysQuit();
    ZqGlKeyFrame::sysQuit();
}

} // namespace
