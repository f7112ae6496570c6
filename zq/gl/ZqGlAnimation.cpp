#include "zq/gl/ZqGlAnimation.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlResourceFile_internal.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <new>
#include <string>

// Files are read whole when they are smaller than this; a file shorter than the header is a
// size error, as an image in memory is.
struct ZqGlAnimationTraits : zq_gl::ResourceFile<0, 0x1FFFFF>,
                             ZqRefResourceDefaults<ZqGlAnimation> {
    using T = ZqGlAnimation;
    static constexpr uint32_t NOT_LIVE = T::ERROR_NOT_LIVE;
    static constexpr uint32_t MIN_SIZE = zqanim::HEADER_SIZE;
    static constexpr uint32_t MAX_SIZE = zqanim::MAX_DATA_SIZE;
    static constexpr uint32_t LOADED_MIN_SIZE = zqanim::HEADER_SIZE;
    static constexpr uint32_t RELOAD_MIN_SIZE = zqanim::HEADER_SIZE;

    static uint32_t parse(T& a, const uint8_t* const data, const uint32_t size, const bool reload,
                          const float rate) {
        return a.parse(data, size, rate, reload);
    }
    static uint32_t takeOver(T& live, T& fresh) {
        live.releaseBody();
        live.m_pKeyFrame = fresh.m_pKeyFrame;
        live.m_vBones = std::move(fresh.m_vBones);
        live.m_vTrackBones = std::move(fresh.m_vTrackBones);
        live.m_nrBones = fresh.m_nrBones;
        live.m_scaling = fresh.m_scaling;
        fresh.m_pKeyFrame = nullptr;
        return 0;
    }
};

namespace {

float chooseRate(const float rate, const ZqByteReader& in) {
    if (rate != 0.0f) {
        return rate;
    }
    int32_t fps = 0;
    in.i32(zqanim::HEADER_FPS, fps);
    const float fileRate = static_cast<float>(fps);
    return fileRate <= 1.0f ? 30.0f : fileRate;
}

} // namespace

using zqanim::within;

void ZqGlAnimation::sysInit() {
    init(POOL_SIZE);
}

void ZqGlAnimation::sysQuit() {
    quit();
}

ZqGlAnimation* ZqGlAnimation::create(const char16_t* const name, const void* const data,
                                     const uint32_t size, const float rate) {
    return createResource(name, data, size, rate);
}

ZqGlAnimation* ZqGlAnimation::create(const char16_t* const name, const char16_t* const path,
                                     const float rate) {
    return createResourceFile(name, path, rate);
}

ZqGlAnimation* ZqGlAnimation::reload(const void* const data, const uint32_t size,
                                     const float rate) {
    return reloadResource(data, size, rate);
}

ZqGlAnimation* ZqGlAnimation::reload(const char16_t* const path, const float rate) {
    return reloadResourceFile(path, rate);
}

unsigned int ZqGlAnimation::release() {
    return releaseResource();
}

void ZqGlAnimation::releaseBody() {
    if (m_pKeyFrame != nullptr) {
        m_pKeyFrame->release();
        m_pKeyFrame = nullptr;
    }
    m_vBones.clear();
    m_vBones.shrink_to_fit();
    m_vTrackBones.clear();
    m_vTrackBones.shrink_to_fit();
    m_nrBones = 0;
    m_scaling = false;
}

