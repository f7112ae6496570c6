#include "zq/input/ZqInput.h"
#include "zq/input/ZqKey.h"
#include "zq/system/ZqSystem.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include "tests/support/FrameScript.h"
#include "tests/support/InputTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using zqtest::FrameScript;
using VI = ZquVirtualInput;

constexpr uint32_t BUTTON = ZqInput::OBJECT_TYPE_BUTTON;
constexpr uint32_t AXIS = ZqInput::OBJECT_TYPE_AXIS;
constexpr uint32_t POV = ZqInput::OBJECT_TYPE_POV;

class LayoutFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("zq_layout_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::u16string path(const char* name) const { return (m_dir / name).u16string(); }

    // Writes text as a layout file: FF FE and UTF-16 little-endian.
    std::u16string write(const char* name, const std::u16string& text) const {
        std::ofstream out(m_dir / name, std::ios::binary);
        out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
        for (const char16_t c : text) {
            out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
        }
        return path(name);
    }

    std::u16string read(const std::u16string& file) const {
        std::ifstream in(std::filesystem::path(file), std::ios::binary);
        const std::vector<unsigned char> b{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
        std::u16string text;
        for (size_t i = 0; i + 1 < b.size(); i += 2) {
            text += static_cast<char16_t>(b[i] | (b[i + 1] << 8));
        }
        return text;
    }

    std::filesystem::path m_dir;
};

void releaseAll() {
    while (VI::getUsed() != nullptr) {
        VI::getUsed()->release();
    }
}

std::vector<VI::AssignmentData> assignmentsOf(const VI* const v) {
    std::vector<VI::AssignmentData> out;
    for (uint32_t i = 0; i < v->getMaxAssignments(); ++i) {
        VI::AssignmentData d{};
        if (v->getAssignment(i, &d)) {
            out.push_back(d);
        }
    }
    return out;
}

bool same(const VI::AssignmentData& a, const VI::AssignmentData& b) {
    return a.deviceNr == b.deviceNr && a.vidPid == b.vidPid && a.objectType == b.objectType &&
           a.objectNr == b.objectNr && a.virtualObjectType == b.virtualObjectType &&
           a.virtualObjectNr == b.virtualObjectNr && a.option == b.option;
}

void inFrame(const char* tag, const std::function<void()>& body) {
    FrameScript s;
    s.then("body", [&] {
        body();
        return true;
    });
    ASSERT_EQ(s.run(tag), "");
}

TEST_F(LayoutFiles, SavedTextIsTheLayoutFormat) {
    inFrame("save", [this] {
        VI* const a = VI::create(3, 2, 1, 0);
        VI* const b = VI::create(1, 0, 0, 1);
        a->assignButtonByDeviceNr(0, ZqKey::SPACE, 1);
        const uint32_t gone = a->assignAxisByDeviceNr(3, 2, 0);
        a->assignByVidPid(0x00030000, POV, 0, BUTTON, 0, 3);
        a->removeAssignment(gone);
        b->assignPov(0x12AB34CD, 1, 0);
        const std::u16string file = path("saved.xml");
        ASSERT_TRUE(VI::saveConfiguration(file.c_str()));
        std::ifstream in(std::filesystem::path(file), std::ios::binary);
        EXPECT_EQ(in.get(), 0xFF);
        EXPECT_EQ(in.get(), 0xFE);
        // The declaration is the document's own; the elements follow it.
        const std::u16string text = read(file);
        EXPECT_EQ(text.rfind(u"\uFEFF<?xml version=\"1.0\"", 0), 0u);
        const size_t root = text.find(u"<deviceConfig>");
        ASSERT_NE(root, std::u16string::npos);
        const size_t end = text.find(u"</deviceConfig>") + 15;
        EXPECT_EQ(text.substr(root, end - root),
                  u"<deviceConfig>\n"
                  u"<virtualDevice nrAssignments=\"3\" nrButtons=\"2\" nrAxes=\"1\" "
                  u"nrPovs=\"0\">\n"
                  u"<assign deviceNrOrVidPid=\"0\" objectType=\"BUTTON\" objectNr=\"57\" "
                  u"virtualObjectType=\"BUTTON\" virtualObjectNr=\"1\" option=\"0\"/>\n"
                  u"<assign deviceNrOrVidPid=\"0x00030000\" objectType=\"POV\" "
                  u"objectNr=\"0\" virtualObjectType=\"BUTTON\" virtualObjectNr=\"0\" "
                  u"option=\"3\"/>\n"
                  u"</virtualDevice>\n"
                  u"<virtualDevice nrAssignments=\"1\" nrButtons=\"0\" nrAxes=\"0\" "
                  u"nrPovs=\"1\">\n"
                  u"<assign deviceNrOrVidPid=\"0x12ab34cd\" objectType=\"POV\" "
                  u"objectNr=\"1\" virtualObjectType=\"POV\" virtualObjectNr=\"0\" "
                  u"option=\"0\"/>\n"
                  u"</virtualDevice>\n"
                  u"</deviceConfig>");
    });
}

// The largest layout create and save accept loads again.
TEST_F(LayoutFiles, FullLayoutOf188AssignmentsRoundTrips) {
    inFrame("full", [this] {
        VI* const v = VI::create(VI::MAX_ASSIGNMENTS, VI::MAX_BUTTONS, VI::MAX_AXES, VI::MAX_POVS);
        VI* const w = VI::create(5, 3, 0, 0);
        ASSERT_NE(v, nullptr);
        for (uint32_t i = 0; i < VI::MAX_ASSIGNMENTS; ++i) {
            const uint32_t type = i % 3;
            const uint32_t virtualType = (i / 3) % 3;
            const uint32_t count = virtualType == BUTTON ? VI::MAX_BUTTONS
                                   : virtualType == AXIS ? VI::MAX_AXES
                                                         : VI::MAX_POVS;
            const int32_t option = type == virtualType ? -7 : static_cast<int32_t>(i % 2);
            const uint32_t index =
                i % 2 == 0 ? v->assignByDeviceNr(i % 8, type, i, virtualType, i % count, option)
                           : v->assignByVidPid(0x10000u * (i % 5 + 1) + i, type, i, virtualType,
                                               i % count, option);
            ASSERT_EQ(index, i);
        }
        w->assignButton(ZqInput::VIDPID_KEYBOARD, ZqKey::A, 2);
        const std::vector<VI::AssignmentData> before = assignmentsOf(v);
        const std::vector<VI::AssignmentData> beforeW = assignmentsOf(w);
        const std::u16string file = path("full.xml");
        ASSERT_TRUE(VI::saveConfiguration(file.c_str()));
        releaseAll();

        VI* loaded[3] = {};
        ASSERT_TRUE(VI::loadConfiguration(file.c_str(), 1 << 20, loaded, 3));
        ASSERT_NE(loaded[0], nullptr);
        ASSERT_NE(loaded[1], nullptr);
        EXPECT_EQ(loaded[2], nullptr);
        EXPECT_EQ(loaded[0]->getMaxAssignments(), VI::MAX_ASSIGNMENTS);
        EXPECT_EQ(loaded[0]->getNrButtons(), VI::MAX_BUTTONS);
        EXPECT_EQ(loaded[0]->getNrPovs(), VI::MAX_POVS);
        const std::vector<VI::AssignmentData> after = assignmentsOf(loaded[0]);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_TRUE(same(after[i], before[i])) << "assignment " << i;
        }
        const std::vector<VI::AssignmentData> afterW = assignmentsOf(loaded[1]);
        ASSERT_EQ(afterW.size(), 1u);
        EXPECT_TRUE(same(afterW[0], beforeW[0]));
    });
}

