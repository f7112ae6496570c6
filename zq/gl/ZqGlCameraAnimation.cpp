#include "zq/gl/ZqGlCameraAnimation.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlCameraAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlResourceFile_internal.h"
#include "zq/platform/os/lasterror.h"

#include <string>

// Reload leaves the last error alone when its argument is null or the path is not in use; the
// image of a reload is checked for size as one handed to create is, a file read by create is
// not.
struct ZqGlCameraAnimationTraits : zq_gl::ResourceFile<0, 0x10000>,
                                   ZqRefResourceDefaults<ZqGlCameraAnimation> {
    using T = ZqGlCameraAnimation;
    static constexpr uint32_t RELOAD_NULL = 0;
    static constexpr uint32_t NOT_LIVE = 0;
    static constexpr uint32_t MIN_SIZE = zqcamanim::MIN_DATA_SIZE;
    static constexpr uint32_t MAX_SIZE = zqcamanim::MAX_DATA_SIZE;
    static constexpr uint32_t RELOAD_MIN_SIZE = zqcamanim::MIN_DATA_SIZE;
    static constexpr uint32_t RELOAD_MAX_SIZE = zqcamanim::MAX_DATA_SIZE;

    static uint32_t parse(T& a, const uint8_t* const data, const uint32_t size, const bool reload,
                          const float rate) {
        return a.parse(data, size, rate, reload);
    }
    static uint32_t takeOver(T& live, T& fresh) {
        live.releaseBody();
        live.m_pKeyFrame = fresh.m_pKeyFrame;
        fresh.m_pKeyFrame = nullptr;
        return 0;
    }
};

using zqanim::within;

void ZqGlCameraAnimation::sysInit() {
    init(POOL_SIZE);
}

void ZqGlCameraAnimation::sysQuit() {
    quit();
}

ZqGlCameraAnimation* ZqGlCameraAnimation::create(const char16_t* const name, const void* const data,
                                                 const uint32_t size, const float rate) {
    return createResource(name, data, size, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::create(const char16_t* const name,
                                                 const char16_t* const path, const float rate) {
    return createResourceFile(name, path, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::reload(const void* const data, const uint32_t size,
                                                 const float rate) {
    return reloadResource(data, size, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::reload(const char16_t* const path, const float rate) {
    return reloadResourceFile(path, rate);
}

unsigned int ZqGlCameraAnimation::release() {
    return releaseResource();
}

void ZqGlCameraAnimation::releaseBody() {
    if (m_pKeyFrame != nullptr) {
        m_pKeyFrame->release();
        m_pKeyFrame = nullptr;
    }
}

uint32_t ZqGlCameraAnimation::parse(const uint8_t* const data, const uint32_t size,
                                    const float rate, const bool force) {
    const ZqByteReader in(data, size);
    const uint64_t n = size;
    float fps = rate;
    if (fps == 0.0f) {
        int32_t fileRate = 0;
        in.i32(zqanim::HEADER_FPS, fileRate);
        fps = static_cast<float>(fileRate) <= 1.0f ? 30.0f : static_cast<float>(fileRate);
    }
    uint32_t magic = 0;
    if (!in.u32(0, magic) || magic != zqanim::MAGIC) {
        return ERROR_MAGIC;
    }
    uint64_t chunk = 0;
    for (uint32_t i = 0;; ++i) {
        uint32_t offset = 0;
        // A table cut by the end of the data ends there.
        if (!in.u32(zqanim::HEADER_CHUNKS + 4ull * i, offset) || offset == 0) {
            break;
        }
        if (i == zqcamanim::MAX_CHUNKS) {
            return ERROR_NR_CHUNKS;
        }
        uint32_t type = 0;
        if (offset < zqanim::HEADER_SIZE || offset >= n || !in.u32(offset, type)) {
            return ERROR_CHUNK_OFFSET;
        }
        if (type != zqcamanim::CHUNK_CAMERA) {
            return ERROR_CHUNK_TYPE;
        }
        chunk = offset;
    }
    if (chunk == 0) {
        return ERROR_NO_CHUNK;
    }
    ZqGlKeyFrame::CreateData tracks[zqcamanim::NR_TRACKS];
    for (uint32_t t = 0; t < zqcamanim::NR_TRACKS; ++t) {
        uint32_t offset = 0;
        if (!in.u32(chunk + zqcamanim::CHUNK_TRACKS + 4ull * t, offset)) {
            return ERROR_TRACK_OFFSET;
        }
        const uint64_t record = chunk + offset;
        if (!within(record, n, zqanim::TRACK_SIZE)) {
            return ERROR_TRACK_OFFSET;
        }
        int16_t type = 0;
        uint16_t nrKeys = 0;
        uint8_t number = 0;
        uint8_t zero = 0;
        uint32_t framesOffset = 0;
        uint32_t valuesOffset = 0;
        in.i16(record + zqanim::TRACK_TYPE, type);
        in.u16(record + zqanim::TRACK_KEYS, nrKeys);
        in.u8(record + zqcamanim::TRACK_NUMBER, number);
        in.u8(record + zqcamanim::TRACK_ZERO, zero);
        in.u32(record + zqanim::TRACK_FRAMES, framesOffset);
        in.u32(record + zqanim::TRACK_VALUES, valuesOffset);
        if (type != zqcamanim::trackType(t)) {
            return ERROR_TRACK_TYPE;
        }
        if (number != t || zero != 0) {
            return ERROR_TRACK_NUMBER;
        }
        // Each table must hold all its keys, not only start inside the data.
        const uint64_t values = record + valuesOffset;
        const bool valuesFit =
            within(values, n, 4) && in.fits(values, nrKeys, 4ull * zqcamanim::floatsPerKey(t));
        const uint8_t* frames = nullptr;
        if (framesOffset != 0) {
            const uint64_t at = record + framesOffset;
            if (!within(at, n, 2) || !in.fits(at, nrKeys, 2)) {
                return ERROR_FRAMES;
            }
            frames = data + at;
        }
        if (!valuesFit) {
            return ERROR_VALUES;
        }
        tracks[t] = {static_cast<uint8_t>(type), nrKeys, frames, data + values};
    }
    int16_t frameCount = 0;
    uint8_t loop = 0;
    in.i16(zqanim::HEADER_FRAMES, frameCount);
    in.u8(zqanim::HEADER_LOOP, loop);
    const std::u16string name = std::u16string(getName()) + u"*camanim";
    const uint32_t total = frameCount > 0 ? static_cast<uint32_t>(frameCount) : 0;
    m_pKeyFrame =
        force ? ZqGlKeyFrame::createForce(name.c_str(), zqcamanim::NR_TRACKS, tracks, total, fps,
                                          loop)
              : ZqGlKeyFrame::create(name.c_str(), zqcamanim::NR_TRACKS, tracks, total, fps, loop);
    return m_pKeyFrame == nullptr ? zqp::getLastError() : 0;
}
