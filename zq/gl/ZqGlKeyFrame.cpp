#include "zq/gl/ZqGlKeyFrame.h"

#include "zq/file/ZqByteReader.h"
#include "zq/math/ZqQuat.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

struct TypeInfo {
    uint8_t type;
    uint8_t nrValues;
    ZqGlKeyFrame::Interpolate interpolate;
};

const TypeInfo* findType(const uint8_t type) {
    static const TypeInfo table[] = {
        {ZqGlKeyFrame::TYPE_QUAT, 4, &ZqGlKeyFrame::interpolateQuatSlerp},
        {ZqGlKeyFrame::TYPE_QUAT_PACKED, 4, &ZqGlKeyFrame::interpolateQuatSlerp},
        {ZqGlKeyFrame::TYPE_XYZ, 3, &ZqGlKeyFrame::interpolateXyzLerp},
        {ZqGlKeyFrame::TYPE_XYZ_HALF, 3, &ZqGlKeyFrame::interpolateXyzLerp},
        {ZqGlKeyFrame::TYPE_XYZ_HALF_BASE, 3, &ZqGlKeyFrame::interpolateXyzLerp},
        {ZqGlKeyFrame::TYPE_XYZW, 4, &ZqGlKeyFrame::interpolateXyzwLerp},
        {ZqGlKeyFrame::TYPE_SCALAR, 1, &ZqGlKeyFrame::interpolateScalarLerp},
        {ZqGlKeyFrame::TYPE_SCALE, 4, &ZqGlKeyFrame::interpolateXyzwLerp},
    };
    for (const TypeInfo& t : table) {
        if (t.type == type) {
            return &t;
        }
    }
    return nullptr;
}

float loadFloat(const uint8_t* const p) {
    return ZqByteReader::load<float>(p);
}

} // namespace

void ZqGlKeyFrame::sysInit() {
    init(POOL_SIZE);
}

void ZqGlKeyFrame::sysQuit() {
    quit();
}

