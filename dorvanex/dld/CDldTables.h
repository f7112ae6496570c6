// The table view of a layout image (CDldFormat.h) and the arithmetic that turns its keys into
// a placement's state at a time: the header check, a check of every index, offset and key
// order done once (a file that fails either shows nothing), the key-pair search, the float
// and integer interpolation, and the walk of a layer's tracks with nested layers and clip
// edges. Plain code over bytes: no device, no textures; cells go to a callback.
#pragma once

#include "dorvanex/dld/CDldFormat.h"
#include "dorvanex/dld/CDldTypes.h"

#include <cstdint>

struct CDldCell {
    uint32_t texture = 0;
    uint16_t x = 0, y = 0, width = 0, height = 0;
};

struct CDldLayerRecord {
    uint16_t width = 0, height = 0;
    uint32_t trackCount = 0, firstTrack = 0, rate = 0, frameCount = 0, flags = 0;
};

struct CDldTrack {
    uint16_t target = 0;
    int16_t first = 0, end = 0;
    uint32_t keys[dldfmt::KEY_KINDS] = {};
    uint32_t flags = 0;
};

// A placement at one frame: position, scale factors, angle (radians, -pi..pi), pivot, alpha.
struct CDldPlacement {
    float x = 0.0f, y = 0.0f;
    float scaleX = 1.0f, scaleY = 1.0f;
    float angle = 0.0f;
    float pivotX = 0.0f, pivotY = 0.0f;
    int32_t alpha = 255;
};

class CDldTables {
public:
    // Nested layers deeper than this are not drawn (this also ends a layer that holds itself).
    static constexpr uint32_t MAX_DEPTH = 32;
    // One evaluation places at most this many tracks: a layer that holds itself on several
    // tracks would otherwise branch out to (tracks)^MAX_DEPTH placements. What the walk
    // reached by then is drawn.
    static constexpr uint32_t MAX_PLACEMENTS = 4096;

    CDldTables() = default;
    // A view of the image, empty unless the header and every table pass the checks. The image
    // must outlive the view.
    CDldTables(const uint8_t* image, uint64_t size);

    bool isValid() const { return m_image != nullptr; }
    uint32_t getVersion() const;
    uint32_t getTextureCount() const { return m_textures; }
    uint32_t getCellCount() const { return m_cells; }
    uint32_t getLayerCount() const { return m_layers; }
    uint32_t getTrackCount() const { return m_tracks; }
    uint32_t getPoolSize() const { return m_pool; }

    // Records by index; an index outside the table gives a zero record.
    CDldCell getCell(uint32_t i) const;
    CDldLayerRecord getLayer(uint32_t i) const;
    CDldTrack getTrack(uint32_t i) const;
    // Key tracks by pool offset: the count, and key i as frame and values (a for alpha).
    uint32_t getKeyCount(uint32_t offset) const;
    void getKey(uint32_t offset, uint32_t kind, uint32_t i, int16_t& frame, int32_t& a,
                int32_t& b) const;

    // The index of the first key of the pair around whole frame F, and whether a second
    // follows it.
    uint32_t findKeyPair(uint32_t offset, uint32_t kind, int32_t frame, bool& second) const;
    // A track's values at whole frame F and exact frame f.
    void evalPlacement(const CDldTrack& track, int32_t frame, float exact,
                       CDldPlacement& out) const;

    // Frame arithmetic of a layer at time t (ms): whole and exact frame, and whether the
    // layer shows anything then (t <= frame count x 1000 / rate).
    static int32_t wholeFrame(int32_t time, uint32_t rate);
    static float exactFrame(int32_t time, uint32_t rate);
    bool isShowing(uint32_t layer, int32_t time) const;

    // Evaluates a layer at time t with the parent's matrix and render info: every existing
    // track from the last back to the first, nested layers at their local time, cells to the
    // callback. Clip edges of clipping layers are pushed on clip and taken off afterwards; a
    // layer whose edges do not fit draws nothing.
    void evaluate(uint32_t layer, int32_t time, const ZqMatrix& matrix, const CDldRenderInfo& info,
                  CDldClipStack& clip, CDldCellCallback callback, void* user) const;

private:
    bool checkTables() const;
    bool checkKeys(uint32_t offset, uint32_t kind) const;
    void evaluateAt(uint32_t layer, int32_t topTime, int32_t time, const ZqMatrix& matrix,
                    const CDldRenderInfo& info, CDldClipStack& clip, CDldCellCallback callback,
                    void* user, uint32_t depth, uint32_t& budget) const;

    const uint8_t* m_image = nullptr;
    uint64_t m_layerTable = 0;
    uint64_t m_trackTable = 0;
    uint64_t m_poolStart = 0;
    uint32_t m_textures = 0;
    uint32_t m_cells = 0;
    uint32_t m_layers = 0;
    uint32_t m_tracks = 0;
    uint32_t m_pool = 0;
};

// Pushes the four edges of a w x h rectangle through the matrix; false (nothing pushed) when
// they do not fit.
bool dldPushClipRect(CDldClipStack& clip, float width, float height, const ZqMatrix& matrix);
