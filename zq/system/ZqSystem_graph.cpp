// ZqSystem: the frame statistics graph, a diagnostic overlay of the last 200 frames.

#include "zq/system/ZqSystem.h"

#include "zq/gl/ZqGlLine.h"
#include "zq/math/ZqVector2.h"
#include "zq/platform/os/os.h"

namespace {

constexpr uint32_t NR_SAMPLES = 200;
constexpr uint32_t NR_AVERAGED = 20;

// The figures of one frame, in the order of a history slot.
enum Figure : uint32_t {
    SYSTEM_TIME,
    MAIN_TASK_TIME,
    DRAW_TASK_TIME,
    FRAME_STEP,
    AVERAGE_COST,
    AVERAGE_STEP,
    NR_FIGURES
};

// The ring of samples; g_next is the slot the next call writes. Main thread only.
float g_history[NR_SAMPLES][NR_FIGURES] = {};
uint32_t g_next = 0;

// Curves in drawing order: what each point's value is, and its colour.
enum Curve : uint32_t {
    SYSTEM,
    SYSTEM_MAIN,
    SYSTEM_MAIN_DRAW,
    STEP,
    COST,
    STEP_AVERAGE,
    NR_CURVES
};

float curveValue(const float* const s, const Curve curve) {
    switch (curve) {
    case SYSTEM:
        return s[SYSTEM_TIME];
    case SYSTEM_MAIN:
        return s[SYSTEM_TIME] + s[MAIN_TASK_TIME];
    case SYSTEM_MAIN_DRAW:
        return s[SYSTEM_TIME] + s[MAIN_TASK_TIME] + s[DRAW_TASK_TIME];
    case STEP:
        return s[FRAME_STEP];
    case COST:
        return s[AVERAGE_COST];
    default:
        return s[AVERAGE_STEP];
    }
}

// At least 1 ms; a value that does not compare (NaN) also becomes 1.
float atLeastOne(const float v) {
    return v >= 1.0f ? v : 1.0f;
}

} // namespace

void ZqSystem::drawStateGraph(const float x, const float y, const float width, const float height,
                              float* const averageCost, float* const averageStep,
                              uint64_t* const totalPhysical, uint64_t* const availablePhysical,
                              uint64_t* const privateBytes) {
    const uint32_t c = g_next;
    float* const slot = g_history[c];
    slot[SYSTEM_TIME] = static_cast<float>(m_systemTime);
    slot[MAIN_TASK_TIME] = static_cast<float>(m_mainTaskTime);
    slot[DRAW_TASK_TIME] = static_cast<float>(m_drawTaskTime);
    slot[FRAME_STEP] = m_fTimeTick;

    uint32_t load = 0;
    uint64_t total = 0;
    uint64_t available = 0;
    if (!zqp::memoryStatus(load, total, available)) {
        load = 0;
        total = 0;
        available = 0;
    }
    uint64_t own = 0;
    if (!zqp::processPrivateBytes(own)) {
        own = 0;
    }

    // Averages over the 20 frames before this one.
    float cost = 0.0f;
    float step = 0.0f;
    for (uint32_t i = 1; i <= NR_AVERAGED; ++i) {
        const float* const s = g_history[(c + NR_SAMPLES - i) % NR_SAMPLES];
        cost += s[SYSTEM_TIME] + s[MAIN_TASK_TIME] + s[DRAW_TASK_TIME];
        step += s[FRAME_STEP];
    }
    cost *= 0.05f;
    step *= 0.05f;
    slot[AVERAGE_COST] = cost;
    slot[AVERAGE_STEP] = step;

    if (averageCost != nullptr) {
        *averageCost = atLeastOne(cost);
    }
    if (averageStep != nullptr) {
        *averageStep = atLeastOne(step);
    }
    if (totalPhysical != nullptr) {
        *totalPhysical = total;
    }
    if (availablePhysical != nullptr) {
        *availablePhysical = available;
    }
    if (privateBytes != nullptr) {
        *privateBytes = own;
    }

    // The box spans 33.3 ms; point k shows slot c + k, so the leftmost point is this frame
    // and the rest run from the oldest sample to the previous frame.
    const float scale = height * 0.03f;
    const float base = y + height - 1.0f;
    ZqVector2 curves[NR_CURVES][NR_SAMPLES];
    for (uint32_t k = 0; k < NR_SAMPLES; ++k) {
        const float* const s = g_history[(c + k) % NR_SAMPLES];
        const float px = x + static_cast<float>(k) * width * 0.005f;
        for (uint32_t curve = 0; curve < NR_CURVES; ++curve) {
            curves[curve][k] =
                ZqVector2(px, base - curveValue(s, static_cast<Curve>(curve)) * scale);
        }
    }

    const float right = x + width - 1.0f;
    const float middle = y + height * 0.5f;
    const float loadY = base - static_cast<float>(load) * height * 0.01f;
    const ZqVector2 box[5] = {{x, y}, {right, y}, {right, y + height}, {x, y + height}, {x, y}};
    const ZqVector2 middleLine[2] = {{x, middle}, {right, middle}};
    const ZqVector2 loadLine[2] = {{x, loadY}, {x + width, loadY}};

    ZqGlLine::setWidth(1.0f);
    ZqGlLine::begin();
    ZqGlLine::setColor(0xFFFFFFFFu);
    ZqGlLine::draw(box, 5);
    ZqGlLine::draw(middleLine, 2);
    ZqGlLine::setColor(0xFF0080FFu);
    ZqGlLine::draw(loadLine, 2);
    static constexpr struct {
        Curve curve;
        uint32_t color;
    } order[NR_CURVES] = {
        {SYSTEM, 0xFFFF0000u}, {SYSTEM_MAIN, 0xFFDC7800u}, {SYSTEM_MAIN_DRAW, 0xFFB4B400u},
        {COST, 0xFFFFFF00u},   {STEP, 0xFF00B400u},        {STEP_AVERAGE, 0xFF00FF00u},
    };
    for (const auto& o : order) {
        ZqGlLine::setColor(o.color);
        ZqGlLine::draw(curves[o.curve], NR_SAMPLES);
    }
    ZqGlLine::end();

    g_next = (c + 1) % NR_SAMPLES;
}
