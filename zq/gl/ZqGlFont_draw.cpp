// ZqGlFont: start-up, device resets and drawing glyphs through the shared sprite.

#include "zq/gl/ZqGlFont.h"

#include "zq/gl/ZqGlScreen.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/platform/font/font.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/system/ZqError.h"

#include <algorithm>
#include <vector>

namespace gpu = zqp::gpu;

namespace {} // namespace

// The font's atlas pages on the device, each refreshed when its page has changed.
struct ZqGlFont::Pages {
    struct Page {
        std::shared_ptr<gpu::Texture> texture;
        uint32_t version = 0;
    };
    std::vector<Page> pages;

    // Brings every page's texture up to date; a page whose texture cannot be made or filled
    // stays without one (its glyphs are not drawn).
    void sync(gpu::Device& device, const zqp::font::Font& font);
};

void ZqGlFont::Pages::sync(gpu::Device& device, const zqp::font::Font& font) {
    pages.resize(font.pageCount());
    for (size_t i = 0; i < pages.size(); ++i) {
        const zqp::font::Page& source = font.page(i);
        Page& p = pages[i];
        if (p.texture != nullptr && p.version == source.version) {
            continue;
        }
        if (p.texture == nullptr &&
            device.createTexture(source.width, source.height, 1, 0, gpu::Format::A8R8G8B8,
                                 gpu::Pool::Managed, p.texture) != gpu::Result::Ok) {
            p.texture.reset();
            continue;
        }
        gpu::LockedRect locked;
        if (p.texture->lockRect(0, locked, nullptr, 0) != gpu::Result::Ok) {
            continue;
        }
        // White, with the glyph coverage as alpha: the vertex colour tints it.
        for (uint32_t y = 0; y < source.height; ++y) {
            auto* const row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.bits) +
                                                          static_cast<size_t>(y) * locked.pitch);
            const uint8_t* const coverage = &source.coverage[size_t{y} * source.width];
            for (uint32_t x = 0; x < source.width; ++x) {
                row[x] = (uint32_t{coverage[x]} << 24) | 0x00FFFFFFu;
            }
        }
        p.texture->unlockRect(0);
        p.version = source.version;
    }
}

std::unique_ptr<ZqGlScreenSprite> ZqGlFont::m_pDxSprite;

ZqGlFont::ZqGlFont() = default;

ZqGlFont::~ZqGlFont() = default;

unsigned int ZqGlFont::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    // A font given back twice would corrupt the pool's lists.
    if (searchBody(this) == nullptr) {
        return 0;
    }
    m_pPages.reset();
    m_pFont.reset();
    m_pFontResource.reset();
    m_desc = Desc();
    std::fill(std::begin(m_faceName), std::end(m_faceName), u'\0');
    return ZqFixList::release(this);
}

void ZqGlFont::sysInit() {
    init(NR_FONTS);
    m_pDxSprite = std::make_unique<ZqGlScreenSprite>();
    if (!m_pDxSprite->create()) {
        m_pDxSprite.reset();
        throw ZqError::FONT_SPRITE;
    }
}

void ZqGlFont::sysQuit() {
    quit();
    if (m_pDxSprite != nullptr) {
        m_pDxSprite->release();
        m_pDxSprite.reset();
    }
}

void ZqGlFont::onLostDevice() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (m_pDxSprite != nullptr && m_pDxSprite->isBegun()) {
        m_pDxSprite->end();
    }
}

void ZqGlFont::onResetDevice() {}

void ZqGlFont::begin() {
    if (m_pDxSprite != nullptr) {
        m_pDxSprite->begin(ZqGlScreenSprite::ALPHABLEND | ZqGlScreenSprite::SORT_TEXTURE);
    }
}

void ZqGlFont::end() {
    if (m_pDxSprite != nullptr) {
        m_pDxSprite->end();
    }
}

void ZqGlFont::drawText(const char16_t* const text, const size_t length, const int32_t x,
                        const int32_t y) {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (m_pDxSprite == nullptr || device == nullptr || length == 0) {
        return;
    }
    struct Placed {
        const zqp::font::Glyph* glyph;
        int32_t x;
        int32_t y;
    };
    std::vector<Placed> placed;
    m_pFont->layout(std::u16string_view(text, length), x, y,
                    [&placed](const zqp::font::Glyph& g, const int32_t gx, const int32_t gy) {
                        placed.push_back({&g, gx, gy});
                    });
    if (placed.empty()) {
        return;
    }
    // Pages change only while glyphs are laid out, so they are synchronised once afterwards.
    if (m_pPages == nullptr) {
        m_pPages = std::make_unique<Pages>();
    }
    m_pPages->sync(*device, *m_pFont);
    const bool own = !m_pDxSprite->isBegun();
    if (own) {
        begin();
    }
    for (const Placed& p : placed) {
        const zqp::font::Glyph& g = *p.glyph;
        const Pages::Page& page = m_pPages->pages[g.page];
        const zqp::font::Page& source = m_pFont->page(g.page);
        m_pDxSprite->draw(page.texture, source.width, source.height, g.x, g.y, g.width, g.height,
                          p.x, p.y, m_color);
    }
    if (own) {
        end();
    }
}
