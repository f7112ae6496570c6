// ZqRect: an integer rectangle in the layout of the Win32 RECT (left, top, right, bottom);
// right and bottom are exclusive. A plain value; the default constructor leaves the fields
// uninitialised.
#pragma once

#include "zq/math/ZqPoint.h"

#include <cstdint>

class ZqRect {
public:
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    ZqRect() = default;
    constexpr ZqRect(const int32_t l, const int32_t t, const int32_t r, const int32_t b)
        : left(l), top(t), right(r), bottom(b) {}

    ZqRect& set(const int32_t l, const int32_t t, const int32_t r, const int32_t b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
        return *this;
    }
    bool operator==(const ZqRect& b) const {
        return left == b.left && top == b.top && right == b.right && bottom == b.bottom;
    }
    bool operator!=(const ZqRect& b) const { return !(*this == b); }
    // True when p lies inside: left <= x < right and top <= y < bottom.
    bool intersect(const ZqPoint& p) const {
        return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
    }
};
