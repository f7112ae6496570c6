// ZqGlFont: making fonts, the cursor and printing.

#include "zq/gl/ZqGlFont.h"

#include "zq/file/ZqFile.h"
#include "zq/math/ZqRect.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/font/font.h"
#include "zq/system/ZqSprintf.h"

#include <algorithm>
#include <string_view>

int32_t ZqGlFont::m_x = 0;
int32_t ZqGlFont::m_y = 0;
uint32_t ZqGlFont::m_color = 0xFFFFFFFFu;

namespace {

constexpr int32_t MAX_FONT_SIZE = 32767;
constexpr uint32_t WEIGHT_NORMAL = 400;
constexpr uint32_t WEIGHT_BOLD = 700;
// The size handed to the file reader with a font file.
constexpr uint32_t FONT_FILE_LIMIT = 0x400000;

size_t lengthOf(const char16_t* const text) {
    return text == nullptr ? 0 : std::char_traits<char16_t>::length(text);
}

} // namespace

ZqGlFont* ZqGlFont::create(const ATB atb, const int width, const int height,
                           const char16_t* const faceName) {
    return createBody(atb, width, height, nullptr, faceName);
}

ZqGlFont* ZqGlFont::create(const ATB atb, const int width, const int height,
                           const char16_t* const fontFile, const char16_t* const faceName) {
    uint32_t size = FONT_FILE_LIMIT;
    void* const data = ZqFile::load(fontFile, 0, &size);
    if (data == nullptr) {
        return nullptr;
    }
    // The registration keeps a copy of its own, so the file's buffer goes at once.
    std::shared_ptr<zqp::font::Registration> resource = zqp::font::Registration::add(data, size);
    ZqMemAlloc::deallocate(data);
    if (resource == nullptr) {
        return nullptr;
    }
    return createBody(atb, width, height, std::move(resource), faceName);
}

ZqGlFont* ZqGlFont::create(const ATB atb, const int width, const int height, const void* const data,
                           const unsigned int size, const char16_t* const faceName) {
    std::shared_ptr<zqp::font::Registration> resource = zqp::font::Registration::add(data, size);
    if (resource == nullptr) {
        return nullptr;
    }
    return createBody(atb, width, height, std::move(resource), faceName);
}

ZqGlFont* ZqGlFont::createBody(const ATB atb, const int width, const int height,
                               std::shared_ptr<zqp::font::Registration> resource,
                               const char16_t* const faceName) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlFont* const font = ZqFixList::create();
    if (font == nullptr) {
        return nullptr;
    }
    m_x = 0;
    m_y = 0;
    m_color = 0xFFFFFFFFu;

    zqp::font::Request request;
    request.faceName.assign(faceName != nullptr ? faceName : u"",
                            std::min<size_t>(lengthOf(faceName), 31));
    request.height = height;
    request.width = width;
    request.weight = (atb & ATB_BOLD) != 0 ? WEIGHT_BOLD : WEIGHT_NORMAL;
    request.italic = (atb & ATB_ITALIC) != 0;
    font->m_pFont = zqp::font::Font::create(request);
    if (font->m_pFont == nullptr) {
        ZqFixList::release(font);
        return nullptr;
    }
    const zqp::font::Description& d = font->m_pFont->description();
    if (d.height > MAX_FONT_SIZE || d.averageWidth > MAX_FONT_SIZE) {
        font->m_pFont.reset();
        ZqFixList::release(font);
        return nullptr;
    }
    Desc desc;
    desc.height = d.height;
    desc.width = static_cast<uint32_t>(d.averageWidth);
    desc.weight = request.weight;
    desc.mipLevels = 1;
    desc.italic = request.italic;
    desc.charSet = 1; // the default character set
    std::copy(request.faceName.begin(), request.faceName.end(), desc.faceName);
    font->m_desc = desc;
    const size_t n = std::min<size_t>(d.faceName.size(), 31);
    std::fill(std::begin(font->m_faceName), std::end(font->m_faceName), u'\0');
    std::copy_n(d.faceName.begin(), n, font->m_faceName);
    font->m_pFontResource = std::move(resource);
    return font;
}

