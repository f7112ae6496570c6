#include "zq/u/pm/ZquPmParam.h"

#include <cmath>

namespace ZquPm {

void ThreeKey::birth(const float keys[3], const float factor, const float scale,
                     const bool clampAlpha, const uint16_t li, const uint16_t lo) {
    float k[3];
    for (int i = 0; i < 3; ++i) {
        k[i] = keys[i] * factor * scale;
        if (clampAlpha && k[i] > 255.0f) {
            k[i] = 255.0f;
        }
    }
    value = li > 0 ? k[0] : k[1];
    in = li > 0 ? (k[1] - k[0]) / static_cast<float>(li) : 0.0f;
    out = lo > 0 ? (k[1] - k[2]) / static_cast<float>(lo) : 0.0f;
}

Rgb tintColour(const Rgb& c, const Rgb& e, const uint32_t p) {
    const float q = static_cast<float>(p) * 0.01f;
    const auto ch = [q](const uint8_t cv, const uint8_t ev) {
        return static_cast<uint8_t>(truncI32(cv * (1.0f - q)) + truncI32(ev * q));
    };
    return Rgb{ch(c.r, e.r), ch(c.g, e.g), ch(c.b, e.b)};
}

void ColourKeys::birth(const EMITDATA& rec, const Rgb& effectTint) {
    start = rec.colourStart;
    if (rec.randomColour != 0) {
        const float u = randFraction(10000);
        const auto ch = [u](const uint8_t s, const uint8_t s2) {
            return static_cast<uint8_t>(
                truncI32(static_cast<float>(s) + (static_cast<float>(s2) - s) * u));
        };
        start = Rgb{ch(start.r, rec.colourStart2.r), ch(start.g, rec.colourStart2.g),
                    ch(start.b, rec.colourStart2.b)};
    }
    middle = rec.colourMiddle;
    end = rec.colourEnd;
    if (rec.tintPct != 0) {
        start = tintColour(start, effectTint, rec.tintPct);
        middle = tintColour(middle, effectTint, rec.tintPct);
        end = tintColour(end, effectTint, rec.tintPct);
    }
    current = start;
}

void TextureFrame::birth(const EMITDATA& rec) {
    mode = rec.frameMode;
    first = static_cast<int16_t>(rec.frameFirst);
    last = static_cast<int16_t>(rec.frameLast);
    // 0 steps per frame would divide by zero in the step: it counts as 1.
    stepsPerFrame = static_cast<uint16_t>(rec.frameSteps);
    if (stepsPerFrame == 0) {
        stepsPerFrame = 1;
    }
    stepsKey = multipleKey(stepsPerFrame);
    direction = 1;
    current = first;
    if (last != -1 && (mode == 0 || mode == 4)) {
        const int32_t n = static_cast<int32_t>(last) - first + 1;
        if (n >= 1) {
            current = static_cast<int16_t>(first + static_cast<int32_t>(randMod(n)));
        }
    }
}

float randSpread(const float value) {
    const int32_t n = truncI32(std::fabs(static_cast<double>(value)) * 10000.0);
    return n < 1 ? 0.0f : randSignedFraction(n);
}

} // namespace ZquPm