// Layouts with a bad or missing value are refused; what was made before the fault stays.
TEST_F(LayoutFiles, BadLayoutsAreRefused) {
    const std::u16string head = u"<?xml version=\"1.0\"?>";
    const std::u16string dev =
        u"<virtualDevice nrAssignments=\"2\" nrButtons=\"2\" nrAxes=\"1\" nrPovs=\"1\">";
    auto assign = [](const std::u16string& device, const std::u16string& rest) {
        return u"<assign deviceNrOrVidPid=\"" + device + u"\" " + rest + u"/>";
    };
    const std::u16string ok = u"objectType=\"BUTTON\" objectNr=\"1\" virtualObjectType=\"BUTTON\" "
                              u"virtualObjectNr=\"0\" option=\"0\"";
    auto layout = [&](const std::u16string& body) {
        return head + u"<deviceConfig>" + body + u"</deviceConfig>";
    };
    auto one = [&](const std::u16string& assigns) {
        return layout(dev + assigns + u"</virtualDevice>");
    };

    struct Case {
        const char* what;
        std::u16string text;
        bool loads;
        uint32_t made; // virtual inputs in existence afterwards
    };
    const std::vector<Case> cases = {
        {"good, with comments and blanks",
         layout(u"<!-- p1 -->\n  " + dev + u"\n <!-- key -->" + assign(u" 0 ", ok) +
                assign(u"0x00010000", ok) + u"</virtualDevice>\n"),
         true, 1},
        {"two devices", layout(dev + u"</virtualDevice>" + dev + u"</virtualDevice>"), true, 2},
        {"more devices than asked for",
         layout(dev + u"</virtualDevice>" + dev + u"</virtualDevice>" + dev + u"</virtualDevice>"),
         false, 0},
        {"wrong root", head + u"<deviceConfiguration/>", false, 0},
        {"wrong device element",
         layout(u"<virtualInput nrAssignments=\"1\" nrButtons=\"1\" "
                u"nrAxes=\"0\" nrPovs=\"0\"/>"),
         false, 0},
        {"text among devices", layout(u"x" + dev + u"</virtualDevice>"), false, 0},
        {"missing nrPovs",
         layout(u"<virtualDevice nrAssignments=\"1\" nrButtons=\"1\" nrAxes=\"0\"/>"), false, 0},
        {"nrButtons 16",
         layout(u"<virtualDevice nrAssignments=\"1\" nrButtons=\"16\" nrAxes=\"0\" nrPovs=\"0\"/>"),
         false, 0},
        {"nrAxes 8",
         layout(u"<virtualDevice nrAssignments=\"1\" nrButtons=\"1\" nrAxes=\"8\" nrPovs=\"0\"/>"),
         false, 0},
        {"nrPovs 4",
         layout(u"<virtualDevice nrAssignments=\"1\" nrButtons=\"1\" nrAxes=\"0\" nrPovs=\"4\"/>"),
         false, 0},
        {"nrAssignments 189",
         layout(u"<virtualDevice nrAssignments=\"189\" nrButtons=\"1\" nrAxes=\"0\" "
                u"nrPovs=\"0\"/>"),
         false, 0},
        {"nrAssignments 0",
         layout(u"<virtualDevice nrAssignments=\"0\" nrButtons=\"1\" nrAxes=\"0\" nrPovs=\"0\"/>"),
         false, 0},
        {"second device bad, first stays",
         layout(dev + u"</virtualDevice><virtualDevice nrAssignments=\"-1\" nrButtons=\"1\" "
                      u"nrAxes=\"0\" nrPovs=\"0\"/>"),
         false, 1},
        {"more assigns than nrAssignments",
         one(assign(u"0", ok) + assign(u"0", ok) + assign(u"0", ok)), false, 1},
        {"wrong assign element", one(u"<assignment/>"), false, 1},
        {"missing option",
         one(assign(u"0", u"objectType=\"BUTTON\" objectNr=\"1\" virtualObjectType=\"BUTTON\" "
                          u"virtualObjectNr=\"0\"")),
         false, 1},
        {"missing device", one(u"<assign " + ok + u"/>"), false, 1},
        {"type in lower case",
         one(assign(u"0", u"objectType=\"button\" objectNr=\"1\" virtualObjectType=\"BUTTON\" "
                          u"virtualObjectNr=\"0\" option=\"0\"")),
         false, 1},
        {"unknown type",
         one(assign(u"0", u"objectType=\"BUTTON\" objectNr=\"1\" virtualObjectType=\"KEY\" "
                          u"virtualObjectNr=\"0\" option=\"0\"")),
         false, 1},
        {"device text of 12 characters", one(assign(u"0x0000000001", ok)), false, 1},
        {"VID/PID beyond 32 bits", one(assign(u"0x100000000", ok)), false, 1},
        {"slot beyond 32 bits", one(assign(u"99999999999", ok)), false, 1},
        {"slot with trailing letters", one(assign(u"1a", ok)), false, 1},
        {"hex without digits", one(assign(u"0x", ok)), false, 1},
        {"empty device", one(assign(u"", ok)), false, 1},
        {"negative slot", one(assign(u"-1", ok)), false, 1},
        {"slot 8", one(assign(u"8", ok)), false, 1},
        {"VID/PID 0", one(assign(u"0x0", ok)), false, 1},
        {"virtual button 2 of 2",
         one(assign(u"0", u"objectType=\"BUTTON\" objectNr=\"1\" virtualObjectType=\"BUTTON\" "
                          u"virtualObjectNr=\"2\" option=\"0\"")),
         false, 1},
        {"button to POV option 4",
         one(assign(u"0", u"objectType=\"BUTTON\" objectNr=\"1\" virtualObjectType=\"POV\" "
                          u"virtualObjectNr=\"0\" option=\"4\"")),
         false, 1},
        {"not XML", u"<deviceConfig><virtualDevice", false, 0},
    };
    inFrame("bad", [&] {
        for (size_t i = 0; i < cases.size(); ++i) {
            const std::u16string file = write("case.xml", cases[i].text);
            VI* out[2] = {};
            EXPECT_EQ(VI::loadConfiguration(file.c_str(), 4096, out, 2), cases[i].loads)
                << cases[i].what;
            EXPECT_EQ(VI::getNrInstances(), cases[i].made) << cases[i].what;
            releaseAll();
        }
        // The call's own arguments and the file itself.
        const std::u16string good = write("good.xml", layout(dev + u"</virtualDevice>"));
        VI* out[4] = {};
        EXPECT_FALSE(VI::loadConfiguration(good.c_str(), 4096, nullptr, 1));
        EXPECT_FALSE(VI::loadConfiguration(good.c_str(), 4096, out, 0));
        EXPECT_FALSE(VI::loadConfiguration(good.c_str(), 4096, out, 4));
        const uint64_t size = std::filesystem::file_size(std::filesystem::path(good));
        EXPECT_FALSE(VI::loadConfiguration(good.c_str(), static_cast<uint32_t>(size - 1), out, 1))
            << "larger than the maximum";
        EXPECT_TRUE(VI::loadConfiguration(good.c_str(), static_cast<uint32_t>(size), out, 1));
        releaseAll();
        const std::u16string empty = path("empty.xml");
        std::ofstream{std::filesystem::path(empty)};
        EXPECT_FALSE(VI::loadConfiguration(empty.c_str(), 4096, out, 1));
        EXPECT_FALSE(VI::loadConfiguration(path("missing.xml").c_str(), 4096, out, 1));
        EXPECT_EQ(VI::getNrInstances(), 0u);
    });
}

