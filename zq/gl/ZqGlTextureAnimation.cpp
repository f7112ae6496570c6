#include "zq/gl/ZqGlTextureAnimation.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlResourceFile.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <new>
#include <string>

namespace {

constexpr uint32_t ERROR_NO_FREE = 0x20003400;
constexpr uint32_t ERROR_READ = 0x20003401;
constexpr uint32_t ERROR_NULL = 0x20003402;
constexpr uint32_t ERROR_SIZE = 0x20003403;
constexpr uint32_t ERROR_NOT_LIVE = 0x20003404;
constexpr uint32_t ERROR_MAGIC = 0x20003405;
constexpr uint32_t ERROR_NR_CHUNKS = 0x20003406;
constexpr uint32_t ERROR_CHUNK_OFFSET = 0x20003407;
constexpr uint32_t ERROR_CHUNK_TYPE = 0x20003408;
constexpr uint32_t ERROR_CHUNK_MISSING = 0x20003409;
constexpr uint32_t ERROR_NR_SUBS = 0x2000340A;
constexpr uint32_t ERROR_NR_TRACKS = 0x2000340B;
constexpr uint32_t ERROR_TRACK_OFFSET = 0x2000340C;
constexpr uint32_t ERROR_TRACK_KIND = 0x2000340D;
constexpr uint32_t ERROR_VALUE_INDEX = 0x2000340E;
constexpr uint32_t ERROR_SUB_INDEX = 0x2000340F;
constexpr uint32_t ERROR_FRAMES = 0x20003410;
constexpr uint32_t ERROR_VALUES = 0x20003411;

constexpr uint32_t MIN_SIZE = 10;
constexpr uint32_t MAX_SIZE = 65535;
constexpr uint32_t FILE_LIMIT = 0x10000;

} // namespace

using zqanim::within;

void ZqGlTextureAnimation::sysInit() {
    init(POOL_SIZE);
}

void ZqGlTextureAnimation::sysQuit() {
    quit();
}

