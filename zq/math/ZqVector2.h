// ZqVector2: a two-float vector (x, y), 8 bytes, tightly packed in arrays; screen points of
// the line drawing. A plain value; the default constructor leaves the fields uninitialised.
#pragma once

class ZqVector2 {
public:
    float x;
    float y;

    ZqVector2() = default;
    constexpr ZqVector2(const float px, const float py) : x(px), y(py) {}
};
