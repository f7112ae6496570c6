// The font service: a face chosen by name among the installed fonts (with the aliases the
// framework's face names need) or among font data registered by this process (a file image or
// a block of memory), sized in pixels, and rasterised glyph by glyph into atlas pages of 8-bit
// coverage held in memory; the metrics and the line layout that drawing and measuring share.
//
// Not for: uploading or drawing the pages (the graphics classes do that on the device), shaping
// or kerning (text is laid out glyph after glyph, as the framework's text drawing always was).
// Depends on: FreeType and fontconfig, which no caller sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zqp::font {

// Font data registered for this process. While a handle lives, its faces are found by family
// name before the installed ones; dropping the last handle removes them. Fonts already made
// from it keep working (they share the data).
class Registration {
public:
    // Copies the data. Null when it holds no scalable face FreeType can read.
    static std::shared_ptr<Registration> add(const void* data, size_t size);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    // Number of faces and their family names (every name the data gives, English first).
    size_t faceCount() const;
    const std::vector<std::u16string>& familyNames(size_t face) const;

    struct Data;
    class Key {
        friend class Registration;
        Key() = default;
    };
    Registration(Key, std::shared_ptr<const Data> data);

private:
    std::shared_ptr<const Data> m_data;
};

// Weights the framework asks for.
constexpr uint32_t WEIGHT_NORMAL = 400;
constexpr uint32_t WEIGHT_BOLD = 700;

struct Request {
    std::u16string faceName;
    // > 0: cell height (ascent + descent) in pixels; < 0: character (em) height; 0: the
    // default cell height, DEFAULT_HEIGHT.
    int32_t height = 0;
    // Average character width in pixels (sign ignored); 0 keeps the face's proportions.
    int32_t width = 0;
    uint32_t weight = WEIGHT_NORMAL;
    bool italic = false;
};
constexpr int32_t DEFAULT_HEIGHT = 16;
// Largest em size in pixels a font may have.
constexpr int32_t MAX_PIXEL_SIZE = 32767;

// What the font is, as made.
struct Description {
    int32_t height = 0;              // cell height: the step from one line to the next
    int32_t ascent = 0;              // from the cell's top to the baseline
    int32_t descent = 0;             // from the baseline to the cell's bottom
    int32_t averageWidth = 0;        // the face's average character width at this size
    uint32_t weight = WEIGHT_NORMAL; // as requested (bold is synthesised when the face is not)
    bool italic = false;             // as requested (slanted when the face is upright)
    std::u16string faceName;         // family of the face actually used
    std::string file;                // its file; empty for registered data
};

// One glyph's place in the atlas and on the line.
struct Glyph {
    uint32_t page = 0;
    uint16_t x = 0; // top-left of the bitmap in the page
    uint16_t y = 0;
    uint16_t width = 0; // 0: nothing to draw (a space, or a glyph too large for a page)
    uint16_t height = 0;
    int32_t left = 0;    // from the pen to the bitmap's left edge
    int32_t top = 0;     // from the line's top to the bitmap's top edge
    int32_t advance = 0; // pen step in whole pixels
};

// An atlas page: 8-bit coverage, row 0 at the top. Pages only grow; version counts the changes
// so that a copy on the device knows when to refresh.
struct Page {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> coverage;
    uint32_t version = 0;
};
constexpr uint32_t PAGE_SIZE = 512;
// Largest page side: a glyph that needs more is not rasterised (it still advances the pen).
constexpr uint32_t MAX_PAGE_SIZE = 4096;

// Extent of laid-out text from (0, 0).
struct Extent {
    int32_t width = 0; // widest line
    int32_t lines = 0; // 0 for empty text
};

// A font of one face at one size. Not shared between threads.
class Font {
public:
    // Null when no face can be found or read, or the size is out of range.
    static std::unique_ptr<Font> create(const Request& request);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const Description& description() const;

    // The glyph of a code point, rasterised on first use. A code point the face lacks gets the
    // face's missing-glyph shape.
    const Glyph& glyph(char32_t codePoint);
    size_t pageCount() const;
    const Page& page(size_t index) const;

    // Layout shared by drawing and measuring. Text is UTF-16 (an unpaired surrogate is
    // U+FFFD); "\n", "\r" and "\r\n" end a line; other control characters take no room.
    Extent measure(std::u16string_view text);
    // Calls out(glyph, left, top) for every glyph with pixels, with the screen position of its
    // bitmap's top-left corner, for text whose first line's cell starts at (x, y).
    void layout(std::u16string_view text, int32_t x, int32_t y,
                const std::function<void(const Glyph&, int32_t, int32_t)>& out);

    struct Impl;
    class Key {
        friend class Font;
        Key() = default;
    };
    Font(Key, std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace zqp::font
