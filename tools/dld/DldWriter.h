// The layout writer: builds ".dld" images (dorvanex/dld/CDldFormat.h) from a description of
// cells over textures, layers, their tracks of cells or nested layers, and key tracks. Key
// tracks are written once each, so tracks that name the same key track share it by offset;
// a track that names none gets a shared default (position 0, 0; scale 100 %; angle 0; alpha
// 255; pivot 0, 0). Also parses the text description the zqdld program reads. Not a reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dldw {

constexpr int32_t DEFAULT_KEYS = -1;

struct Key {
    int16_t frame = 0;
    int32_t a = 0; // x, scale x, degrees or alpha (0..65535)
    int32_t b = 0; // y or scale y; unused for angle and alpha
};

struct KeyTrack {
    uint32_t kind = 0; // dldfmt::KEY
    std::vector<Key> keys;
};

struct Track {
    bool nested = false; // a layer, else a cell
    uint16_t index = 0;
    int16_t first = 0;
    int16_t end = 1;
    uint32_t flags = 0;                     // bits 0-3 blend mode
    int32_t keys[5] = {-1, -1, -1, -1, -1}; // indices into Layout::keyTracks, or DEFAULT_KEYS
};

struct Layer {
    uint16_t width = 0, height = 0;
    uint32_t rate = 60;
    uint32_t frames = 1;
    uint32_t flags = 0; // bit 0 clip
    std::vector<Track> tracks;
};

struct Cell {
    uint32_t texture = 0; // 0x80000000: no texture
    uint16_t x = 0, y = 0, width = 0, height = 0;
};

struct Layout {
    uint32_t version = 0x0402;
    uint32_t textures = 0;
    std::vector<Cell> cells;
    std::vector<Layer> layers;
    std::vector<KeyTrack> keyTracks;
};

// The image; false with a reason when a key track is named that does not exist or is of
// another kind, has no keys or unsorted frames, or a count does not fit the format.
bool build(const Layout& layout, std::vector<uint8_t>& image, std::string* error = nullptr);

// The text description, one statement a line ('#' starts a comment):
//   version V | textures N
//   cell TEXTURE X Y W H                 (TEXTURE "-" for none)
//   layer W H RATE FRAMES [clip]
//   track cell|layer INDEX FIRST END FLAGS POS SCALE ROT ALPHA PIVOT   (on the last layer;
//                                         each key track an index or "-" for the default)
//   keys pos|scale|rot|alpha|pivot FRAME:A[,B] ...
bool parse(const std::string& text, Layout& out, std::string* error = nullptr);

} // namespace dldw
