// The data set's camera paths: one per camera-path row of the manifest, moving so that a
// player sees the view change. The 100 m rows follow that event's course (runners start near
// x = -5850 and finish 10,000 cm on, in lanes at z 3710 to 4030); every other row sweeps
// around its event's stage, whose centre a table gives per archive. Units are centimetres,
// the field of view is in degrees. Every path keeps a viewing axis with a z component of at
// least 0.2 in size, starts and ends at different places, and fits the container.
#pragma once

#include <cstdint>
#include <vector>

namespace zqds {

// The camera-path container of a manifest row (kind 5); empty for any other row.
std::vector<uint8_t> makeCameraPath(uint32_t row);

} // namespace zqds
