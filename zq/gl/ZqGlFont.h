// ZqGlFont: screen text. A font is made from an installed face name, or from font data (a file
// or a block of memory) registered for this process only. Text prints at one shared cursor in
// one shared colour, like a console: each call continues where the last one ended, and a line
// feed starts a new line one font height lower at the x where the call began. Glyphs are drawn
// from the font's atlas through one shared screen-space sprite batch (begin/end).
// Not for: text in the 3D scene, wrapping or alignment.
// Depends on: the font service (zq/platform/font), the graphics device, ZqFixList, zqSprintf.
#pragma once

#include "zq/memory/ZqFixList.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>

class ZqRect;
class ZqGlScreenSprite;
namespace zqp::font {
class Font;
class Registration;
} // namespace zqp::font

class ZqGlFont : public ZqFixList<ZqGlFont> {
public:
    // Attribute bits of create.
    using ATB = uint32_t;
    static constexpr ATB ATB_ITALIC = 0x1000;
    static constexpr ATB ATB_BOLD = 0x2000; // weight 700 instead of 400

    // What the font is, as made: sizes in pixels; the face name is the one asked for.
    struct Desc {
        int32_t height = 0; // cell height, the line step
        uint32_t width = 0; // average character width
        uint32_t weight = 0;
        uint32_t mipLevels = 0;
        bool italic = false;
        uint8_t charSet = 0;
        uint8_t outputPrecision = 0;
        uint8_t quality = 0;
        uint8_t pitchAndFamily = 0;
        char16_t faceName[32] = {};
    };
    static constexpr uint32_t NR_FONTS = 64;
    // Longest formatted text printf draws, in characters.
    static constexpr int MAX_TEXT = 1023;

    // A font of an installed face; width 0 keeps the face's proportions; height > 0 is the cell
    // height, < 0 the character height. Null when no pool element is free or no face can be
    // made at that size (larger than 32,767).
    static ZqGlFont* create(ATB atb, int width, int height, const char16_t* faceName);
    // The same from a font file (read with the current file reader, at most 4 MiB) or from
    // font data in memory, whose faces are found by faceName before the installed ones. Null
    // also when the file cannot be read or holds no font.
    static ZqGlFont* create(ATB atb, int width, int height, const char16_t* fontFile,
                            const char16_t* faceName);
    static ZqGlFont* create(ATB atb, int width, int height, const void* data, unsigned int size,
                            const char16_t* faceName);
    // Gives the font back to the pool; returns 0.
    unsigned int release();

    // A batch on the shared sprite: printing draws inside it (outside a batch each call draws
    // at once).
    static void begin();
    static void end();

    // Formats (the framework's wide format rules) and prints at the cursor, which moves past
    // the text. Returns the number of characters, or -1 without drawing when the text needs
    // more than 1023 characters or the format is invalid. The (x, y) forms first move the
    // cursor, also when formatting then fails.
    int printf(const char16_t* format, ...);
    int printf(int x, int y, const char16_t* format, ...);
    // The same inside a batch of their own.
    int simplePrintf(const char16_t* format, ...);
    int simplePrintf(int x, int y, const char16_t* format, ...);
    // Prints one character (a line feed only moves down a line); returns it.
    int putchar(int character);

    // The rectangle the text takes from (0, 0): the widest line by the number of lines.
    void getRenderRect(ZqRect* rect, const char16_t* text);
    int getRenderWidth(const char16_t* text);

    static void setColor(uint32_t argb);
    static void setLocation(int x, int y);
    static void getLocation(int* x, int* y);
    uint16_t getHeight() const { return static_cast<uint16_t>(m_desc.height); }
    uint16_t getWidth() const { return static_cast<uint16_t>(m_desc.width); }
    // The face actually used.
    const char16_t* getFontName() const { return m_faceName; }

    // Pool of 64 and the shared sprite on the device (throws 1136 when it cannot be made).
    static void sysInit();
    // Releases every font, then the shared sprite.
    static void sysQuit();
    // Around a device reset. The glyph pages live in managed textures, which survive it; an
    // open batch is ended first.
    static void onLostDevice();
    static void onResetDevice();

    ZqGlFont();
    ~ZqGlFont() override;

    static int32_t m_x;
    static int32_t m_y;
    static uint32_t m_color;

private:
    struct Pages;

    static ZqGlFont* createBody(ATB atb, int width, int height,
                                std::shared_ptr<zqp::font::Registration> resource,
                                const char16_t* faceName);
    int vprintBody(const char16_t* format, va_list args);
    void printBody(const char16_t* text, size_t length);
    // Draws text whose first line's cell starts at (x, y), in m_color, through the sprite.
    void drawText(const char16_t* text, size_t length, int32_t x, int32_t y);

    std::unique_ptr<zqp::font::Font> m_pFont;
    Desc m_desc;
    char16_t m_faceName[32] = {};
    std::shared_ptr<zqp::font::Registration> m_pFontResource;
    std::unique_ptr<Pages> m_pPages;

    static std::unique_ptr<ZqGlScreenSprite> m_pDxSprite;
};
