// The font service on FreeType (faces, sizes, rasterising) and fontconfig (installed faces).

#include "zq/platform/font/font.h"

#include "zq/platform/os/utf.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace zqp::font {

namespace {

// ---------------------------------------------------------------------------------------------
// FreeType handles

struct Library {
    FT_Library handle = nullptr;
    Library() {
        if (FT_Init_FreeType(&handle) != 0) {
            handle = nullptr;
        }
    }
    ~Library() {
        if (handle != nullptr) {
            FT_Done_FreeType(handle);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

struct FaceHandle {
    FT_Face face = nullptr;
    FaceHandle() = default;
    ~FaceHandle() { reset(); }
    FaceHandle(const FaceHandle&) = delete;
    FaceHandle& operator=(const FaceHandle&) = delete;
    void reset() {
        if (face != nullptr) {
            FT_Done_Face(face);
            face = nullptr;
        }
    }
};

bool openMemoryFace(const Library& lib, const std::vector<uint8_t>& bytes, const FT_Long index,
                    FaceHandle& out) {
    out.reset();
    if (lib.handle == nullptr || bytes.empty()) {
        return false;
    }
    return FT_New_Memory_Face(lib.handle, bytes.data(), static_cast<FT_Long>(bytes.size()), index,
                              &out.face) == 0;
}

const TT_OS2* os2Of(const FT_Face face) {
    const auto* const os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 != nullptr && os2->version != 0xFFFFu ? os2 : nullptr;
}

uint32_t weightOf(const FT_Face face) {
    const TT_OS2* const os2 = os2Of(face);
    if (os2 != nullptr && os2->usWeightClass != 0) {
        return os2->usWeightClass;
    }
    return (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? WEIGHT_BOLD : WEIGHT_NORMAL;
}

bool italicOf(const FT_Face face) {
    return (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
}

// ---------------------------------------------------------------------------------------------
// Names

char16_t foldAscii(const char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

// Face names compare without regard to ASCII case, as the system's font mapper does.
bool sameName(const std::u16string_view a, const std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

void addName(std::vector<std::u16string>& names, std::u16string name) {
    if (name.empty()) {
        return;
    }
    for (const std::u16string& n : names) {
        if (n == name) {
            return;
        }
    }
    names.push_back(std::move(name));
}

// Family names of a face: FreeType's own first, then every family entry of the name table
// (Unicode entries are UTF-16 big-endian; Macintosh Roman ones are read as Latin-1).
std::vector<std::u16string> familyNamesOf(const FT_Face face) {
    std::vector<std::u16string> names;
    if (face->family_name != nullptr) {
        addName(names, utf8ToUtf16(face->family_name));
    }
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName entry{};
        if (FT_Get_Sfnt_Name(face, i, &entry) != 0) {
            continue;
        }
        if (entry.name_id != TT_NAME_ID_FONT_FAMILY &&
            entry.name_id != TT_NAME_ID_TYPOGRAPHIC_FAMILY) {
            continue;
        }
        std::u16string name;
        if (entry.platform_id == TT_PLATFORM_MICROSOFT ||
            entry.platform_id == TT_PLATFORM_APPLE_UNICODE) {
            for (FT_UInt k = 0; k + 1 < entry.string_len; k += 2) {
                name.push_back(static_cast<char16_t>((entry.string[k] << 8) | entry.string[k + 1]));
            }
        } else if (entry.platform_id == TT_PLATFORM_MACINTOSH &&
                   entry.encoding_id == TT_MAC_ID_ROMAN) {
            for (FT_UInt k = 0; k < entry.string_len; ++k) {
                name.push_back(static_cast<char16_t>(entry.string[k]));
            }
        }
        addName(names, std::move(name));
    }
    return names;
}

// The face names the framework's callers use, and the installed families that stand in for
// them (a proportional Gothic with Japanese glyphs; a plain sans serif).
struct Alias {
    std::u16string_view name;
    const char* family;
};
constexpr Alias ALIASES[] = {
    {u"MS P Gothic", "IPAPGothic"},
    {u"MS PGothic", "IPAPGothic"},
    {u"MS Gothic", "IPAGothic"},
    {u"Geneva", "DejaVu Sans"},
};

std::string installedFamilyFor(const std::u16string_view faceName) {
    for (const Alias& a : ALIASES) {
        if (sameName(a.name, faceName)) {
            return a.family;
        }
    }
    return utf16ToUtf8(faceName);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Registered font data

struct Registration::Data {
    struct Face {
        FT_Long index = 0;
        std::vector<std::u16string> names;
        uint32_t weight = WEIGHT_NORMAL;
        bool italic = false;
    };
    std::vector<uint8_t> bytes;
    std::vector<Face> faces;
};

namespace {

// The process's registered data, newest last.
std::mutex g_registryLock;
std::vector<std::shared_ptr<const Registration::Data>> g_registry;

struct PrivateMatch {
    std::shared_ptr<const Registration::Data> data;
    FT_Long index = 0;
    std::u16string name;
};

// The registered face of that family closest to the weight and slant asked for; the newest
// registration wins a tie.
bool findRegistered(const Request& request, PrivateMatch& out) {
    const std::lock_guard<std::mutex> hold(g_registryLock);
    int64_t best = -1;
    for (const auto& data : g_registry) {
        for (const Registration::Data::Face& face : data->faces) {
            for (const std::u16string& name : face.names) {
                if (!sameName(name, request.faceName)) {
                    continue;
                }
                const int64_t cost = std::abs(static_cast<int64_t>(face.weight) - request.weight) +
                                     (face.italic != request.italic ? 10000 : 0);
                if (best < 0 || cost <= best) {
                    best = cost;
                    out.data = data;
                    out.index = face.index;
                    out.name = name;
                }
                break;
            }
        }
    }
    return best >= 0;
}

} // namespace

std::shared_ptr<Registration> Registration::add(const void* const data, const size_t size) {
    if (data == nullptr || size == 0 || size > static_cast<size_t>(INT32_MAX)) {
        return nullptr;
    }
    auto d = std::make_shared<Data>();
    d->bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);

    const Library lib;
    FaceHandle probe;
    if (!openMemoryFace(lib, d->bytes, 0, probe)) {
        return nullptr;
    }
    const FT_Long count = probe.face->num_faces;
    for (FT_Long i = 0; i < count; ++i) {
        FaceHandle face;
        if (!openMemoryFace(lib, d->bytes, i, face) || !FT_IS_SCALABLE(face.face)) {
            continue;
        }
        Data::Face f;
        f.index = i;
        f.names = familyNamesOf(face.face);
        f.weight = weightOf(face.face);
        f.italic = italicOf(face.face);
        if (!f.names.empty()) {
            d->faces.push_back(std::move(f));
        }
    }
    if (d->faces.empty()) {
        return nullptr;
    }
    std::shared_ptr<const Data> shared = std::move(d);
    {
        const std::lock_guard<std::mutex> hold(g_registryLock);
        g_registry.push_back(shared);
    }
    return std::make_shared<Registration>(Key(), std::move(shared));
}

Registration::Registration(Key, std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

Registration::~Registration() {
    const std::lock_guard<std::mutex> hold(g_registryLock);
    std::erase(g_registry, m_data);
}

size_t Registration::faceCount() const {
    return m_data->faces.size();
}

const std::vector<std::u16string>& Registration::familyNames(const size_t face) const {
    return m_data->faces.at(face).names;
}

// ---------------------------------------------------------------------------------------------
// Installed faces

namespace {

std::mutex g_fontconfigLock;

struct InstalledMatch {
    std::string file;
    int index = 0;
    std::u16string family;
};

bool findInstalled(const Request& request, InstalledMatch& out) {
    const std::lock_guard<std::mutex> hold(g_fontconfigLock);
    if (FcInit() == FcFalse) {
        return false;
    }
    FcPattern* const pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return false;
    }
    if (!request.faceName.empty()) {
        const std::string family = installedFamilyFor(request.faceName);
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(request.weight)));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* const match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    bool ok = false;
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) {
            index = 0;
        }
        out.file = reinterpret_cast<const char*>(file);
        out.index = index;
        out.family.clear();
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
            family != nullptr) {
            out.family = utf8ToUtf16(reinterpret_cast<const char*>(family));
        }
        ok = true;
    }
    FcPatternDestroy(match);
    return ok;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Fonts

namespace {

struct PageState {
    Page page;
    uint32_t penX = 1; // next free place on the current shelf
    uint32_t shelfY = 1;
    uint32_t shelfHeight = 0;
    bool full = false;
};

} // namespace

struct Font::Impl {
    Library library;
    // Registered data stays alive as long as a face reads from it.
    std::shared_ptr<const Registration::Data> data;
    FaceHandle face;
    Description description;
    bool emboldenGlyphs = false;
    bool slantGlyphs = false;
    std::unordered_map<char32_t, Glyph> glyphs;
    std::vector<PageState> pages;

    bool open(const Request& request);
    bool setSize(const Request& request);
    Glyph rasterise(char32_t codePoint);
    bool place(uint32_t w, uint32_t h, Glyph& g);
};

bool Font::Impl::open(const Request& request) {
    if (library.handle == nullptr) {
        return false;
    }
    PrivateMatch registered;
    if (!request.faceName.empty() && findRegistered(request, registered)) {
        data = registered.data;
        if (!openMemoryFace(library, data->bytes, registered.index, face)) {
            return false;
        }
        description.faceName = registered.name;
        description.file.clear();
        return true;
    }
    InstalledMatch installed;
    if (!findInstalled(request, installed)) {
        return false;
    }
    if (FT_New_Face(library.handle, installed.file.c_str(), installed.index, &face.face) != 0) {
        face.face = nullptr;
        return false;
    }
    description.faceName =
        installed.family.empty() ? familyNamesOf(face.face).front() : installed.family;
    description.file = installed.file;
    return FT_IS_SCALABLE(face.face);
}

// Sizes the face as the request says: a positive height is the cell (the OS/2 table's usWinAscent
// and usWinDescent when it has them), a negative one the em.
bool Font::Impl::setSize(const Request& request) {
    const FT_Face f = face.face;
    const double upem = f->units_per_EM;
    if (upem <= 0.0) {
        return false;
    }
    const TT_OS2* const os2 = os2Of(f);
    double ascentUnits = f->ascender;
    double descentUnits = -static_cast<double>(f->descender);
    if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        ascentUnits = os2->usWinAscent;
        descentUnits = os2->usWinDescent;
    }
    if (ascentUnits + descentUnits <= 0.0) {
        ascentUnits = f->bbox.yMax;
        descentUnits = -static_cast<double>(f->bbox.yMin);
    }
    const double cellUnits = ascentUnits + descentUnits;
    if (cellUnits <= 0.0) {
        return false;
    }
    const double avgUnits =
        os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem * 0.5;

    const int64_t h = request.height == 0 ? DEFAULT_HEIGHT : request.height;
    double ppem = 0.0;
    if (h > 0) {
        ppem = static_cast<double>(h) * upem / cellUnits;
        description.height = static_cast<int32_t>(h);
        description.ascent = static_cast<int32_t>(std::lround(ascentUnits * h / cellUnits));
        description.descent = description.height - description.ascent;
    } else {
        ppem = static_cast<double>(-h);
        description.ascent = static_cast<int32_t>(std::lround(ascentUnits * ppem / upem));
        description.descent = static_cast<int32_t>(std::lround(descentUnits * ppem / upem));
        description.height = description.ascent + description.descent;
    }
    const int64_t w = std::abs(static_cast<int64_t>(request.width));
    double emWidth = ppem;
    if (w > 0) {
        emWidth = static_cast<double>(w) * upem / avgUnits;
        description.averageWidth = static_cast<int32_t>(w);
    } else {
        description.averageWidth = static_cast<int32_t>(std::lround(avgUnits * ppem / upem));
    }
    if (ppem > MAX_PIXEL_SIZE || emWidth > MAX_PIXEL_SIZE) {
        return false;
    }
    const FT_F26Dot6 height26 = std::max<FT_F26Dot6>(64, std::lround(ppem * 64.0));
    const FT_F26Dot6 width26 = std::max<FT_F26Dot6>(64, std::lround(emWidth * 64.0));
    return FT_Set_Char_Size(f, width26, height26, 72, 72) == 0;
}

bool Font::Impl::place(const uint32_t w, const uint32_t h, Glyph& g) {
    // A glyph wider or taller than a shared page gets a page of its own.
    const bool own = w + 2 > PAGE_SIZE || h + 2 > PAGE_SIZE;
    PageState* p = nullptr;
    if (!own && !pages.empty() && !pages.back().full) {
        PageState& last = pages.back();
        if (last.penX + w + 1 > last.page.width) {
            last.shelfY += last.shelfHeight;
            last.penX = 1;
            last.shelfHeight = 0;
        }
        if (last.shelfY + h + 1 <= last.page.height) {
            p = &last;
        } else {
            last.full = true;
        }
    }
    if (p == nullptr) {
        PageState fresh;
        fresh.page.width = own ? w + 2 : PAGE_SIZE;
        fresh.page.height = own ? h + 2 : PAGE_SIZE;
        fresh.page.coverage.assign(size_t{fresh.page.width} * fresh.page.height, 0);
        fresh.full = own;
        pages.push_back(std::move(fresh));
        p = &pages.back();
    }
    g.page = static_cast<uint32_t>(pages.size() - 1);
    g.x = static_cast<uint16_t>(p->penX);
    g.y = static_cast<uint16_t>(p->shelfY);
    g.width = static_cast<uint16_t>(w);
    g.height = static_cast<uint16_t>(h);
    p->penX += w + 1;
    p->shelfHeight = std::max(p->shelfHeight, h + 1);
    return true;
}

Glyph Font::Impl::rasterise(const char32_t codePoint) {
    Glyph g;
    const FT_Face f = face.face;
    const FT_UInt index = FT_Get_Char_Index(f, codePoint);
    if (FT_Load_Glyph(f, index, FT_LOAD_NO_BITMAP) != 0) {
        return g;
    }
    const FT_GlyphSlot slot = f->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (emboldenGlyphs) {
            FT_GlyphSlot_Embolden(slot);
        }
        if (slantGlyphs) {
            FT_GlyphSlot_Oblique(slot);
        }
    }
    g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points == 0) {
        return g;
    }
    // The bitmap's size is known from the outline before rendering, so a glyph too large for
    // any page is never rasterised (at the largest sizes it would need gigabytes).
    FT_BBox box{};
    FT_Outline_Get_CBox(&slot->outline, &box);
    const int64_t bw = ((box.xMax + 63) >> 6) - (box.xMin >> 6);
    const int64_t bh = ((box.yMax + 63) >> 6) - (box.yMin >> 6);
    if (bw <= 0 || bh <= 0 || bw + 2 > MAX_PAGE_SIZE || bh + 2 > MAX_PAGE_SIZE) {
        return g;
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
        return g;
    }
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0 ||
        bm.width + 2 > MAX_PAGE_SIZE || bm.rows + 2 > MAX_PAGE_SIZE) {
        return g;
    }
    place(bm.width, bm.rows, g);
    Page& page = pages[g.page].page;
    const int pitch = bm.pitch;
    for (uint32_t row = 0; row < bm.rows; ++row) {
        // A negative pitch means the rows are stored bottom-up.
        const uint8_t* const src =
            pitch >= 0 ? bm.buffer + static_cast<size_t>(row) * pitch
                       : bm.buffer + static_cast<size_t>(bm.rows - 1 - row) * -pitch;
        std::memcpy(&page.coverage[(size_t{g.y} + row) * page.width + g.x], src, bm.width);
    }
    ++page.version;
    g.left = slot->bitmap_left;
    g.top = description.ascent - slot->bitmap_top;
    return g;
}

std::unique_ptr<Font> Font::create(const Request& request) {
    auto impl = std::make_unique<Impl>();
    if (!impl->open(request) || !impl->setSize(request)) {
        return nullptr;
    }
    impl->description.weight = request.weight;
    impl->description.italic = request.italic;
    // A face without the weight or slant asked for is made bold or slanted, as the system's
    // font mapper does.
    impl->emboldenGlyphs = request.weight >= 600 && weightOf(impl->face.face) < 600;
    impl->slantGlyphs = request.italic && !italicOf(impl->face.face);
    return std::make_unique<Font>(Key(), std::move(impl));
}

Font::Font(Key, std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Font::~Font() = default;

const Description& Font::description() const {
    return m_impl->description;
}

const Glyph& Font::glyph(const char32_t codePoint) {
    const auto found = m_impl->glyphs.find(codePoint);
    if (found != m_impl->glyphs.end()) {
        return found->second;
    }
    return m_impl->glyphs.emplace(codePoint, m_impl->rasterise(codePoint)).first->second;
}

size_t Font::pageCount() const {
    return m_impl->pages.size();
}

const Page& Font::page(const size_t index) const {
    return m_impl->pages.at(index).page;
}

namespace {

// Walks text as code points: calls glyph(codePoint) for each printable one and newLine() at
// each line end.
template <typename OnGlyph, typename OnNewLine>
void walkText(const std::u16string_view text, OnGlyph&& onGlyph, OnNewLine&& onNewLine) {
    size_t i = 0;
    while (i < text.size()) {
        char32_t c = text[i++];
        if (c == u'\r') {
            if (i < text.size() && text[i] == u'\n') {
                ++i;
            }
            onNewLine();
            continue;
        }
        if (c == u'\n') {
            onNewLine();
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 &&
            text[i] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x20 || c == 0x7F) {
            continue;
        }
        onGlyph(c);
    }
}

} // namespace

Extent Font::measure(const std::u16string_view text) {
    Extent e;
    if (text.empty()) {
        return e;
    }
    int32_t x = 0;
    e.lines = 1;
    walkText(
        text, [&](const char32_t c) { x += glyph(c).advance; },
        [&] {
            e.width = std::max(e.width, x);
            x = 0;
            ++e.lines;
        });
    e.width = std::max(e.width, x);
    return e;
}

void Font::layout(const std::u16string_view text, const int32_t x, const int32_t y,
                  const std::function<void(const Glyph&, int32_t, int32_t)>& out) {
    int32_t penX = x;
    int32_t penY = y;
    walkText(
        text,
        [&](const char32_t c) {
            const Glyph& g = glyph(c);
            if (g.width != 0) {
                out(g, penX + g.left, penY + g.top);
            }
            penX += g.advance;
        },
        [&] {
            penX = x;
            penY += m_impl->description.height;
        });
}

} // namespace zqp::font
