// ZquPm: the particle engine's shared types and its random generator. EMITDATA is the emitter
// record read field by field from its 624 stored bytes (layout in ZquPmFormat.h); EmitParam is
// the block of one running effect instance that its emitters and particles read; PMTEXTURE is
// a loaded texture list. The generator is module-wide, main thread only, and never reset by the
// engine, so the particles of an effect depend on every emission since start-up.
// Depends on the math types only.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"

#include <cstdint>
#include <string>
#include <vector>

class ZqGlTexture;

namespace ZquPm {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// One emitter record. A stored non-finite float reads as 0: no value of the record can then
// turn a particle into NaN through the record alone.
struct EMITDATA {
    uint32_t head = 0;
    uint32_t kind = 0;
    uint32_t shape = 0;
    uint32_t count = 0;
    uint32_t delay = 0;
    uint32_t life = 0;
    uint32_t interval = 0;
    ZqVector3 position{0.0f, 0.0f, 0.0f};
    ZqVector3 position2{0.0f, 0.0f, 0.0f};
    ZqVector3 rotation{0.0f, 0.0f, 0.0f};
    ZqVector3 size{0.0f, 0.0f, 0.0f};
    ZqVector3 velocity{0.0f, 0.0f, 0.0f};
    ZqVector3 acceleration{0.0f, 0.0f, 0.0f};
    ZqVector3 angularVelocity{0.0f, 0.0f, 0.0f};
    ZqVector3 sizeChange{0.0f, 0.0f, 0.0f};
    ZqMatrix transform{1.0f};
    float motion2Weight = 0.0f;
    int32_t effectVelocityPct = 0;
    uint32_t tintPct = 0;
    uint32_t scalePct = 0;
    uint32_t particleLife = 0;
    uint32_t lifeVariation = 0;
    // Alpha in/out, size in/out, second size in/out, colour middle time.
    uint32_t phases[7] = {};
    uint8_t randomColour = 0;
    Rgb colourStart2;
    Rgb colourStart;
    Rgb colourMiddle;
    Rgb colourEnd;
    Rgb colourTail;
    uint32_t blend = 0;
    uint32_t alphaVariation = 0;
    float alpha[3] = {};
    uint32_t sizeVariation = 0;
    float psize[3] = {};
    uint32_t frameMode = 0;
    uint32_t frameFirst = 0;
    uint32_t frameLast = 0;
    uint32_t frameSteps = 0;
    uint32_t texture = 0;
    uint32_t motion = 0;
    uint8_t local = 0;
    ZqVector3 direction{0.0f, 0.0f, 0.0f};
    ZqVector3 accelFrame{0.0f, 0.0f, 0.0f};
    ZqVector3 accelPlain{0.0f, 0.0f, 0.0f};
    float spreadH = 0.0f;
    float spreadV = 0.0f;
    float drag = 0.0f;
    uint8_t randomAngVel = 0;
    uint8_t randomAngle = 0;
    uint8_t randomAngAcc = 0;
    float angVel = 0.0f;
    uint32_t angle = 0;
    uint32_t angleStep = 0;
    float angAcc = 0.0f;
    uint32_t lineOrient = 0;
    uint8_t lineOwnTail = 0;
    uint8_t lineFadeTail = 0;
    uint8_t lineTailLeads = 0;
    uint32_t size2Variation = 0;
    float size2[3] = {};
    uint32_t modelShape = 0;
    float modelParam = 0.0f;
    uint32_t modelSegments = 0;
    float modelAngle[3] = {};
    float modelReserved[3] = {};
    float modelAngVel[3] = {};
    float modelAngAcc[3] = {};
    uint8_t modelRandomAngle[3] = {};
    uint8_t modelRandomAngVel[3] = {};
    uint8_t modelFlag = 0;
    float steerSpeed = 0.0f;
    uint32_t steerWeight = 0;
    uint32_t steerInterval = 0;
    ZqVector3 turnAxis{0.0f, 0.0f, 0.0f};

