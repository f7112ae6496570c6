// Plain records of the layout player shared by the table walker and the drawing code: a
// placement's transform with its cached matrix, the render info (colour factors, alpha, mode
// word, clip stack), the clip stack itself and the record a cell callback receives.
// Depends on ZqMatrix only; no device.
#pragma once

#include "zq/math/ZqMatrix.h"

#include <cstdint>

class CDldTables;

// x, y in pixels, scale factors (1.0 = unchanged), angle in radians, pivot in pixels. The
// matrix is translate(-pivot), scale, rotate about Z, translate(x, y), rebuilt when changed.
class CDldTransform {
public:
    void setPosition(float x, float y);
    void setScale(float x, float y);
    void setAngle(float radians);
    void setPivot(float x, float y);
    float getX() const { return m_x; }
    float getY() const { return m_y; }
    const ZqMatrix& getMatrix();

    // The matrix of a placement from its values (row vectors).
    static ZqMatrix makeMatrix(float x, float y, float scaleX, float scaleY, float angle,
                               float pivotX, float pivotY);

private:
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    float m_angle = 0.0f;
    float m_pivotX = 0.0f;
    float m_pivotY = 0.0f;
    bool m_changed = true;
    ZqMatrix m_matrix = ZqMatrix::UNIT;
};

// Up to 64 edges between two screen points; a point is outside an edge when it lies on the
// side the flag names. Each clipping layer pushes four.
struct CDldClipStack {
    static constexpr uint32_t MAX_EDGES = 64;
    struct Edge {
        float ax, ay, bx, by;
        uint32_t side;
    };
    Edge edges[MAX_EDGES];
    uint32_t count = 0;
};

// Mode word: bits 0-3 blend mode, 4-7 filter (1 linear), 12-15 draw path (1 = at once).
struct CDldRenderInfo {
    static constexpr uint32_t BLEND_MASK = 0x000Fu;
    static constexpr uint32_t FILTER_SHIFT = 4;
    static constexpr uint32_t FILTER_MASK = 0x00F0u;
    static constexpr uint32_t PATH_SHIFT = 12;
    static constexpr uint32_t PATH_MASK = 0xF000u;
    static constexpr uint32_t PATH_IMMEDIATE = 1;

    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float fourth = 1.0f; // carried, not drawn
    float alpha = 1.0f;
    uint32_t mode = 0;
    CDldClipStack* clip = nullptr;

    void setAlpha(const float a) { alpha = a; }
    void setFilter(const uint32_t v) {
        mode = (mode & ~FILTER_MASK) | ((v << FILTER_SHIFT) & FILTER_MASK);
    }
    uint32_t getBlend() const { return mode & BLEND_MASK; }
    uint32_t getFilter() const { return (mode & FILTER_MASK) >> FILTER_SHIFT; }
    uint32_t getPath() const { return (mode & PATH_MASK) >> PATH_SHIFT; }
};

// What a cell callback receives for one cell of a playing layer.
struct CDldCellInfo {
    const CDldTables* tables = nullptr;
    uint32_t layer = 0;    // the holding layer
    int32_t topTime = 0;   // ms, of the layer the player plays
    uint32_t cell = 0;     // cell index
    int32_t layerTime = 0; // ms, of the holding layer
    int32_t frame = 0;     // whole frame of the holding layer
    const CDldRenderInfo* info = nullptr;
    const ZqMatrix* matrix = nullptr;
    CDldClipStack* clip = nullptr;
};

using CDldCellCallback = void (*)(const CDldCellInfo& info, void* user);