void ZqGlFont::setColor(const uint32_t argb) {
    m_color = argb;
}

void ZqGlFont::setLocation(const int x, const int y) {
    m_x = x;
    m_y = y;
}

void ZqGlFont::getLocation(int* const x, int* const y) {
    if (x != nullptr) {
        *x = m_x;
    }
    if (y != nullptr) {
        *y = m_y;
    }
}

int ZqGlFont::vprintBody(const char16_t* const format, va_list args) {
    char16_t text[MAX_TEXT + 1];
    const int n = zqVsprintf(text, MAX_TEXT + 1, format, args);
    if (n < 0) {
        return -1;
    }
    printBody(text, static_cast<size_t>(n));
    return n;
}

int ZqGlFont::printf(const char16_t* const format, ...) {
    va_list args;
    va_start(args, format);
    const int n = vprintBody(format, args);
    va_end(args);
    return n;
}

int ZqGlFont::printf(const int x, const int y, const char16_t* const format, ...) {
    setLocation(x, y);
    va_list args;
    va_start(args, format);
    const int n = vprintBody(format, args);
    va_end(args);
    return n;
}

int ZqGlFont::simplePrintf(const char16_t* const format, ...) {
    begin();
    va_list args;
    va_start(args, format);
    const int n = vprintBody(format, args);
    va_end(args);
    end();
    return n;
}

int ZqGlFont::simplePrintf(const int x, const int y, const char16_t* const format, ...) {
    setLocation(x, y);
    begin();
    va_list args;
    va_start(args, format);
    const int n = vprintBody(format, args);
    va_end(args);
    end();
    return n;
}

// Each line feed draws the line so far and returns to the x where printing began, one line
// lower; the last part moves the cursor's x by its width and leaves y on that line.
void ZqGlFont::printBody(const char16_t* const text, const size_t length) {
    const int32_t lineX = m_x;
    size_t start = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == u'\n') {
            drawText(text + start, i + 1 - start, m_x, m_y);
            m_x = lineX;
            m_y += m_desc.height;
            start = i + 1;
        }
    }
    const std::u16string_view rest(text + start, length - start);
    drawText(rest.data(), rest.size(), m_x, m_y);
    m_x += m_pFont->measure(rest).width;
}

int ZqGlFont::putchar(const int character) {
    if (character == '\n') {
        m_y += m_desc.height;
        return character;
    }
    // A code point past the basic plane is written as its surrogate pair.
    char16_t units[2] = {};
    size_t n = 1;
    const auto c = static_cast<uint32_t>(character);
    if (c >= 0x10000u && c <= 0x10FFFFu) {
        units[0] = static_cast<char16_t>(0xD800u + ((c - 0x10000u) >> 10));
        units[1] = static_cast<char16_t>(0xDC00u + ((c - 0x10000u) & 0x3FFu));
        n = 2;
    } else {
        units[0] = c <= 0xFFFFu ? static_cast<char16_t>(c) : u'\xFFFD';
    }
    drawText(units, n, m_x, m_y);
    m_x += m_pFont->measure(std::u16string_view(units, n)).width;
    return character;
}

void ZqGlFont::getRenderRect(ZqRect* const rect, const char16_t* const text) {
    if (rect == nullptr) {
        return;
    }
    const zqp::font::Extent e =
        m_pFont->measure(std::u16string_view(text != nullptr ? text : u"", lengthOf(text)));
    rect->set(0, 0, e.width, e.lines * m_desc.height);
}

int ZqGlFont::getRenderWidth(const char16_t* const text) {
    ZqRect rect(0, 0, 0, 0);
    getRenderRect(&rect, text);
    return rect.right;
}
