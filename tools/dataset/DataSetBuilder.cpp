#include "DataSetBuilder.h"

#include "dorvanex/core/input/BtnWriter.h"
#include "dorvanex/dld/CDldFormat.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/anim/ZqAnimWriter.h"
#include "tools/dataset/CameraPaths.h"
#include "tools/dds/DdsWriter.h"
#include "tools/dld/DldWriter.h"
#include "tools/model/ZqModelWriter.h"
#include "tools/particle/ZqPmWriter.h"
#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqByteWriter.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

namespace zqds {
namespace {

// Fixed time stamp for every member: the same bytes on every run.
constexpr uint64_t MEMBER_TIME = 1262304000; // 2010-01-01

// Textures whose size the game relies on (the glyph tables reach x = 298 in row 163); sides
// are powers of two, as textures with a mip chain need.
struct TextureSize {
    uint32_t row, width, height;
};
constexpr TextureSize TEXTURE_SIZES[] = {{163, 512, 64}, {165, 256, 256}};
constexpr uint32_t SMALL_TEXTURE = 16;

// Layouts and how many layers and cells the game addresses in them.
struct LayoutShape {
    uint32_t row, layers, cells;
};
constexpr LayoutShape LAYOUT_SHAPES[] = {{45, 15, 8}, {48, 4, 5}, {50, 89, 226}, {62, 12, 12}};
constexpr LayoutShape DEFAULT_LAYOUT = {0, 32, 32};

// The countdown layout and its texture: a sheet of the ten digits, five a row, each in a
// DIGIT_W x DIGIT_H cell; layers 1 and 3 roll the previous digits out and the new ones in.
constexpr uint32_t COUNTDOWN_LAYOUT_ROW = 48;
constexpr uint32_t DIGIT_SHEET_ROW = 49;
constexpr uint16_t DIGIT_W = 12;
constexpr uint16_t DIGIT_H = 16;
constexpr uint32_t DIGIT_SHEET_W = 64;
constexpr uint32_t DIGIT_SHEET_H = 32;
constexpr uint32_t ROLL_FRAMES = 10;
// Layers drawn where the screen shows them, their one cell scaled up (percent): the
// background's two side panels (row 45, layers 4 and 14) and its event banner (row 62, layer
// 1). Every other layer draws its cell at the origin, unscaled.
struct LayerPlacement {
    uint32_t row, layer;
    int32_t x, y, scaleX, scaleY;
};
constexpr LayerPlacement LAYER_PLACEMENTS[] = {
    {45, 4, 0, 0, 150, 4800}, {45, 14, 1000, 0, 150, 4800}, {62, 1, 256, 48, 3200, 800}};
constexpr uint32_t MAX_LAYOUT_TEXTURES = 32;

// Background-music tracks, written loose under sound/bgm.
constexpr const char* BGM_TRACKS[] = {"SP100MBGM.adpcm.sound",
                                      "SPCommonFalseJingle.adpcm.sound",
                                      "SPCommonStaffRollBGM.adpcm.sound",
                                      "SPCommonThemeBGM.adpcm.sound",
                                      "SPCommonWinJingle.adpcm.sound",
                                      "SPFencingBGM.adpcm.sound",
                                      "SPJavelinBGM.adpcm.sound",
                                      "SPLiftingBGM.adpcm.sound",
                                      "SPLongJumpBGM.adpcm.sound",
                                      "SPPingpongBGM.adpcm.sound",
                                      "SPShootingBGM.adpcm.sound",
                                      "SPhurdleBGM.adpcm.sound",
                                      "SPvaultBGM.adpcm.sound"};

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out += static_cast<char>(*s < 0x80 ? *s : '?');
    }
    return out;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

uint32_t crc32(const uint8_t* p, const size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            }
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void putBe32(std::vector<uint8_t>& out, const uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) {
        out.push_back(static_cast<uint8_t>(v >> s));
    }
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    putBe32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    putBe32(out, crc32(out.data() + start, out.size() - start));
}

