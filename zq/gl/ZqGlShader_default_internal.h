// The compiled default effect "*default" that the build carries inside the library (compiled
// from ZqGlShader_default.fx by zqfxc). Internal to ZqGlShader.
#pragma once

namespace zq_resource {
extern const unsigned char DEFAULT_EFFECT[];
extern const unsigned int DEFAULT_EFFECT_SIZE;
} // namespace zq_resource
