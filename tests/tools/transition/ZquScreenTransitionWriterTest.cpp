// The screen-transition script writer: the image's words as the player reads them, the text
// form's commands and its refusals, and the zqtransition program.
#include "tools/transition/ZquScreenTransitionWriter.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The image as 16-bit words.
std::vector<uint16_t> words(const std::vector<uint8_t>& image) {
    std::vector<uint16_t> w;
    for (size_t i = 0; i + 1 < image.size(); i += 2) {
        w.push_back(static_cast<uint16_t>(image[i] | image[i + 1] << 8));
    }
    return w;
}

std::vector<uint8_t> compile(const std::string& source) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(zqstw::compileScript(source, out, error)) << error;
    return out;
}

} // namespace

TEST(ZquScreenTransitionWriter, TextFormCompilesToTheImageWords) {
    const std::vector<uint8_t> image = compile(R"(# two screens
screen
locate 3 -2
locate 7 next
colour FF102030
  text "a\"%\n\\é"
jump -1
task 4 2 9 1 -1
default 1
auto 2
cancel 3

screen
)");
    const std::vector<uint16_t> expected = {
        0,  2,                                          // screen count, high word first
        0,  16,     0,      80,  0,    80,              // offsets: screen 0 at 16, screen 1 empty
        1,  3,      0xFFFE,                             // locate
        1,  7,      0x8000,                             // next line
        2,  0xFF10, 0x2030,                             // colour
        3,  'a',    '"',    '%', '\n', '\\', 0xE9,   0, // text, UTF-16, terminated
        8,  0xFFFF,                                     // jump item
        9,  4,      2,      9,   2,    1,    0xFFFF,    // task item with two results
        10, 1,      11,     2,   12,   3,               // default, auto, cancel
    };
    EXPECT_EQ(words(image), expected);
    EXPECT_EQ(image.size(), 80u);
}

TEST(ZquScreenTransitionWriter, RefusesWhatItCannotWrite) {
    const struct {
        int line;
        const char* source;
        const char* message;
    } cases[] = {
        {__LINE__, "text \"a\"\n", "line 1: a command before the first screen"},
        {__LINE__, "screen\nlocate 1\n", "line 2: locate X Y"},
        {__LINE__, "screen\nlocate 1 -32768\n", "line 2: locate X Y"},
        {__LINE__, "screen\ncolour 1FFFFFFFF\n", "line 2: colour"},
        {__LINE__, "screen\ntext a\n", "line 2: text needs one quoted string"},
        {__LINE__, "screen\ntext \"a\" b\n", "line 2: text needs"},
        {__LINE__, "screen\ntext \"a\\q\"\n", "line 2: text needs"},
        {__LINE__, "screen\njump 40000\n", "line 2: jump TARGET"},
        {__LINE__, "screen\ntask 1 2\n", "line 2: task NUMBER"},
        {__LINE__, "screen\ntask 1 2 3 x\n", "line 2: a result screen"},
        {__LINE__, "screen\nauto -1\n", "line 2: auto ITEM"},
        {__LINE__, "screen\nblink 1\n", "line 2: unknown command blink"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        zqstw::Script script;
        std::string error;
        EXPECT_FALSE(zqstw::parseScript(c.source, script, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    // The image itself: too many screens, a text with a zero, a command of the wrong shape.
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(zqstw::writeScript(zqstw::Script(65536), out, error));
    EXPECT_FALSE(zqstw::writeScript({{zqstw::text(std::u16string(1, u'\0'))}}, out, error));
    EXPECT_FALSE(zqstw::writeScript({{zqstw::Command{8, {1, 2}, {}}}}, out, error));
    EXPECT_FALSE(zqstw::writeScript({{zqstw::Command{4, {}, {}}}}, out, error));
    EXPECT_TRUE(zqstw::writeScript(zqstw::Script(65535), out, error)) << error;
}

TEST(ZquScreenTransitionWriter, ProgramWritesTheSameImage) {
    const std::string source = "screen\nlocate 10 10\njump -1\ntext \"Quit\"\n";
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zqtransition." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in.txt") << source;
    const zqtest::ProgramRun run = zqtest::runProgram(
        zqtest::toolPath("zqtransition"), {(dir / "in.txt").string(), (dir / "out").string()});
    EXPECT_EQ(run.status, 0) << run.output;
    std::ifstream in(dir / "out", std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    EXPECT_EQ(written, compile(source));
    const zqtest::ProgramRun bad =
        zqtest::runProgram(zqtest::toolPath("zqtransition"), {(dir / "missing").string(), "x"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.output.find("cannot read"), std::string::npos) << bad.output;
    std::filesystem::remove_all(dir);
}
