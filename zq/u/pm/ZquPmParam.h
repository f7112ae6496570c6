// The animated parameters of a particle: three-key scalars (alpha, sizes, line length), colour
// keys and the texture-frame animation. Each gets its start value and per-step increments at
// birth from the emitter record and is advanced once per step by its particle's update.
// Plain code on the engine's random generator (ZquPm.h).
#pragma once

#include "zq/u/pm/ZquPm.h"

#include <cstdint>

namespace ZquPm {

// Indices of a particle's seven phase lengths.
enum Phase : int {
    PHASE_ALPHA_IN = 0,
    PHASE_ALPHA_OUT,
    PHASE_SIZE_IN,
    PHASE_SIZE_OUT,
    PHASE_SIZE2_IN,
    PHASE_SIZE2_OUT,
    PHASE_COLOUR_MIDDLE,
    PHASE_COUNT,
};

// Start key k0, middle k1, end k2: rises in the in-phase, holds, falls in the out-phase.
struct ThreeKey {
    float value = 0.0f;
    float in = 0.0f;
    float out = 0.0f;

    // keys scaled by factor * scale; clampAlpha caps each key at 255 (no lower bound).
    void birth(const float keys[3], float factor, float scale, bool clampAlpha, uint16_t li,
               uint16_t lo);
    // One step at the new age a of a particle of life L: +1 after a rise, -1 after a fall,
    // 0 on the plateau.
    int step(uint16_t a, uint16_t life, uint16_t li, uint16_t lo);
};

struct ColourKeys {
    Rgb current;
    Rgb start;
    Rgb middle;
    Rgb end;

    // Start colour (random between the two start colours when the record says so), then the
    // tint towards the effect colour.
    void birth(const EMITDATA& rec, const Rgb& effectTint);
    // Blends start -> (middle ->) end by age; middle time 0 blends start to end directly.
    void step(uint16_t a, uint16_t life, uint16_t middleTime);
};

// Moves c towards e by the percentage p: trunc(c (1 - q)) + trunc(e q), q = p x 0.01.
Rgb tintColour(const Rgb& c, const Rgb& e, uint32_t p);

struct TextureFrame {
    uint32_t mode = 0;
    int16_t current = 0;
    int16_t first = 0;
    int16_t last = -1;
    uint16_t stepsPerFrame = 1;
    int16_t direction = 1;

    void birth(const EMITDATA& rec);
    // Nothing when the last frame is -1; acts when a is a multiple of the steps per frame.
    void step(uint16_t a);
};

// trunc(|value| x 10000) as the bound of a signed random fraction: 0 when below 1, without a
// draw; else a value between -|value| and +|value|.
float randSpread(float value);

} // namespace ZquPm