    // The values of a reset emitter slot (what an unwritten record field means to a writer).
    static EMITDATA defaults();
    // Reads one record from size bytes at p; false (and nothing changed) when size < 624.
    bool read(const uint8_t* p, uint64_t size);
};

// A texture-coordinate frame of a texture list.
struct FrameRect {
    float umin = 0.0f;
    float vmin = 0.0f;
    float du = 1.0f;
    float dv = 1.0f;
};

// A loaded texture list, shared by reference count among the descriptions that name it.
struct PMTEXTURE {
    std::string path;
    uint32_t count = 0;
    ZqGlTexture* textures[16] = {};
    uint32_t textureCount = 0;
    std::vector<FrameRect> frames;
    // Textures created for this list (a file load) are released with it; those found by name
    // (a memory registration) belong to whoever made them.
    bool ownsTextures = false;
    // The file's header and records as read (identity test and drawing).
    std::vector<uint8_t> image;
};

// The block of one running effect instance.
struct EmitParam {
    uint32_t motionType = 0;
    ZqMatrix transform{1.0f};
    ZqVector3 position{0.0f, 0.0f, 0.0f};
    ZqVector3 look{0.0f, 0.0f, 0.0f};
    ZqVector3 unused{0.0f, 0.0f, 0.0f};
    ZqVector3 fixedDirection{0.0f, 1.0f, 0.0f};
    ZqVector3 velocity{0.0f, 0.0f, 0.0f};
    ZqVector3 motion2{0.0f, 1.0f, 0.0f};
    ZqVector3 target{0.0f, 0.0f, 0.0f};
    const ZqVector3* liveTarget = nullptr;
    Rgb tint{255, 255, 255};
    float scale = 1.0f;
    const ZqMatrix* root = &ownRoot;
    ZqMatrix ownRoot{1.0f};
    uint32_t emitterCount = 0;
    uint32_t particleCount = 0;
    bool keepBirthRoot = false;
    const PMTEXTURE* texList = nullptr;

    EmitParam() = default;
    // The root address points into the block itself: a copy would point into its source.
    EmitParam(const EmitParam&) = delete;
    EmitParam& operator=(const EmitParam&) = delete;
};

// ---- random generator ---------------------------------------------------------------------
// One step of the generator; returns the new state as a signed value.
int32_t randNext();
// The state after one step, as unsigned, modulo n (n > 0; 0 gives 0 after the step).
uint32_t randMod(uint32_t n);
// 0 for n <= 0 without a step; else the signed state remainder n (sign of the state).
int32_t randSigned(int32_t n);
float randFraction(uint32_t n);
float randSignedFraction(int32_t n);
// (sin t * s, a, cos t * s), a in (-1, 1), t in (-3.1415, 3.1415), s = sqrt(1 - a^2).
ZqVector3 randUnitVector();

struct RandState {
    uint32_t state = 170;
    uint32_t counter = 0;
    uint32_t h = 1;
};
// The generator's state: for tests and tools that need to replay a sequence.
RandState randState();
void setRandState(const RandState& s);

// The factor 1 + r of a percentage field p; p = 0 gives 1 exactly and draws nothing.
float variationFactor(uint32_t p);
// trunc(v), saturated to the 32-bit signed range; NaN gives 0. Inline: every particle step
// converts several values.
inline int32_t truncI32(const double v) {
    if (!(v == v)) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return 2147483647;
    }
    if (v <= -2147483648.0) {
        return -2147483647 - 1;
    }
    return static_cast<int32_t>(v);
}

} // namespace ZquPm

namespace ZquPm {

// A loaded effect description: the stored image (identity tests compare its first 288 bytes)
// and the fields read from it.
struct PMD_HEADER {
    std::vector<uint8_t> image;
    uint16_t loop = 0;
    uint16_t frameRate = 0;
    uint32_t motionType = 0;
    std::string texList;
    float length = 0.0f;
    std::vector<EMITDATA> emitters;
};

} // namespace ZquPm
