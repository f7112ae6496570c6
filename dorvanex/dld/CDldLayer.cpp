#include "dorvanex/dld/CDldLayer.h"

#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldFile.h"

#include <cmath>
#include <limits>

namespace {

int32_t clampFrame(const int64_t frame) {
    constexpr int64_t lo = std::numeric_limits<int32_t>::min();
    constexpr int64_t hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(frame < lo ? lo : (frame > hi ? hi : frame));
}

// Whole units in a float, saturated to what a frame number can take.
int64_t wholeCount(const double v) {
    return v >= 4.0e9 ? int64_t{4000000000} : static_cast<int64_t>(v);
}

} // namespace

void CDldTimer::advance(const float dt) {
    const float step = dt * units * 0.001f;
    fraction += rate * speed * step;
    normalise(step);
}

void CDldTimer::normalise(const float step) {
    if (!std::isfinite(fraction) || !(units > 0.0f)) {
        fraction = 0.0f;
    }
    // Carry: the fraction ends in (0, units] going forward, [0, units) going back.
    if (step > 0.0f) {
        if (fraction > units) {
            int64_t k = wholeCount(std::ceil(static_cast<double>(fraction) / units)) - 1;
            fraction -= static_cast<float>(static_cast<double>(k) * units);
            while (fraction > units) {
                fraction -= units;
                ++k;
            }
            while (fraction <= 0.0f && k > 0) {
                fraction += units;
                --k;
            }
            frame = clampFrame(int64_t{frame} + k);
        }
    } else if (fraction < 0.0f) {
        int64_t k = wholeCount(std::ceil(-static_cast<double>(fraction) / units));
        fraction += static_cast<float>(static_cast<double>(k) * units);
        while (fraction < 0.0f) {
            fraction += units;
            ++k;
        }
        frame = clampFrame(int64_t{frame} - k);
    }
    const int64_t length = int64_t{end} - start;
    if (loopMode == 0) {
        if (length <= 0) {
            // A range of one frame or none: nothing to wrap around; hold its first frame.
            if (frame != start || fraction != 0.0f) {
                frame = start;
                fraction = 0.0f;
                hit = 1;
            }
            return;
        }
        if (step >= 0.0f && (frame > end || (frame == end && fraction != 0.0f))) {
            const int64_t excess = int64_t{frame} - end;
            const int64_t k =
                fraction != 0.0f ? excess / length + 1 : (excess + length - 1) / length;
            frame = clampFrame(int64_t{frame} - k * length);
            hit = 1;
        }
        if (step <= 0.0f && frame < start) {
            const int64_t turn = length + (fraction == 0.0f ? 1 : 0);
            const int64_t k = (int64_t{start} - frame + turn - 1) / turn;
            frame = clampFrame(int64_t{frame} + k * turn);
            hit = 1;
        }
        return;
    }
    if (step > 0.0f && (frame > end || (frame == end && fraction > 0.0f))) {
        frame = end;
        fraction = 0.0f;
        hit = 1;
    } else if (step < 0.0f && frame < start) {
        frame = start;
        fraction = 0.0f;
        hit = 1;
    }
}

int32_t CDldTimer::getTime() const {
    if (!(rate > 0.0f) || !(units > 0.0f)) {
        return 0;
    }
    const double ms = static_cast<double>(frame) * 1000.0 / rate +
                      static_cast<double>(fraction) / units * 1000.0 / rate;
    return static_cast<int32_t>(ms);
}

CDldLayer::~CDldLayer() {
    clear();
}

void CDldLayer::setFile(CDldFile* const file, const uint32_t index) {
    if (file != nullptr) {
        file->addRef();
    }
    dldRelease(m_pFile);
    m_pFile = file;
    m_index = index;
    m_timer = CDldTimer();
    const CDldLayerRecord record =
        m_pFile != nullptr ? m_pFile->getTables().getLayer(index) : CDldLayerRecord();
    m_timer.start = 0;
    m_timer.end = static_cast<int32_t>(
        int64_t{record.frameCount} > INT32_MAX ? INT32_MAX : int64_t{record.frameCount} - 1);
    if (record.rate != 0) {
        m_timer.rate = static_cast<float>(record.rate);
    }
    m_timer.speed = 1.0f;
    m_timer.loopMode = 0;
    m_state = STATE_IDLE;
}

void CDldLayer::setIndex(const uint32_t index) {
    CDldFile* const file = m_pFile;
    if (file != nullptr) {
        file->addRef();
    }
    setFile(file, index);
    if (file != nullptr) {
        file->release();
    }
}

void CDldLayer::play(const uint32_t endMode) {
    m_endMode = endMode;
    m_timer.hit = 0;
    m_timer.frame = m_timer.start;
    m_timer.fraction = 0.0f;
    m_timer.loopMode = endMode != 0 ? 1 : 0;
    m_state = STATE_PLAYING;
    update(0.0f);
}

void CDldLayer::setFrame(const int32_t frame, const float fraction) {
    m_timer.frame = frame;
    m_timer.fraction = fraction;
    m_timer.normalise(0.0f);
}

void CDldLayer::setUserCallback(const CDldCellCallback function, void* const data) {
    m_callback = function;
    m_callbackData = function != nullptr ? data : nullptr;
}

void CDldLayer::update(const float dt) {
    if (m_state != STATE_PLAYING) {
        return;
    }
    // A layer without frames has nothing to play: it ends at once.
    if (m_timer.end < m_timer.start) {
        m_timer.hit = 1;
        m_state = STATE_ENDED;
        return;
    }
    m_timer.advance(dt);
    if (m_timer.hit != 0 && m_endMode != END_LOOP) {
        m_state = STATE_ENDED;
    }
}

void CDldLayer::draw() {
    if (m_pFile == nullptr || m_state == STATE_IDLE ||
        (m_state == STATE_ENDED && m_endMode == END_HIDE)) {
        return;
    }
    CDldClipStack empty;
    CDldClipStack& clip = m_renderInfo.clip != nullptr ? *m_renderInfo.clip : empty;
    const uint32_t saved = dldGetCurrentPriority();
    if (m_priority != -1) {
        dldSetCurrentPriority(static_cast<uint32_t>(m_priority));
    }
    const CDldCellCallback callback = m_callback != nullptr ? m_callback : dldDefaultCellCallback;
    void* const data = m_callback != nullptr ? m_callbackData : m_pFile;
    m_pFile->getTables().evaluate(m_index, m_timer.getTime(), m_transform.getMatrix(), m_renderInfo,
                                  clip, callback, data);
    if (m_priority != -1) {
        dldSetCurrentPriority(saved);
    }
}

void CDldLayer::clear() {
    dldRelease(m_pFile);
    m_transform = CDldTransform();
    m_renderInfo = CDldRenderInfo();
    m_timer = CDldTimer();
    m_index = 0;
    m_callback = nullptr;
    m_callbackData = nullptr;
    m_endMode = 0;
    m_state = STATE_IDLE;
    m_priority = -1;
}
