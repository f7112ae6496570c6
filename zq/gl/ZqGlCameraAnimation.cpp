#include "zq/gl/ZqGlCameraAnimation.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlCameraAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlResourceFile.h"
#include "zq/platform/os/lasterror.h"

#include <string>

namespace {

constexpr uint32_t ERROR_NO_FREE = 0x20003600;
constexpr uint32_t ERROR_READ = 0x20003601;
constexpr uint32_t ERROR_NULL = 0x20003602;
constexpr uint32_t ERROR_SIZE = 0x20003603;
constexpr uint32_t ERROR_MAGIC = 0x20003605;
constexpr uint32_t ERROR_NR_CHUNKS = 0x20003606;
constexpr uint32_t ERROR_CHUNK_OFFSET = 0x20003607;
constexpr uint32_t ERROR_CHUNK_TYPE = 0x20003608;
constexpr uint32_t ERROR_NO_CHUNK = 0x20003609;
constexpr uint32_t ERROR_TRACK_OFFSET = 0x2000360A;
constexpr uint32_t ERROR_TRACK_TYPE = 0x2000360B;
constexpr uint32_t ERROR_TRACK_NUMBER = 0x2000360C;
constexpr uint32_t ERROR_FRAMES = 0x2000360D;
constexpr uint32_t ERROR_VALUES = 0x2000360E;

constexpr uint32_t FILE_LIMIT = 0x10000;

} // namespace

using zqanim::within;

void ZqGlCameraAnimation::sysInit() {
    init(POOL_SIZE);
}

void ZqGlCameraAnimation::sysQuit() {
    quit();
}

ZqGlCameraAnimation* ZqGlCameraAnimation::create(const char16_t* const name, const void* const data,
                                                 const uint32_t size, const float rate) {
    if (name == nullptr || data == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (size < zqcamanim::MIN_DATA_SIZE || size > zqcamanim::MAX_DATA_SIZE) {
        zqp::setLastError(ERROR_SIZE);
        return nullptr;
    }
    return createLocked(name, data, size, nullptr, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::create(const char16_t* const name,
                                                 const char16_t* const path, const float rate) {
    if (name == nullptr || path == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    return createLocked(name, nullptr, 0, path, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::createLocked(const char16_t* const name,
                                                       const void* const data, const uint32_t size,
                                                       const char16_t* const path,
                                                       const float rate) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlCameraAnimation* const a = ZqRefList::create(name);
    if (a == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (a->getRefCountBody() != 1) {
        return a;
    }
    zq_gl::FileBuffer file;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    uint32_t n = size;
    if (path != nullptr) {
        file = zq_gl::loadResourceFile(path, 0, FILE_LIMIT, n);
        if (file == nullptr) {
            ZqRefList::release(a);
            zqp::setLastError(ERROR_READ);
            return nullptr;
        }
        bytes = static_cast<const uint8_t*>(file.get());
    }
    const uint32_t error = a->parse(bytes, n, rate, false);
    if (error != 0) {
        ZqRefList::release(a);
        zqp::setLastError(error);
        return nullptr;
    }
    return a;
}

ZqGlCameraAnimation* ZqGlCameraAnimation::reload(const void* const data, const uint32_t size,
                                                 const float rate) {
    if (data == nullptr || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    return reloadLocked(data, size, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::reload(const char16_t* const path, const float rate) {
    if (path == nullptr || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        return nullptr;
    }
    uint32_t size = 0;
    const zq_gl::FileBuffer file = zq_gl::loadResourceFile(path, 0, FILE_LIMIT, size);
    if (file == nullptr) {
        zqp::setLastError(ERROR_READ);
        return nullptr;
    }
    return reloadLocked(file.get(), size, rate);
}

ZqGlCameraAnimation* ZqGlCameraAnimation::reloadLocked(const void* const data, const uint32_t size,
                                                       const float rate) {
    if (searchBody(this) == nullptr) {
        return nullptr;
    }
    if (size < zqcamanim::MIN_DATA_SIZE || size > zqcamanim::MAX_DATA_SIZE) {
        zqp::setLastError(ERROR_SIZE);
        return nullptr;
    }
    ZqGlCameraAnimation* const fresh = ZqRefList::createForce(getName());
    if (fresh == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const uint32_t error = fresh->parse(static_cast<const uint8_t*>(data), size, rate, true);
    if (error != 0) {
        ZqRefList::release(fresh);
        zqp::setLastError(error);
        return nullptr;
    }
    releaseBody();
    m_pKeyFrame = fresh->m_pKeyFrame;
    fresh->m_pKeyFrame = nullptr;
    ZqRefList::release(fresh);
    return this;
}

unsigned int ZqGlCameraAnimation::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    if (getRefCountBody() == 1) {
        releaseBody();
    }
    return ZqRefList::release(this);
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