std::vector<uint8_t> placeholder(const std::string& name) {
    // Built as one string first: g++ 12 sees a false bounds fault in the vector insert.
    const std::string text = std::string(PLACEHOLDER_MAGIC) + name;
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> makeSound(const double frequency, const double seconds) {
    // Many rows share a tone: write each one once.
    static std::map<std::pair<double, double>, std::vector<uint8_t>> made;
    const auto known = made.find({frequency, seconds});
    if (known != made.end()) {
        return known->second;
    }
    const zqsdw::Pcm pcm = zqsdw::makeTone(frequency, seconds, 22050, 1, 0.25);
    std::vector<uint8_t> out;
    std::string error;
    if (!zqsdw::writeSound(pcm, zqsdw::Options{}, out, error)) {
        throw std::runtime_error("sound: " + error);
    }
    made[{frequency, seconds}] = out;
    return out;
}

// The layout's textures are the texture rows that follow it in its archive.
uint32_t texturesAfter(const uint32_t row) {
    const uint32_t archive = getResourceEntry(row).archive;
    const uint32_t end = getArchiveFirstRow(archive) + getArchiveRowCount(archive);
    uint32_t n = 0;
    while (n < MAX_LAYOUT_TEXTURES && row + 1 + n < end &&
           getResourceKindOfName(getResourceEntry(row + 1 + n).name) == KIND_TEXTURE) {
        ++n;
    }
    return n;
}

std::vector<uint8_t> buildLayout(const dldw::Layout& layout) {
    std::vector<uint8_t> image;
    std::string error;
    if (!dldw::build(layout, image, &error)) {
        throw std::runtime_error("layout: " + error);
    }
    return image;
}

// The countdown: cells 0..3 the four digit places (their size is the digit step), cell 4 the
// digit sheet; layer 1 moves the previous two digits up and out, layer 3 the new two in from
// below, over ROLL_FRAMES frames; layers 0 and 2 show a cell each.
std::vector<uint8_t> makeCountdownLayout() {
    dldw::Layout layout;
    layout.textures = 1;
    for (uint32_t c = 0; c < 4; ++c) {
        layout.cells.push_back({0, 0, 0, DIGIT_W, DIGIT_H});
    }
    layout.cells.push_back({0, 0, 0, 5 * DIGIT_W, 2 * DIGIT_H});
    const auto roll = [&layout](const uint16_t firstCell, const int32_t fromY, const int32_t toY) {
        dldw::Layer layer;
        layer.width = 2 * DIGIT_W;
        layer.height = DIGIT_H;
        layer.rate = 60;
        layer.frames = ROLL_FRAMES;
        for (uint16_t k = 0; k < 2; ++k) {
            dldw::Track track;
            track.index = static_cast<uint16_t>(firstCell + k);
            track.first = 0;
            track.end = static_cast<int16_t>(ROLL_FRAMES);
            const int32_t x = k * DIGIT_W;
            layout.keyTracks.push_back(
                {dldfmt::KEY_POSITION,
                 {{0, x, fromY}, {static_cast<int16_t>(ROLL_FRAMES - 1), x, toY}}});
            track.keys[0] = static_cast<int32_t>(layout.keyTracks.size() - 1);
            layer.tracks.push_back(track);
        }
        return layer;
    };
    const auto still = [](const uint16_t cell) {
        dldw::Layer layer;
        layer.width = DIGIT_W;
        layer.height = DIGIT_H;
        dldw::Track track;
        track.index = cell;
        layer.tracks.push_back(track);
        return layer;
    };
    layout.layers = {still(0), roll(0, 0, -DIGIT_H), still(2), roll(2, DIGIT_H, 0)};
    return buildLayout(layout);
}

// A 3 x 5 pixel font of the ten digits, a row of bits (high bit left) per line.
constexpr uint8_t DIGIT_FONT[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

std::vector<uint8_t> makeDigitSheet();
std::vector<uint8_t> makeCreditSheet();

std::vector<uint8_t> makeLayout(const uint32_t row) {
    if (row == COUNTDOWN_LAYOUT_ROW) {
        return makeCountdownLayout();
    }
    LayoutShape shape = DEFAULT_LAYOUT;
    for (const LayoutShape& s : LAYOUT_SHAPES) {
        if (s.row == row) {
            shape = s;
        }
    }
    dldw::Layout layout;
    layout.textures = texturesAfter(row);
    for (uint32_t c = 0; c < shape.cells; ++c) {
        dldw::Cell cell;
        cell.texture = layout.textures == 0 ? 0x80000000u : c % layout.textures;
        cell.width = SMALL_TEXTURE;
        cell.height = SMALL_TEXTURE;
        layout.cells.push_back(cell);
    }
    for (uint32_t l = 0; l < shape.layers; ++l) {
        dldw::Layer layer;
        layer.width = 64;
        layer.height = 64;
        layer.rate = 60;
        layer.frames = 2;
        dldw::Track track;
        track.index = static_cast<uint16_t>(l % shape.cells);
        track.first = 0;
        track.end = 2;
        for (const LayerPlacement& p : LAYER_PLACEMENTS) {
            if (p.row == row && p.layer == l) {
                layout.keyTracks.push_back({dldfmt::KEY_POSITION, {{0, p.x, p.y}}});
                track.keys[0] = static_cast<int32_t>(layout.keyTracks.size() - 1);
                layout.keyTracks.push_back({dldfmt::KEY_SCALE, {{0, p.scaleX, p.scaleY}}});
                track.keys[1] = static_cast<int32_t>(layout.keyTracks.size() - 1);
            }
        }
        layer.tracks.push_back(track);
        layout.layers.push_back(layer);
    }
    return buildLayout(layout);
}

std::vector<uint8_t> makeModel(const uint32_t row) {
    // Its texture: the archive's first texture row, so the model's texture wiring finds it.
    const uint32_t archive = getResourceEntry(row).archive;
    const uint32_t first = getArchiveFirstRow(archive);
    std::string texture;
    for (uint32_t r = first; r < first + getArchiveRowCount(archive); ++r) {
        if (getResourceKindOfName(getResourceEntry(r).name) == KIND_TEXTURE) {
            texture = narrow(getResourceEntry(r).name);
            break;
        }
    }
    zq_model_writer::Model model;
    std::string error;
    const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
                            "f 1/1/1 2/2/1 3/3/1\n";
    if (!zq_model_writer::fromObj(obj, texture, model, error)) {
        throw std::runtime_error("model: " + error);
    }
    return zq_model_writer::write(model);
}

std::vector<uint8_t> makeAnimation() {
    zq_anim_writer::Animation a;
    a.frameCount = 2;
    a.parents = {-1};
    // The key-frame sets refuse an animation without tracks: the root stands still.
    zq_anim_writer::Track t;
    t.type = 29;
    t.bone = 0;
    t.values = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    a.tracks.push_back(t);
    return zq_anim_writer::write(a);
}

std::vector<uint8_t> makeTextureAnimation() {
    zq_anim_writer::TextureAnimation a;
    a.frameCount = 2;
    a.materials = {"default"};
    zq_anim_writer::TextureTrack t;
    t.values = {0.0f, 0.5f};
    a.tracks.push_back(t);
    return zq_anim_writer::write(a);
}

std::vector<uint8_t> makeEffect(const std::string& name) {
    zqpmw::PmdDesc d;
    d.file = name;
    return zqpmw::writePmd(d);
}

// The sound list: a record per sound-effect row {priority, play-count code, exclusive key,
// volume in percent, name length} and the name, each record padded to 4 bytes.
std::vector<uint8_t> makeSoundList() {
    std::vector<std::string> names;
    for (uint32_t r = 0; r < NR_RESOURCES; ++r) {
        if (getResourceKindOfName(getResourceEntry(r).name) == KIND_SOUND_EFFECT) {
            names.push_back(narrow(getResourceEntry(r).name));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    ZqByteWriter w;
    w.u32(0);
    w.u32(static_cast<uint32_t>(names.size()));
    for (const std::string& n : names) {
        w.u32(1);   // priority
        w.u32(0);   // play once
        w.u32(0);   // no exclusive key
        w.u32(100); // volume
        w.u32(static_cast<uint32_t>(n.size()));
        for (const char c : n) {
            w.u8(static_cast<uint8_t>(c));
        }
        w.u8(0);
        while (w.tell() % 4 != 0) {
            w.u8(0);
        }
    }
    return w.take();
}

std::vector<uint8_t> makeMember(const uint32_t row, const Inputs& inputs) {
    const std::string name = narrow(getResourceEntry(row).name);
    switch (getResourceKindOfName(getResourceEntry(row).name)) {
    case KIND_TEXTURE: {
        if (endsWith(name, ".dds")) {
            std::vector<uint8_t> argb(SMALL_TEXTURE * SMALL_TEXTURE * 4);
            for (size_t i = 0; i < argb.size(); i += 4) {
                zqtool::putArgb(&argb[i], 0xFF000000u | (row * 0x9E3779B9u >> 8) | (i & 0xFF));
            }
            return zqtool::makeDds(zqp::image::Format::A8R8G8B8, SMALL_TEXTURE, SMALL_TEXTURE,
                                   argb.data(), 1);
        }
        if (row == DIGIT_SHEET_ROW) {
            return makeDigitSheet();
        }
        uint32_t w = SMALL_TEXTURE, h = SMALL_TEXTURE;
        for (const TextureSize& s : TEXTURE_SIZES) {
            if (s.row == row) {
                w = s.width;
                h = s.height;
            }
        }
        return makePng(w, h, row);
    }
    case KIND_LAYOUT:
        return makeLayout(row);
    case KIND_MODEL:
        return makeModel(row);
    case KIND_ANIMATION:
        return makeAnimation();
    case KIND_TEXTURE_ANIMATION:
        return makeTextureAnimation();
    case KIND_CAMERA_ANIMATION:
        return makeCameraPath(row);
    case KIND_EFFECT_SET:
        return makeEffect(name);
    case KIND_SOUND_EFFECT:
        return makeSound(220.0 + (row % 24) * 20.0, 0.02);
    case KIND_SOUND_LIST:
        return makeSoundList();
    case KIND_FONTS:
        return inputs.font;
    default:
        // Faces: no writer yet.
        return placeholder(name);
    }
}

bool writeIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& data,
                    std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (in && static_cast<uint64_t>(in.tellg()) == data.size()) {
            std::vector<uint8_t> old(data.size());
            in.seekg(0);
            in.read(reinterpret_cast<char*>(old.data()), static_cast<std::streamsize>(old.size()));
            if (in && old == data) {
                return true;
            }
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

} // namespace

namespace {

// A PNG of rows of filter byte 0 and RGBA pixels.
std::vector<uint8_t> encodePng(const uint32_t width, const uint32_t height,
                               const std::vector<uint8_t>& raw) {
    // zlib stream of stored blocks (at most 65535 bytes each) and the Adler-32 of the data.
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                 raw.begin() + static_cast<ptrdiff_t>(at + n));
        at += n;
        if (last) {
            break;
        }
    }
    uint32_t a = 1, b = 0;
    for (const uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    putBe32(z, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    putBe32(ihdr, width);
    putBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    putChunk(png, "IHDR", ihdr);
    putChunk(png, "IDAT", z);
    putChunk(png, "IEND", {});
    return png;
}

// White digits, each font pixel 3 x 3, on an opaque dark blue ground.
std::vector<uint8_t> makeDigitSheet() {
    constexpr uint32_t SCALE = 3;
    const size_t stride = 1 + 4ull * DIGIT_SHEET_W;
    std::vector<uint8_t> raw(stride * DIGIT_SHEET_H, 0);
    for (uint32_t y = 0; y < DIGIT_SHEET_H; ++y) {
        uint8_t* p = &raw[y * stride + 1];
        for (uint32_t x = 0; x < DIGIT_SHEET_W; ++x, p += 4) {
            const uint32_t digit = (y / DIGIT_H) * 5 + x / DIGIT_W;
            const uint32_t fx = (x % DIGIT_W) / SCALE - 1;
            const uint32_t fy = (y % DIGIT_H) / SCALE;
            const bool on = x < 5u * DIGIT_W && fx < 3 && fy < 5 &&
                            (DIGIT_FONT[digit][fy] >> (2 - fx) & 1) != 0;
            p[0] = on ? 0xFF : 0x10;
            p[1] = on ? 0xFF : 0x18;
            p[2] = on ? 0xFF : 0x40;
            p[3] = 0xFF;
        }
    }
    return encodePng(DIGIT_SHEET_W, DIGIT_SHEET_H, raw);
}

// The credit line's texture: 26-texel rows of plain bars for the two captions (rows 0 and
// 26, 94 wide), the free-play sign (78) and the three status labels (104, 130, 156; 124 wide),
// and at row 182 the glyph strip: '0'..'9' in their widths, then an apostrophe at glyph 11.
std::vector<uint8_t> makeCreditSheet() {
    constexpr uint32_t SIDE = 256;
    constexpr uint32_t ROW = 26;
    constexpr uint32_t GLYPH_ROW = 182;
    constexpr uint32_t GLYPH_WIDTHS[12] = {17, 14, 16, 15, 16, 16, 16, 15, 15, 16, 0, 14};
    struct Bar {
        uint32_t y, width, rgb;
    };
    constexpr Bar BARS[] = {{0, 94, 0x3060C0},    {26, 94, 0x30A050},   {78, 124, 0xC08020},
                            {104, 124, 0x808080}, {130, 124, 0xC03030}, {156, 124, 0x2090C0}};
    constexpr size_t stride = 1 + 4ull * SIDE;
    std::vector<uint8_t> raw(stride * SIDE, 0);
    const auto put = [&raw](const uint32_t x, const uint32_t y, const uint32_t rgb) {
        uint8_t* const p = &raw[y * stride + 1 + 4ull * x];
        p[0] = static_cast<uint8_t>(rgb >> 16);
        p[1] = static_cast<uint8_t>(rgb >> 8);
        p[2] = static_cast<uint8_t>(rgb);
        p[3] = 0xFF;
    };
    for (const Bar& b : BARS) {
        for (uint32_t y = b.y + 2; y < b.y + ROW - 2; ++y) {
            for (uint32_t x = 0; x < b.width; ++x) {
                put(x, y, b.rgb);
            }
        }
    }
    uint32_t left = 0;
    for (uint32_t g = 0; g < 12; ++g) {
        for (uint32_t y = 0; y < ROW; ++y) {
            for (uint32_t x = 0; x < GLYPH_WIDTHS[g]; ++x) {
                // Font pixels 3 x 4, the glyph from column 2 and row 3.
                const uint32_t fx = (x - 2) / 3;
                const uint32_t fy = (y - 3) / 4;
                bool on = false;
                if (g < 10) {
                    on = x >= 2 && y >= 3 && fx < 3 && fy < 5 &&
                         (DIGIT_FONT[g][fy] >> (2 - fx) & 1) != 0;
                } else if (g == 11) {
                    on = x >= 6 && x < 9 && y >= 3 && y < 11;
                }
                if (on) {
                    put(left + x, GLYPH_ROW + y, 0xFFFFFF);
                }
            }
        }
        left += GLYPH_WIDTHS[g];
    }
    return encodePng(SIDE, SIDE, raw);
}

} // namespace

std::vector<uint8_t> makePng(const uint32_t width, const uint32_t height, const uint32_t seed) {
    // A two-colour checker tinted by the seed.
    const uint32_t tint = seed * 0x9E3779B9u;
    const size_t stride = 1 + 4ull * width;
    std::vector<uint8_t> raw(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = &raw[y * stride + 1];
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            const bool on = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = on ? static_cast<uint8_t>(tint >> 24) : 0x20;
            p[1] = on ? static_cast<uint8_t>(tint >> 16) : 0x20;
            p[2] = on ? static_cast<uint8_t>(tint >> 8) : 0x20;
            p[3] = 0xFF;
        }
    }
    return encodePng(width, height, raw);
}

bool buildArchiveEntries(const uint32_t archive, const Inputs& inputs, std::vector<ZqArcEntry>& out,
                         std::string& error) {
    out.clear();
    if (archive >= NR_ARCHIVES) {
        error = "no archive " + std::to_string(archive);
        return false;
    }
    const uint32_t first = getArchiveFirstRow(archive);
    try {
        for (uint32_t r = first; r < first + getArchiveRowCount(archive); ++r) {
            ZqArcEntry e;
            e.name = getResourceEntry(r).name;
            e.data = makeMember(r, inputs);
            e.time = MEMBER_TIME;
            out.push_back(std::move(e));
        }
    } catch (const std::exception& ex) {
        error = narrow(getArchiveName(archive)) + ": " + ex.what();
        return false;
    }
    return true;
}

// The attract demo's recorded input of an event: half a minute of 16 ms frames, a generator
// seeded by the event, the three game buttons tapped in turn every 100 ms from the third to
// the fifteenth second (the runs and run-ups), then button 2 held for a second and button 0
// tapped every half second (jumps, throws and swings).
namespace {

std::vector<uint8_t> makeDemoRecording(const uint32_t event) {
    std::string script =
        "seed " + std::to_string(1000 + event) + "\nframes 1875*16\nbuttons 0 1 2\n";
    uint32_t button = 0;
    for (uint32_t t = 3000; t < 15000; t += 100) {
        script += "on " + std::to_string(t) + " " + std::to_string(button) + "\n";
        script += "off " + std::to_string(t + 50) + " " + std::to_string(button) + "\n";
        button = (button + 1 + event % 2) % 3;
    }
    script += "on 16000 2\noff 17000 2\n";
    for (uint32_t t = 18000; t < 29000; t += 500) {
        script += "on " + std::to_string(t) + " 0\noff " + std::to_string(t + 100) + " 0\n";
    }
    btnfmt::Recording recording;
    std::vector<uint8_t> image;
    std::string error;
    if (!btnw::parse(script, recording, &error) || !btnw::build(recording, image, &error)) {
        throw std::runtime_error("demo recording " + std::to_string(event) + ": " + error);
    }
    return image;
}

} // namespace

bool buildLooseFiles(std::vector<LooseFile>& out, std::string& error) {
    out.clear();
    try {
        out.push_back({"TestMenu/spuicom_credit.png", makeCreditSheet()});
        double frequency = 262.0;
        for (const char* track : BGM_TRACKS) {
            out.push_back({std::string("sound/bgm/") + track, makeSound(frequency, 0.1)});
            frequency *= 1.06;
        }
        for (uint32_t event = 0; event < 10; ++event) {
            out.push_back(
                {"Btn/ButtonSave_Game" + std::to_string(event) + ".btn", makeDemoRecording(event)});
        }
    } catch (const std::exception& ex) {
        error = ex.what();
        return false;
    }
    return true;
}

bool writeArchive(const std::string& dataDir, const uint32_t archive, const Inputs& inputs,
                  std::string& error) {
    std::vector<ZqArcEntry> entries;
    std::vector<uint8_t> image;
    return buildArchiveEntries(archive, inputs, entries, error) &&
           ZqArcWriter::build(entries, ZqArcWriter::DEFAULT_VERSION, image, &error) &&
           writeIfChanged(std::filesystem::path(dataDir) / "Arc" / narrow(getArchiveName(archive)),
                          image, error);
}

bool writeDataSet(const std::string& dataDir, const Inputs& inputs, std::string& error) {
    const std::filesystem::path root(dataDir);
    for (uint32_t a = 0; a < NR_ARCHIVES; ++a) {
        if (!writeArchive(dataDir, a, inputs, error)) {
            return false;
        }
    }
    std::vector<LooseFile> loose;
    if (!buildLooseFiles(loose, error)) {
        return false;
    }
    for (const LooseFile& f : loose) {
        if (!writeIfChanged(root / f.path, f.data, error)) {
            return false;
        }
    }
    return true;
}

} // namespace zqds
