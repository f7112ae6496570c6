// The collision writer: makes collision data ("QVINTER", zq/dg/ZqDgCollisionFormat.h) from
// named figures that may hang in the frame of a parent figure, or from their text form, one
// figure a line:
//   <name> <kind> <numbers...> [parent <name>] [at x y z] [rot x y z w]
// kind and its numbers: point p; segment p0 p1; ray origin direction; line p0 p1;
// plane and halfspace nx ny nz w (d = -w); sphere centre radius; aabb centre halves;
// obb axis0 axis1 axis2 centre halves; triangle p0 p1 p2; polygon p...; capsule p0 p1 radius
// (each p three numbers). `at` and `rot` give the figure's frame for its children (position,
// rotation quaternion; either alone takes the other's identity). Blank lines and lines
// starting with '#' are skipped. The tests, the fuzz seeds and the game's data set use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqcolw {

struct Figure {
    std::string name;
    // A zqcol::Kind.
    uint16_t kind = 0;
    // The numbers of the text form, in its order.
    std::vector<float> numbers;
    // Empty for none.
    std::string parent;
    bool hasTransform = false;
    float position[3] = {0.0f, 0.0f, 0.0f};
    float rotation[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};

// The whole data; false with a reason for a wrong count of numbers, a name used twice or
// empty, an unknown parent, parents that come back on themselves, more than 64 figures or
// data above 32,767 bytes.
bool writeCollision(const std::vector<Figure>& figures, std::vector<uint8_t>& out,
                    std::string& error);
// The text form; false with a reason (and the line number) for an unknown kind or word or a
// number that does not read.
bool parseCollision(const std::string& text, std::vector<Figure>& out, std::string& error);

} // namespace zqcolw
