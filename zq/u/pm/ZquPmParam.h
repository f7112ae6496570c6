// The animated parameters of a particle: three-key scalars (alpha, sizes, line length), colour
// keys and the texture-frame animation. Each gets its start value and per-step increments at
// birth from the emitter record and is advanced once per step by its particle's update.
// Plain code on the engine's random generator (ZquPm.h).
#pragma once

#include "zq/u/pm/ZquPm.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

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
    // 0 on the plateau. Inline: every particle steps several keys each step.
    int step(const uint16_t a, const uint16_t life, const uint16_t li, const uint16_t lo) {
        if (li > 0 && a <= li) {
            value += in;
            return 1;
        }
        if (lo > 0 &&
            static_cast<int32_t>(life) - static_cast<int32_t>(a) < static_cast<int32_t>(lo)) {
            value -= out;
            return -1;
        }
        return 0;
    }
};

// Multiples of a 16-bit divisor d without a division: a 16-bit n is a multiple of d exactly
// when n * multipleKey(d) (mod 2^32) <= multipleKey(d) - 1. d = 0 counts as 1.
inline uint32_t multipleKey(const uint16_t d) {
    return 0xFFFFFFFFu / (d != 0 ? d : 1u) + 1u;
}
inline bool isMultiple(const uint16_t n, const uint32_t key) {
    return static_cast<uint32_t>(n * key) <= key - 1u;
}

// trunc(v) held to 0..255; NaN gives 0.
inline uint8_t colourByte(const float v) {
    return v >= 255.0f ? 255 : (v > 0.0f ? static_cast<uint8_t>(v) : 0);
}

// a (1 - w) + b w per channel, each held to a byte.
inline Rgb blendColour(const Rgb& a, const Rgb& b, const float w) {
    const float iw = 1.0f - w;
    return Rgb{colourByte(a.r * iw + b.r * w), colourByte(a.g * iw + b.g * w),
               colourByte(a.b * iw + b.b * w)};
}

struct ColourKeys {
    Rgb current;
    Rgb start;
    Rgb middle;
    Rgb end;

    // Start colour (random between the two start colours when the record says so), then the
    // tint towards the effect colour.
    void birth(const EMITDATA& rec, const Rgb& effectTint);
    // Blends start -> (middle ->) end by age; middle time 0 blends start to end directly.
    void step(const uint16_t a, const uint16_t life, const uint16_t middleTime) {
        setCurrent(packedAt(a, life, middleTime));
    }
    // The colour at age a (what step sets) packed as r | g << 8 | b << 16: kept in a register,
    // a caller copying it on does not read back the bytes just stored.
    uint32_t packedAt(const uint16_t a, const uint16_t life, const uint16_t middleTime) const {
        const float fa = static_cast<float>(a);
        if (middleTime == 0) {
            return blendPacked(start, end, life != 0 ? fa / static_cast<float>(life) : 1.0f);
        }
        if (a <= middleTime) {
            return blendPacked(start, middle, fa / static_cast<float>(middleTime));
        }
        const float span = static_cast<float>(life) - static_cast<float>(middleTime);
        return blendPacked(middle, end, span > 0.0f ? (fa - middleTime) / span : 1.0f);
    }
    void setCurrent(const uint32_t c) { unpack(c, current); }
    static void unpack(const uint32_t c, Rgb& out) {
        out.r = static_cast<uint8_t>(c);
        out.g = static_cast<uint8_t>(c >> 8);
        out.b = static_cast<uint8_t>(c >> 16);
    }

private:
    static uint32_t blendPacked(const Rgb& a, const Rgb& b, const float w) {
        const float iw = 1.0f - w;
        return static_cast<uint32_t>(colourByte(a.r * iw + b.r * w)) |
               static_cast<uint32_t>(colourByte(a.g * iw + b.g * w)) << 8 |
               static_cast<uint32_t>(colourByte(a.b * iw + b.b * w)) << 16;
    }
};

// The colour a pool's step last worked out and everything it was made from (key colours, age,
// life, middle time). Particles born together sit together in the draw lists and share all of
// it, so a burst blends its colour once a step.
class ColourMemo {
public:
    uint32_t packedAt(const ColourKeys& k, const uint16_t a, const uint16_t life,
                      const uint16_t middleTime) {
        // start, middle and end are the key's bytes 3..11.
        const unsigned char* const b = reinterpret_cast<const unsigned char*>(&k);
        uint64_t k0 = 0;
        std::memcpy(&k0, b + 3, 8);
        const uint64_t k1 = static_cast<uint64_t>(b[11]) | static_cast<uint64_t>(a) << 8 |
                            static_cast<uint64_t>(life) << 24 |
                            static_cast<uint64_t>(middleTime) << 40;
        if (!m_valid || k0 != m_k0 || k1 != m_k1) {
            m_value = k.packedAt(a, life, middleTime);
            m_k0 = k0;
            m_k1 = k1;
            m_valid = true;
        }
        return m_value;
    }

private:
    uint64_t m_k0 = 0;
    uint64_t m_k1 = 0;
    uint32_t m_value = 0;
    bool m_valid = false;
};
static_assert(sizeof(ColourKeys) == 12 && offsetof(ColourKeys, start) == 3 &&
                  offsetof(ColourKeys, end) == 9,
              "ColourMemo reads the key colours as bytes 3..11");

// Moves c towards e by the percentage p: trunc(c (1 - q)) + trunc(e q), q = p x 0.01.
Rgb tintColour(const Rgb& c, const Rgb& e, uint32_t p);

struct TextureFrame {
    uint32_t mode = 0;
    int16_t current = 0;
    int16_t first = 0;
    int16_t last = -1;
    uint16_t stepsPerFrame = 1;
    int16_t direction = 1;
    // multipleKey(stepsPerFrame), set with it.
    uint32_t stepsKey = 0;

    void birth(const EMITDATA& rec);
    // Nothing when the last frame is -1; acts when a is a multiple of the steps per frame.
    void step(const uint16_t a) {
        if (last != -1 && isMultiple(a, stepsKey)) {
            advance();
        }
    }

private:
    // Inline: every particle of an animated texture advances on its own schedule.
    void advance() {
        switch (mode) {
        case 1:
            if (current < last) {
                ++current;
            }
            break;
        case 2:
            ++current;
            if (current > last) {
                current = first;
            }
            break;
        case 3:
            if (direction > 0) {
                ++current;
                if (current >= last) {
                    current = last;
                    direction = -1;
                }
            } else {
                --current;
                if (current <= first) {
                    current = first;
                    direction = 1;
                }
            }
            break;
        case 4: {
            const int32_t n = static_cast<int32_t>(last) - first + 1;
            current =
                n >= 1 ? static_cast<int16_t>(first + static_cast<int32_t>(randMod(n))) : first;
            break;
        }
        default:
            break;
        }
    }
};

// trunc(|value| x 10000) as the bound of a signed random fraction: 0 when below 1, without a
// draw; else a value between -|value| and +|value|.
float randSpread(float value);

} // namespace ZquPm
