// ZqPoint: an integer point (x, y) in the layout of the Win32 POINT, passed by the window,
// input, font and render-state interfaces. A plain value; the default constructor leaves the
// fields uninitialised.
#pragma once

#include <cstdint>

class ZqPoint {
public:
    int32_t x;
    int32_t y;

    ZqPoint() = default;
    constexpr ZqPoint(const int32_t px, const int32_t py) : x(px), y(py) {}

    ZqPoint& set(const int32_t px, const int32_t py) {
        x = px;
        y = py;
        return *this;
    }
    bool operator==(const ZqPoint& b) const { return x == b.x && y == b.y; }
    bool operator!=(const ZqPoint& b) const { return !(*this == b); }
};