uint32_t ZqGlAnimation::parse(const uint8_t* const data, const uint32_t size, const float rate,
                              const bool force) {
    releaseBody();
    const ZqByteReader in(data, size);
    const uint64_t n = size;

    uint32_t magic = 0;
    if (!in.u32(0, magic) || magic != zqanim::MAGIC) {
        return ERROR_MAGIC;
    }

    // The chunk table: at most three offsets before the terminating 0.
    uint64_t bones = 0;
    uint64_t tracks = 0;
    for (uint32_t i = 0;; ++i) {
        uint32_t offset = 0;
        if (!in.u32(zqanim::HEADER_CHUNKS + 4ull * i, offset)) {
            return ERROR_CHUNK_OFFSET;
        }
        if (offset == 0) {
            break;
        }
        if (i == zqanim::MAX_CHUNKS) {
            return ERROR_NR_CHUNKS;
        }
        if (offset < zqanim::HEADER_SIZE || offset >= n) {
            return ERROR_CHUNK_OFFSET;
        }
        uint32_t type = 0;
        if (!in.u32(offset, type)) {
            return ERROR_CHUNK_OFFSET;
        }
        if (type == zqanim::CHUNK_BONES) {
            bones = offset;
        } else if (type == zqanim::CHUNK_TRACKS) {
            tracks = offset;
        } else {
            return ERROR_CHUNK_TYPE;
        }
    }
    if (bones == 0 || tracks == 0) {
        return ERROR_CHUNK_MISSING;
    }
    // Both chunks' fixed fields must lie inside the data.
    if (!in.fits(bones, zqanim::BONES_SIZE) || !in.fits(tracks, zqanim::TRACKS_TABLE)) {
        return ERROR_CHUNK_OFFSET;
    }

    int16_t nrBones = 0;
    in.i16(bones + zqanim::BONES_COUNT, nrBones);
    if (nrBones > zqanim::MAX_BONES) {
        return ERROR_NR_BONES;
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
        if (nrTracks == zqanim::MAX_TRACKS) {
            return ERROR_NR_TRACKS;
        }
    }

    const uint32_t boneCount = nrBones > 0 ? static_cast<uint32_t>(nrBones) : 0;
    try {
        m_vBones.assign(boneCount, Bone{});
        m_vTrackBones.assign(nrTracks, -1);
    } catch (const std::bad_alloc&) {
        throw ZqError::ANIMATION_MEMORY;
    }

    uint32_t parentOffset = 0;
    in.u32(bones + zqanim::BONES_PARENTS, parentOffset);
    const uint64_t parents = bones + parentOffset;
    if (!within(parents, n, 2) || !in.fits(parents, boneCount, 2)) {
        releaseBody();
        return ERROR_PARENT_TABLE;
    }
    for (uint32_t i = 0; i < boneCount; ++i) {
        const int8_t p = static_cast<int8_t>(data[parents + 2ull * i + 1]);
        if (p >= static_cast<int32_t>(i) || (i == 0 && p != -1)) {
            releaseBody();
            return ERROR_PARENT;
        }
        m_vBones[i].parent = p;
    }
    // Children are listed per parent in increasing bone order; a second root leaves the list
    // one short, and so does an animation without bones.
    uint32_t c = 0;
    for (uint32_t p = 0; p < boneCount; ++p) {
        m_vBones[p].firstChild = static_cast<uint8_t>(c);
        for (uint32_t j = 0; j < boneCount; ++j) {
            if (m_vBones[j].parent == static_cast<int32_t>(p)) {
                ++m_vBones[p].nrChildren;
                m_vBones[c++].child = static_cast<uint8_t>(j);
            }
        }
    }
    if (static_cast<int64_t>(c) != static_cast<int64_t>(nrBones) - 1) {
        releaseBody();
        return ERROR_TREE;
    }
    m_nrBones = static_cast<uint8_t>(boneCount);

    std::vector<ZqGlKeyFrame::CreateData> descriptions(nrTracks);
    for (uint32_t t = 0; t < nrTracks; ++t) {
        uint32_t offset = 0;
        in.u32(tracks + zqanim::TRACKS_TABLE + 4ull * t, offset);
        const uint64_t record = tracks + offset;
        if (!within(record, n, zqanim::TRACK_SIZE)) {
            releaseBody();
            return ERROR_TRACK_OFFSET;
        }
        int16_t type = 0;
        uint16_t nrKeys = 0;
        uint8_t boneByte = 0;
        uint32_t framesOffset = 0;
        uint32_t valuesOffset = 0;
        in.i16(record + zqanim::TRACK_TYPE, type);
        in.u16(record + zqanim::TRACK_KEYS, nrKeys);
        in.u8(record + zqanim::TRACK_BONE, boneByte);
        in.u32(record + zqanim::TRACK_FRAMES, framesOffset);
        in.u32(record + zqanim::TRACK_VALUES, valuesOffset);
        const int8_t bone = static_cast<int8_t>(boneByte);
        if (type > zqanim::MAX_TRACK_TYPE) {
            releaseBody();
            return ERROR_TRACK_TYPE;
        }
        if (bone < -1 || bone >= static_cast<int32_t>(boneCount)) {
            releaseBody();
            return ERROR_TRACK_BONE;
        }
        const uint8_t lowType = static_cast<uint8_t>(type & 0xFF);
        const uint64_t values = record + valuesOffset;
        bool valuesOk =
            within(values, n, 1) && in.fits(values, zqanim::valueBytes(lowType, nrKeys));
        const uint8_t* frames = nullptr;
        if (framesOffset != 0) {
            const uint64_t table = record + framesOffset;
            if (!within(table, n, 2) || !in.fits(table, nrKeys, 2)) {
                releaseBody();
                return ERROR_FRAME_TABLE;
            }
            frames = data + table;
        }
        if (!valuesOk) {
            releaseBody();
            return ERROR_VALUES;
        }
        m_vTrackBones[t] = bone;
        descriptions[t].type = lowType;
        descriptions[t].nrKeys = nrKeys;
        descriptions[t].frames = frames;
        descriptions[t].values = data + values;
    }

    int16_t frames = 0;
    uint8_t loop = 0;
    in.i16(zqanim::HEADER_FRAMES, frames);
    in.u8(zqanim::HEADER_LOOP, loop);
    // A negative count becomes one the key-frame set refuses.
    const uint32_t totalFrames = frames > 0 ? static_cast<uint32_t>(frames) : 0;
    const std::u16string name = std::u16string(getName()) + u"*anim";
    const float chosen = chooseRate(rate, in);
    m_pKeyFrame = force ? ZqGlKeyFrame::createForce(name.c_str(), nrTracks, descriptions.data(),
                                                    totalFrames, chosen, loop)
                        : ZqGlKeyFrame::create(name.c_str(), nrTracks, descriptions.data(),
                                               totalFrames, chosen, loop);
    if (m_pKeyFrame == nullptr) {
        const uint32_t error = zqp::getLastError();
        releaseBody();
        return error;
    }
    for (uint32_t t = 0; t < m_pKeyFrame->getNrTracks(); ++t) {
        if (m_pKeyFrame->getType(t) == ZqGlKeyFrame::TYPE_SCALE) {
            m_scaling = true;
        }
    }
    return 0;
}