// Keys and a controller through a layout loaded from its file, frame by frame.
TEST_F(LayoutFiles, KeysAndControllerThroughALoadedLayout) {
    const std::u16string file =
        write("play.xml",
              u"<?xml version=\"1.0\" encoding=\"utf-16\"?><deviceConfig>\n"
              u"<virtualDevice nrAssignments=\"4\" nrButtons=\"3\" nrAxes=\"1\" nrPovs=\"0\">\n"
              u"<assign deviceNrOrVidPid=\"0\" objectType=\"BUTTON\" objectNr=\"30\" "
              u"virtualObjectType=\"BUTTON\" virtualObjectNr=\"0\" option=\"0\"/>\n"
              u"<assign deviceNrOrVidPid=\"0x43214321\" objectType=\"BUTTON\" objectNr=\"3\" "
              u"virtualObjectType=\"BUTTON\" virtualObjectNr=\"1\" option=\"0\"/>\n"
              u"<assign deviceNrOrVidPid=\"0x43214321\" objectType=\"AXIS\" objectNr=\"0\" "
              u"virtualObjectType=\"BUTTON\" virtualObjectNr=\"2\" option=\"1\"/>\n"
              u"<assign deviceNrOrVidPid=\"0x43214321\" objectType=\"AXIS\" objectNr=\"0\" "
              u"virtualObjectType=\"AXIS\" virtualObjectNr=\"0\" option=\"0\"/>\n"
              u"</virtualDevice>\n</deviceConfig>\n");
    FrameScript s;
    zqtest::VirtualStick stick;
    VI* v = nullptr;
    std::vector<zqtest::Frame> key;
    std::vector<zqtest::Frame> pad;
    auto record = [&](std::vector<zqtest::Frame>& frames, const uint32_t n) {
        frames.push_back({ZqSystem::getTimeTick(), v->getButton(n), v->getButtonOn(n),
                          v->getButtonOff(n), v->getButtonRepeat(n)});
    };
    uint32_t held = 0;
    uint32_t after = 0;
    s.then("load",
           [&] {
               VI* out[1] = {};
               EXPECT_TRUE(VI::loadConfiguration(file.c_str(), 4096, out, 1));
               v = out[0];
               return v != nullptr && stick.attach("Layout Pad", 0x4321, 0x4321);
           })
        .then("controller bound",
              [&] {
                  if (v->getAssignedDevice(1) == nullptr) {
                      return false;
                  }
                  EXPECT_EQ(v->getAssignedDevice(1), ZqInput::getDevice(3));
                  zqtest::pushKey(SDL_SCANCODE_A, true);
                  stick.button(3, true);
                  return true;
              })
        .then("hold",
              [&] {
                  record(key, 0);
                  record(pad, 1);
                  held += key.back().held != 0 && pad.back().held != 0;
                  return held >= 60;
              })
        .then("release",
              [&] {
                  record(key, 0);
                  record(pad, 1);
                  zqtest::pushKey(SDL_SCANCODE_A, false);
                  stick.button(3, false);
                  stick.axis(0, 30000);
                  return true;
              })
        .then("released, axis pushed", [&] {
            record(key, 0);
            record(pad, 1);
            after += key.back().held == 0 && pad.back().held == 0;
            if (after < 5 || v->getButton(2) == 0) {
                return false;
            }
            EXPECT_EQ(v->getAxis(0), 30000);
            stick.detach();
            return true;
        });
    ASSERT_EQ(s.run("play", 2000), "");
    zqtest::expectPressHoldRelease(key, 0x80, ZqInput::DEFAULT_REPEAT_TIME);
    zqtest::expectPressHoldRelease(pad, 0x80, ZqInput::DEFAULT_REPEAT_TIME);
}

} // namespace