ZqGlTextureAnimation* ZqGlTextureAnimation::create(const char16_t* const name,
                                                   const void* const data, const uint32_t size,
                                                   const float fps) {
    if (name == nullptr || data == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (size < MIN_SIZE || size > MAX_SIZE) {
        zqp::setLastError(ERROR_SIZE);
        return nullptr;
    }
    return createLocked(name, data, size, nullptr, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::create(const char16_t* const name,
                                                   const char16_t* const fileName,
                                                   const float fps) {
    if (name == nullptr || fileName == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    return createLocked(name, nullptr, 0, fileName, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::createLocked(const char16_t* const name,
                                                         const void* const data,
                                                         const uint32_t size,
                                                         const char16_t* const fileName,
                                                         const float fps) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTextureAnimation* const a = ZqRefList::createForce(name);
    if (a == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    zq_gl::FileBuffer file;
    const void* bytes = data;
    uint32_t n = size;
    if (fileName != nullptr) {
        file = zq_gl::loadResourceFile(fileName, 20, FILE_LIMIT, n);
        if (file == nullptr) {
            ZqRefList::release(a);
            zqp::setLastError(ERROR_READ);
            return nullptr;
        }
        bytes = file.get();
    }
    const uint32_t error = a->createBody(static_cast<const uint8_t*>(bytes), n, fps);
    if (error != 0) {
        ZqRefList::release(a);
        zqp::setLastError(error);
        return nullptr;
    }
    return a;
}

ZqGlTextureAnimation* ZqGlTextureAnimation::reload(const void* const data, const uint32_t size,
                                                   const float fps) {
    if (data == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NOT_LIVE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    return reloadLocked(data, size, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::reload(const char16_t* const fileName,
                                                   const float fps) {
    if (fileName == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NOT_LIVE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        zqp::setLastError(ERROR_NOT_LIVE);
        return nullptr;
    }
    uint32_t size = 0;
    const zq_gl::FileBuffer file = zq_gl::loadResourceFile(fileName, 20, FILE_LIMIT, size);
    if (file == nullptr) {
        zqp::setLastError(ERROR_READ);
        return nullptr;
    }
    return reloadLocked(file.get(), size, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::reloadLocked(const void* const data,
                                                         const uint32_t size, const float fps) {
    if (searchBody(this) == nullptr) {
        zqp::setLastError(ERROR_NOT_LIVE);
        return nullptr;
    }
    ZqGlTextureAnimation* const fresh = ZqRefList::createForce(getName());
    if (fresh == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    uint32_t error = fresh->createBody(static_cast<const uint8_t*>(data), size, fps);
    // Players size their outputs and index tracks by these counts.
    if (error == 0 && fresh->m_vMaterialNameIds.size() != m_vMaterialNameIds.size()) {
        error = ERROR_NR_SUBS;
    } else if (error == 0 && fresh->m_vInfos.size() != m_vInfos.size()) {
        error = ERROR_NR_TRACKS;
    }
    if (error != 0) {
        fresh->releaseBody();
        ZqRefList::release(fresh);
        zqp::setLastError(error);
        return nullptr;
    }
    releaseBody();
    m_vMaterialNameIds = std::move(fresh->m_vMaterialNameIds);
    m_vInfos = std::move(fresh->m_vInfos);
    m_pKeyFrame = fresh->m_pKeyFrame;
    fresh->m_pKeyFrame = nullptr;
    fresh->releaseBody();
    ZqRefList::release(fresh);
    return this;
}

unsigned int ZqGlTextureAnimation::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    if (getRefCountBody() == 1) {
        releaseBody();
    }
    return ZqRefList::release(this);
}

void ZqGlTextureAnimation::releaseBody() {
    if (m_pKeyFrame != nullptr) {
        m_pKeyFrame->release();
        m_pKeyFrame = nullptr;
    }
    m_vMaterialNameIds.clear();
    m_vMaterialNameIds.shrink_to_fit();
    m_vInfos.clear();
    m_vInfos.shrink_to_fit();
}

uint32_t ZqGlTextureAnimation::createBody(const uint8_t* const data, const uint32_t size,
                                          const float fps) {
    releaseBody();
    const ZqByteReader in(data, size);
    const uint64_t n = size;
    float rate = fps;
    if (fps == 0.0f) {
        int32_t fileRate = 0;
        in.i32(zqanim::HEADER_FPS, fileRate);
        rate = static_cast<float>(fileRate) <= 1.0f ? 30.0f : static_cast<float>(fileRate);
    }
    uint32_t magic = 0;
    if (!in.u32(0, magic) || magic != zqanim::MAGIC) {
        return ERROR_MAGIC;
    }
    uint64_t materials = 0;
    uint64_t tracks = 0;
    uint32_t nrChunks = 0;
    for (;; ++nrChunks) {
        uint32_t offset = 0;
        // A table cut by the end of the data ends there.
        if (!in.u32(zqanim::HEADER_CHUNKS + 4ull * nrChunks, offset) || offset == 0) {
            break;
        }
        if (nrChunks == zqanim::MAX_CHUNKS) {
            return ERROR_NR_CHUNKS;
        }
        uint32_t type = 0;
        if (offset < zqanim::HEADER_SIZE || offset >= n || !in.u32(offset, type)) {
            return ERROR_CHUNK_OFFSET;
        }
        if (type == zqanim::CHUNK_TEXTURE_MATERIALS) {
            materials = offset;
        } else if (type == zqanim::CHUNK_TEXTURE_TRACKS || type == zqanim::CHUNK_TEXTURE_TRACKS_B) {
            tracks = offset;
        } else {
            return ERROR_CHUNK_TYPE;
        }
    }
    if (nrChunks == 0 || materials == 0 || tracks == 0) {
        return ERROR_CHUNK_MISSING;
    }
    int16_t count16 = 0;
    if (!in.i16(materials + 4, count16)) {
        return ERROR_CHUNK_OFFSET;
    }
    if (count16 > static_cast<int16_t>(zqanim::MAX_SUB_TEXTURE_ANIMATIONS)) {
        return ERROR_NR_SUBS;
    }
    const uint32_t count = static_cast<uint8_t>(count16 & 0xFF);
    // The name ids must lie inside the data.
    if (!in.fits(materials + 8, count, 8)) {
        return ERROR_CHUNK_OFFSET;
    }
    uint32_t nrTracks = 0;
    for (;; ++nrTracks) {
        uint32_t offset = 0;
        if (!in.u32(tracks + zqanim::TRACKS_TABLE + 4ull * nrTracks, offset)) {
            return ERROR_TRACK_OFFSET;
        }
        if (offset == 0) {
            break;
        }
        if (nrTracks == zqanim::MAX_TEXTURE_TRACKS) {
            return ERROR_NR_TRACKS;
        }
    }
    std::vector<ZqGlKeyFrame::CreateData> descriptions;
    try {
        m_vMaterialNameIds.assign(count, 0);
        m_vInfos.assign(nrTracks, KeyFrameInfo{});
        descriptions.assign(nrTracks, ZqGlKeyFrame::CreateData{});
    } catch (const std::bad_alloc&) {
        throw ZqError::TEXTURE_ANIMATION_MEMORY;
    }
    for (uint32_t i = 0; i < count; ++i) {
        in.u64(materials + 8 + 8ull * i, m_vMaterialNameIds[i]);
    }
    for (uint32_t t = 0; t < nrTracks; ++t) {
        uint32_t offset = 0;
        in.u32(tracks + zqanim::TRACKS_TABLE + 4ull * t, offset);
        const uint64_t record = tracks + offset;
        if (!within(record, n, zqanim::TRACK_SIZE)) {
            releaseBody();
            return ERROR_TRACK_OFFSET;
        }
        uint16_t kind = 0;
        uint16_t nrKeys = 0;
        uint8_t value = 0;
        uint8_t sub = 0;
        uint32_t framesOffset = 0;
        uint32_t valuesOffset = 0;
        in.u16(record, kind);
        in.u16(record + zqanim::TRACK_KEYS, nrKeys);
        in.u8(record + zqanim::TEXTURE_TRACK_VALUE, value);
        in.u8(record + zqanim::TEXTURE_TRACK_SUB, sub);
        in.u32(record + zqanim::TRACK_FRAMES, framesOffset);
        in.u32(record + zqanim::TRACK_VALUES, valuesOffset);
        const uint32_t error = kind != ZqGlKeyFrame::TYPE_SCALAR ? ERROR_TRACK_KIND
                               : value > VALUE_ROTATION          ? ERROR_VALUE_INDEX
                               : sub >= count                    ? ERROR_SUB_INDEX
                                                                 : 0;
        if (error != 0) {
            releaseBody();
            return error;
        }
        const uint8_t* frames = nullptr;
        if (framesOffset != 0) {
            const uint64_t at = record + framesOffset;
            if (!within(at, n, 2) || !in.fits(at, nrKeys, 2)) {
                releaseBody();
                return ERROR_FRAMES;
            }
            frames = data + at;
        }
        const uint64_t values = record + valuesOffset;
        if (!within(values, n, 4) || !in.fits(values, nrKeys, 4)) {
            releaseBody();
            return ERROR_VALUES;
        }
        m_vInfos[t] = {sub, value};
        descriptions[t] = {ZqGlKeyFrame::TYPE_SCALAR, nrKeys, frames, data + values};
    }
    int16_t frameCount = 0;
    uint8_t loop = 0;
    in.i16(zqanim::HEADER_FRAMES, frameCount);
    in.u8(zqanim::HEADER_LOOP, loop);
    const std::u16string name = std::u16string(getName()) + u"*texanim";
    // Always a new key-frame set: one left under this name may lack the tracks indexed here.
    m_pKeyFrame = ZqGlKeyFrame::createForce(name.c_str(), nrTracks, descriptions.data(),
                                            frameCount > 0 ? static_cast<uint32_t>(frameCount) : 0,
                                            rate, loop);
    if (m_pKeyFrame == nullptr) {
        const uint32_t error = zqp::getLastError();
        releaseBody();
        return error;
    }
    return 0;
}
