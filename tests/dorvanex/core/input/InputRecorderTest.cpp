// The recorder on its own: the reader refuses every damaged recording whole, the replay's
// repeat pulses and frame times follow the recording, and a missing file leaves the
// generator alone. Recordings are made with the recording writer.
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/input/BtnWriter.h"
#include "dorvanex/core/input/CInputRecorder.h"
#include "dorvanex/core/input/CPlayerInput.h"
#include "tests/support/FileTestSupport.h"
#include "zq/file/ZqFile.h"
#include "zq/math/ZqMt19937Ar.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> makeImage(const std::string& script) {
    btnfmt::Recording recording;
    std::string error;
    EXPECT_TRUE(btnw::parse(script, recording, &error)) << error;
    std::vector<uint8_t> image;
    EXPECT_TRUE(btnw::build(recording, image, &error)) << error;
    return image;
}

// The bytes in a buffer of exactly their size, so that the sanitizer sees any read past it.
bool loads(CInputRecorder& recorder, const std::vector<uint8_t>& bytes) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
    if (!bytes.empty()) {
        std::memcpy(exact.get(), bytes.data(), bytes.size());
    }
    return recorder.loadFromMemory(exact.get(), bytes.size());
}

void putU32(std::vector<uint8_t>& image, const size_t at, const uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        image[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

const char* const SCRIPT = R"(seed 7
frames 3*16 17
buttons 0 1 2
on 16 2
off 48 2
on 48 0 1
)";

constexpr size_t HEADER = btnfmt::HEADER_SIZE;
// Offsets in the image of SCRIPT: four frame times, three buttons, then two groups.
constexpr size_t FRAMES_AT = HEADER;
constexpr size_t BUTTONS_AT = FRAMES_AT + 4 * 4;
constexpr size_t GROUPS_AT = BUTTONS_AT + 3 * 4;

TEST(InputRecorder, DamagedRecordingsAreRefusedWhole) {
    const std::vector<uint8_t> good = makeImage(SCRIPT);
    ASSERT_EQ(good.size(), GROUPS_AT + (8 + 8) + (8 + 24));
    CInputRecorder recorder;
    ASSERT_TRUE(loads(recorder, good));
    ASSERT_TRUE(recorder.hasRecording());

    struct Case {
        int line;
        size_t at;
        uint32_t value;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    uint32_t nanBits = 0;
    uint32_t infBits = 0;
    std::memcpy(&nanBits, &nan, 4);
    std::memcpy(&infBits, &inf, 4);
    const Case cases[] = {
        {__LINE__, 4, 4},               // button count one too large
        {__LINE__, 8, 3},               // group count one too large
        {__LINE__, 12, 5},              // frame count one too large
        {__LINE__, 4, 0xFFFFFFFFu},     // counts that would wrap 32-bit sums
        {__LINE__, 8, 0x20000000u},     //
        {__LINE__, 12, 0x40000000u},    //
        {__LINE__, 16, 625},            // generator index past the state
        {__LINE__, BUTTONS_AT + 4, 40}, // watched button 40
        {__LINE__, GROUPS_AT, nanBits}, // group time NaN
        {__LINE__, GROUPS_AT, infBits}, // group time infinite
        {__LINE__, GROUPS_AT + 4, 2},   // event count one too large
        {__LINE__, GROUPS_AT + 4, 0xFFFFFFFFu},
        {__LINE__, GROUPS_AT + 8, 2},   // event kind 2
        {__LINE__, GROUPS_AT + 12, 40}, // event of button 40
        {__LINE__, GROUPS_AT + 12, 32}, // event of button 32
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        putU32(bad, c.at, c.value);
        EXPECT_FALSE(loads(recorder, bad)) << "line " << c.line;
        EXPECT_FALSE(recorder.hasRecording()) << "line " << c.line;
    }
    // Cut anywhere, or with a byte that no count accounts for.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(loads(recorder, std::vector<uint8_t>(good.begin(), good.begin() + n)))
            << "cut at " << n;
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(loads(recorder, longer));
    // The highest index (state used up) and the last button are fine.
    std::vector<uint8_t> edge = good;
    putU32(edge, 16, 624);
    putU32(edge, BUTTONS_AT, 31);
    EXPECT_TRUE(loads(recorder, edge));
}

TEST(InputRecorder, ReplayAnswersFromTheGroupsAndRepeatsFromThreeHundredMilliseconds) {
    // Button 1 held from 20 ms to 1020 ms, frames of 20 ms.
    CInputRecorder recorder;
    ASSERT_TRUE(loads(recorder, makeImage("buttons 0 1 2\non 20 1\noff 1020 1\n")));
    // Nothing answers before the replay starts.
    EXPECT_FALSE(recorder.getButton(1));
    recorder.startReplay();
    std::vector<int> on, off, repeat, held;
    for (int frame = 1; frame <= 60; ++frame) {
        recorder.update(20.0f);
        if (recorder.getButtonOn(1)) {
            on.push_back(frame);
        }
        if (recorder.getButtonOff(1)) {
            off.push_back(frame);
        }
        if (recorder.getButtonRepeat(1)) {
            repeat.push_back(frame);
        }
        if (recorder.getButton(1)) {
            held.push_back(frame);
        }
        EXPECT_FALSE(recorder.getButton(0) || recorder.getButtonOn(2) || recorder.getButton(3));
    }
    recorder.stopReplay();
    EXPECT_EQ(on, std::vector<int>{1});
    EXPECT_EQ(off, std::vector<int>{51});
    ASSERT_EQ(held.size(), 50u);
    EXPECT_EQ(held.front(), 1);
    EXPECT_EQ(held.back(), 50);
    // The press frame, then once the timer has reached 300 ms (15 frames of 20 ms after the
    // press) every frame until the release.
    std::vector<int> expected{1};
    for (int frame = 17; frame <= 50; ++frame) {
        expected.push_back(frame);
    }
    EXPECT_EQ(repeat, expected);
    EXPECT_FALSE(recorder.getButton(1)) << "stopped: no answers";
}

TEST(InputRecorder, RecordedFrameTimesRunOutIntoRealOnesAndStayInTheFrameworkRange) {
    CInputRecorder recorder;
    ASSERT_TRUE(loads(recorder, makeImage("frames 16 0 5000\n")));
    recorder.startReplay();
    std::vector<uint32_t> seen;
    for (int frame = 0; frame < 5; ++frame) {
        uint32_t tick = 33;
        CInputRecorder::frameTimeHook(tick, &recorder);
        seen.push_back(tick);
    }
    recorder.stopReplay();
    EXPECT_EQ(seen, (std::vector<uint32_t>{16, 1, 1000, 33, 33}));
    uint32_t tick = 40;
    CInputRecorder::frameTimeHook(tick, &recorder);
    EXPECT_EQ(tick, 40u) << "idle: the real time";
}

class RecorderFileTest : public testing::Test {
protected:
    void SetUp() override {
        ZqFile::sysInit();
        TaskRoot::getInstance();
    }
    void TearDown() override {
        TaskRoot::deleteInstance();
        ZqFile::sysQuit();
    }
    ScratchFolder m_folder;
};

// The generator's next outputs, drawn from a copy so the live one is untouched.
std::vector<uint32_t> peek(const int count) {
    uint32_t words[ZqMt19937Ar::N];
    uint32_t index = 0;
    TaskRoot::getRandomState(words, &index);
    ZqMt19937Ar copy;
    copy.setState(words, index);
    std::vector<uint32_t> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(copy.rand());
    }
    return out;
}

TEST_F(RecorderFileTest, MissingOrDamagedFileLeavesTheGeneratorAlone) {
    writeBytes(m_folder.root() / "bad.btn", std::vector<uint8_t>(100, 0xFF));
    for (const char16_t* const name : {u"missing.btn", u"bad.btn"}) {
        CPlayerInput input(0);
        EXPECT_NE(input.loadRecording(name), 0u);
        const std::vector<uint32_t> next = peek(3);
        input.startReplay(true);
        EXPECT_EQ(peek(3), next) << "no recording: the live numbers";
        input.startReplay(false);
        input.update(16.0f);
        EXPECT_FALSE(input.getButton(0) || input.getButtonOn(1) || input.getButtonRepeat(2));
        input.stopReplay();
        EXPECT_EQ(peek(3), next) << "nothing restored over the live state";
    }
}

TEST_F(RecorderFileTest, ReplayDrawsTheRecordedNumbersAndGivesTheLiveStateBack) {
    writeBytes(m_folder.root() / "Btn" / "seed.btn", makeImage("seed 4242\nbuttons 0\n"));
    ZqMt19937Ar reference(4242);
    CPlayerInput input(0);
    ASSERT_EQ(input.loadRecording(u"Btn\\seed.btn"), 0u);
    const std::vector<uint32_t> live = peek(2);
    input.startReplay(true);
    input.startReplay(true); // a second prepare must not lose the live state
    input.startReplay(false);
    for (int i = 0; i < 700; ++i) {
        ASSERT_EQ(TaskRoot::getRandom(), reference.rand()) << i;
    }
    input.stopReplay();
    EXPECT_EQ(TaskRoot::getRandom(), live[0]);
    EXPECT_EQ(TaskRoot::getRandom(), live[1]);
}

} // namespace
