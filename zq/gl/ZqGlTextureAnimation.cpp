#include "zq/gl/ZqGlTextureAnimation.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlResourceFile_internal.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <new>
#include <string>

// Every create makes a new element (and key-frame set), never sharing one of the same name; a
// reload whose sub-animation or track count differs is refused, since players size their
// outputs and index tracks by these counts.
struct ZqGlTextureAnimationTraits : zq_gl::ResourceFile<20, 0x10000>,
                                    ZqRefResourceDefaults<ZqGlTextureAnimation> {
    using T = ZqGlTextureAnimation;
    static constexpr uint32_t NOT_LIVE = T::ERROR_NOT_LIVE;
    static constexpr bool SHARE = false;
    static constexpr uint32_t MIN_SIZE = 10;
    static constexpr uint32_t MAX_SIZE = 65535;

    static uint32_t parse(T& a, const uint8_t* const data, const uint32_t size,
                          [[maybe_unused]] const bool reload, const float fps) {
        return a.createBody(data, size, fps);
    }
    static uint32_t takeOver(T& live, T& fresh) {
        if (fresh.m_vMaterialNameIds.size() != live.m_vMaterialNameIds.size()) {
            return T::ERROR_NR_SUBS;
        }
        if (fresh.m_vInfos.size() != live.m_vInfos.size()) {
            return T::ERROR_NR_TRACKS;
        }
        live.releaseBody();
        live.m_vMaterialNameIds = std::move(fresh.m_vMaterialNameIds);
        live.m_vInfos = std::move(fresh.m_vInfos);
        live.m_pKeyFrame = fresh.m_pKeyFrame;
        fresh.m_pKeyFrame = nullptr;
        return 0;
    }
};

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
    return createResource(name, data, size, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::create(const char16_t* const name,
                                                   const char16_t* const fileName,
                                                   const float fps) {
    return createResourceFile(name, fileName, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::reload(const void* const data, const uint32_t size,
                                                   const float fps) {
    return reloadResource(data, size, fps);
}

ZqGlTextureAnimation* ZqGlTextureAnimation::reload(const char16_t* const fileName,
                                                   const float fps) {
    return reloadResourceFile(fileName, fps);
}

unsigned int ZqGlTextureAnimation::release() {
    return releaseResource();
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
