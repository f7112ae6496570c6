// Layouts the layout tests share, made with the layout writer.
#pragma once

#include "dorvanex/dld/CDldFormat.h"
#include "tools/dld/DldWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace dldtest {

inline std::vector<uint8_t> build(const dldw::Layout& layout) {
    std::vector<uint8_t> image;
    std::string error;
    EXPECT_TRUE(dldw::build(layout, image, &error)) << error;
    return image;
}

inline int32_t addKeys(dldw::Layout& l, const uint32_t kind, const std::vector<dldw::Key>& keys) {
    l.keyTracks.push_back({kind, keys});
    return static_cast<int32_t>(l.keyTracks.size() - 1);
}

inline dldw::Track cellTrack(const uint16_t cell, const int16_t first, const int16_t end) {
    dldw::Track t;
    t.index = cell;
    t.first = first;
    t.end = end;
    return t;
}

inline dldw::Track layerTrack(const uint16_t layer, const int16_t first, const int16_t end) {
    dldw::Track t = cellTrack(layer, first, end);
    t.nested = true;
    return t;
}

inline dldw::Layer layer(const uint16_t w, const uint16_t h, const uint32_t rate,
                         const uint32_t frames, const bool clip = false) {
    dldw::Layer l;
    l.width = w;
    l.height = h;
    l.rate = rate;
    l.frames = frames;
    l.flags = clip ? dldfmt::LAYER_CLIP : 0;
    return l;
}

} // namespace dldtest
