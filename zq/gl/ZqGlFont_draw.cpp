// ZqGlFont: start-up, device resets and drawing glyphs through the shared sprite.

#include "zq/gl/ZqGlFont.h"

#include "zq/platform/font/font.h"

// Stand-in until the device draws.
class ZqGlSpriteBatch {};
struct ZqGlFont::Pages {};

std::unique_ptr<ZqGlSpriteBatch> ZqGlFont::m_pDxSprite;

ZqGlFont::ZqGlFont() = default;

ZqGlFont::~ZqGlFont() = default;

void ZqGlFont::sysInit() {
    init(NR_FONTS);
}

void ZqGlFont::sysQuit() {
    quit();
}

void ZqGlFont::onLostDevice() {}

void ZqGlFont::onResetDevice() {}

void ZqGlFont::begin() {}

void ZqGlFont::end() {}

void ZqGlFont::lostDevice() {}

void ZqGlFont::resetDevice() {}

void ZqGlFont::drawText(const char16_t*, size_t, int32_t, int32_t) {}