float ZqGlKeyFrame::decodeHalf(const uint16_t h) {
    // The files' half floats: exponent re-biased, no case for zero, subnormals or infinities.
    const uint32_t bits = (static_cast<uint32_t>(h & 0x8000u) << 16) |
                          ((((h >> 10) & 31u) + 112u) << 23) |
                          (static_cast<uint32_t>(h & 0x3FFu) << 13);
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void ZqGlKeyFrame::decodePackedQuat(const uint8_t* const bytes, float out[4]) {
    uint64_t v = 0;
    for (int i = 5; i >= 0; --i) {
        v = (v << 8) | bytes[i];
    }
    float s = 0.0f;
    const uint32_t sBits = 0x46B50389u;
    std::memcpy(&s, &sBits, sizeof s);
    const float k = s * 0.70710677f;
    const float inv = 1.0f / s;
    const float p = (static_cast<float>((v >> 2) & 0x7FFF) - k) * inv;
    const float q = (static_cast<float>((v >> 17) & 0x7FFF) - k) * inv;
    const float r = (static_cast<float>((v >> 32) & 0x7FFF) - k) * inv;
    // Stored components can square-sum a little above 1; the root is clamped at 0 so that such
    // a key gives a valid rotation instead of NaN.
    const float radicand = 1.0f - (p * p + q * q + r * r);
    const float root = std::sqrt(radicand > 0.0f ? radicand : 0.0f);
    const float rest[3] = {r, q, p};
    const uint32_t omitted = static_cast<uint32_t>(v & 3);
    uint32_t next = 0;
    for (uint32_t c = 0; c < 4; ++c) {
        out[c] = c == omitted ? root : rest[next++];
    }
}

ZqGlKeyFrame* ZqGlKeyFrame::create(const char16_t* const name, const uint32_t nrTracks,
                                   const CreateData* const data, const uint32_t totalFrames,
                                   const float rate, const uint8_t loopMode) {
    return createCommon(name, nrTracks, data, totalFrames, rate, loopMode, false);
}

ZqGlKeyFrame* ZqGlKeyFrame::createForce(const char16_t* const name, const uint32_t nrTracks,
                                        const CreateData* const data, const uint32_t totalFrames,
                                        const float rate, const uint8_t loopMode) {
    return createCommon(name, nrTracks, data, totalFrames, rate, loopMode, true);
}

ZqGlKeyFrame* ZqGlKeyFrame::createCommon(const char16_t* const name, const uint32_t nrTracks,
                                         const CreateData* const data, const uint32_t totalFrames,
                                         const float rate, const uint8_t loopMode,
                                         const bool force) {
    if (nrTracks < 1 || nrTracks > MAX_TRACKS || data == nullptr) {
        zqp::setLastError(ERROR_NR_TRACKS);
        return nullptr;
    }
    for (uint32_t i = 0; i < nrTracks; ++i) {
        if (data[i].nrKeys < 1 || data[i].nrKeys > MAX_KEYS) {
            zqp::setLastError(ERROR_NR_KEYS);
            return nullptr;
        }
    }
    if (totalFrames == 0 || totalFrames > static_cast<uint32_t>(INT32_MAX) ||
        !std::isfinite(rate) || !(rate > 0.0f)) {
        zqp::setLastError(ERROR_TIMING);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlKeyFrame* const set = force ? ZqRefList::createForce(name) : ZqRefList::create(name);
    if (set == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (set->getRefCountBody() != 1) {
        return set;
    }
    const uint32_t error = set->build(nrTracks, data, totalFrames, rate, loopMode);
    if (error != 0) {
        set->releaseBody();
        ZqRefList::release(set);
        zqp::setLastError(error);
        return nullptr;
    }
    return set;
}

uint32_t ZqGlKeyFrame::build(const uint32_t nrTracks, const CreateData* const data,
                             const uint32_t totalFrames, const float rate, const uint8_t loopMode) {
    m_totalFrames = totalFrames;
    m_rate = rate;
    m_loopMode = loopMode;
    m_nrTracks = static_cast<uint8_t>(nrTracks);
    m_totalTime = static_cast<float>(static_cast<double>(totalFrames) / rate * 1000.0);

    size_t nrValues = 0;
    size_t nrFrames = 0;
    for (uint32_t i = 0; i < nrTracks; ++i) {
        const TypeInfo* const info = findType(data[i].type);
        if (info == nullptr) {
            return ERROR_TYPE;
        }
        nrValues += static_cast<size_t>(data[i].nrKeys) * info->nrValues;
        nrFrames += data[i].nrKeys;
    }
    try {
        m_vTracks.assign(nrTracks, Track{});
        m_vValues.assign(nrValues, 0.0f);
        m_vFrames.assign(nrFrames, 0);
        m_vTimes.assign(2 * nrFrames, 0.0f);
    } catch (const std::bad_alloc&) {
        throw ZqError::KEY_FRAME_MEMORY;
    }

    float* values = m_vValues.data();
    uint16_t* frames = m_vFrames.data();
    float* times = m_vTimes.data();
    for (uint32_t i = 0; i < nrTracks; ++i) {
        const CreateData& d = data[i];
        const TypeInfo* const info = findType(d.type);
        Track& track = m_vTracks[i];
        track.type = d.type;
        track.nrValues = info->nrValues;
        track.nrKeys = d.nrKeys;
        track.interpolate = info->interpolate;
        track.values = values;
        track.frames = frames;
        track.times = times;
        track.startTimes = times + d.nrKeys;

        if (d.frames != nullptr) {
            const auto* const f = static_cast<const uint8_t*>(d.frames);
            for (uint32_t k = 0; k < d.nrKeys; ++k) {
                frames[k] = ZqByteReader::load<uint16_t>(f + 2 * k);
                if (k == 0 && frames[0] != 0) {
                    return ERROR_FIRST_FRAME;
                }
                if (k != 0 && frames[k] <= frames[k - 1]) {
                    return ERROR_FRAME_ORDER;
                }
            }
        } else {
            for (uint32_t k = 0; k < d.nrKeys; ++k) {
                frames[k] = static_cast<uint16_t>(k);
            }
        }
        for (uint32_t k = 0; k < d.nrKeys; ++k) {
            const float frame = static_cast<float>(frames[k]);
            times[k] = frame * (1.0f / rate) * 1000.0f;
            times[d.nrKeys + k] = frame / rate * 1000.0f;
        }

        const auto* const v = static_cast<const uint8_t*>(d.values);
        const uint32_t n = static_cast<uint32_t>(d.nrKeys) * info->nrValues;
        switch (d.type) {
        case TYPE_QUAT_PACKED:
            for (uint32_t k = 0; k < d.nrKeys; ++k) {
                decodePackedQuat(v + 6 * k, values + 4 * k);
            }
            break;
        case TYPE_XYZ_HALF:
            for (uint32_t j = 0; j < n; ++j) {
                values[j] = decodeHalf(ZqByteReader::load<uint16_t>(v + 2 * j));
            }
            break;
        case TYPE_XYZ_HALF_BASE: {
            const float base[3] = {loadFloat(v), loadFloat(v + 4), loadFloat(v + 8)};
            for (uint32_t j = 0; j < n; ++j) {
                values[j] = base[j % 3] + decodeHalf(ZqByteReader::load<uint16_t>(v + 12 + 2 * j));
            }
            break;
        }
        default:
            for (uint32_t j = 0; j < n; ++j) {
                values[j] = loadFloat(v + 4 * j);
            }
            break;
        }
        values += n;
        frames += d.nrKeys;
        times += 2 * static_cast<size_t>(d.nrKeys);
    }
    return 0;
}

void ZqGlKeyFrame::releaseBody() {
    m_vTracks.clear();
    m_vTracks.shrink_to_fit();
    m_vValues.clear();
    m_vValues.shrink_to_fit();
    m_vFrames.clear();
    m_vFrames.shrink_to_fit();
    m_vTimes.clear();
    m_vTimes.shrink_to_fit();
    m_nrTracks = 0;
}

unsigned int ZqGlKeyFrame::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    if (getRefCountBody() == 1) {
        releaseBody();
    }
    return ZqRefList::release(this);
}

// ---------------------------------------------------------------------------------------------
// Interpolation

void ZqGlKeyFrame::interpolateQuatSlerp(const Track& track, Work& work, const uint32_t k,
                                        const float t) {
    const ZqQuat a(track.values + 4 * (k - 1));
    const ZqQuat b(track.values + 4 * k);
    ZqQuat q;
    q.slerp(a, b, t);
    work.values[0] = q.x;
    work.values[1] = q.y;
    work.values[2] = q.z;
    work.values[3] = q.w;
}

void ZqGlKeyFrame::interpolateXyzLerp(const Track& track, Work& work, const uint32_t k,
                                      const float t) {
    const float* const a = track.values + 3 * (k - 1);
    const float* const b = a + 3;
    for (int c = 0; c < 3; ++c) {
        work.values[c] = a[c] + (b[c] - a[c]) * t;
    }
    work.values[3] = 1.0f;
}

void ZqGlKeyFrame::interpolateXyzwLerp(const Track& track, Work& work, const uint32_t k,
                                       const float t) {
    const float* const a = track.values + 4 * (k - 1);
    const float* const b = a + 4;
    for (int c = 0; c < 4; ++c) {
        work.values[c] = a[c] + (b[c] - a[c]) * t;
    }
}

void ZqGlKeyFrame::interpolateScalarLerp(const Track& track, Work& work, const uint32_t k,
                                         const float t) {
    const float a = track.values[k - 1];
    const float b = track.values[k];
    work.values[0] = (1.0f - t) * a + t * b;
}
