// Test hook of ZqGlLine: a recorder that sees every 3D line draw (the two-point form as a
// pair, the point-array form as a strip) with the colour it is drawn in, before the device
// is asked. For tests only; the game never sets it.
#pragma once

#include "zq/math/ZqVector3.h"

#include <cstdint>

namespace zqgl::test {

// strip is false for the two-point and pen forms (count 2), true for the point-array form.
using LineRecorder = void (*)(bool strip, const ZqVector3* points, uint32_t count, uint32_t color);
// Null removes the recorder.
void setLineRecorder(LineRecorder recorder);

} // namespace zqgl::test
