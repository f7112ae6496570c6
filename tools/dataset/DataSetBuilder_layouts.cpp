// Layouts: plain coloured cells with the layers and cells the game addresses, the
// background's panels and banner placed where the screen shows them, and the countdown's
// rolling digits.
#include "dorvanex/dld/CDldFormat.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dataset/DataSetBuilder_parts.h"
#include "tools/dld/DldWriter.h"

#include <stdexcept>

namespace zqds {

namespace {

using namespace part;

// Layouts and how many layers and cells the game addresses in them.
struct LayoutShape {
    uint32_t row, layers, cells;
};
constexpr LayoutShape LAYOUT_SHAPES[] = {{45, 15, 8}, {48, 4, 5}, {50, 89, 226}, {62, 12, 12}};
constexpr LayoutShape DEFAULT_LAYOUT = {0, 32, 32};

// The countdown layout: layers 1 and 3 roll the previous digits out and the new ones in.
constexpr uint32_t COUNTDOWN_LAYOUT_ROW = 48;
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

} // namespace

std::vector<uint8_t> part::makeLayout(const uint32_t row) {
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

} // namespace zqds
