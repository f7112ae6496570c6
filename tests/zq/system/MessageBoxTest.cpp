#include "zq/system/ZqMessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Without a display the box is written to standard error.
class ZqMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
};

TEST_F(ZqMessageBoxTest, HeadlessWritesCaptionAndFormattedText) {
    testing::internal::CaptureStderr();
    zqMessageBox(u"Error", u"code = 0x%08x, %hs %s", 0x2000ABCDu, "narrow", u"wide\u00E9");
    zqMessageBox(nullptr, u"line\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: code = 0x2000abcd, narrow wide\xC3\xA9\nError: line\n");
}

TEST_F(ZqMessageBoxTest, TextBeyond1023CharactersIsCut) {
    const std::u16string text(2000, u'x');
    testing::internal::CaptureStderr();
    zqMessageBox(u"Long", u"%s", text.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Long: " + std::string(1023, 'x') + "\n");
}

} // namespace
