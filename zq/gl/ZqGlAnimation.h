// ZqGlAnimation: one skeletal animation in memory: a bone hierarchy of at most 127 bones with a
// single root and a key-frame set whose tracks each drive one bone's rotation, translation or
// scale. A named, reference-counted pool element read from the animation container
// (ZqGlAnimationFormat.h) in memory or from a file; reload replaces its content in place.
// Not for: playing (the animation players and the mixer). Depends on ZqGlKeyFrame, ZqRefResource
// and ZqFile.
#pragma once

#include "zq/memory/ZqRefResource.h"

#include <cstdint>
#include <vector>

class ZqGlKeyFrame;

struct ZqGlAnimationTraits;

class ZqGlAnimation : public ZqRefResource<ZqGlAnimation, ZqGlAnimationTraits> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003100;
    static constexpr uint32_t ERROR_READ = 0x20003101;
    static constexpr uint32_t ERROR_NULL = 0x20003102;
    static constexpr uint32_t ERROR_SIZE = 0x20003103;
    static constexpr uint32_t ERROR_NOT_LIVE = 0x20003104;
    static constexpr uint32_t ERROR_MAGIC = 0x20003105;
    static constexpr uint32_t ERROR_NR_CHUNKS = 0x20003106;
    static constexpr uint32_t ERROR_CHUNK_OFFSET = 0x20003107;
    static constexpr uint32_t ERROR_CHUNK_TYPE = 0x20003108;
    static constexpr uint32_t ERROR_CHUNK_MISSING = 0x20003109;
    static constexpr uint32_t ERROR_NR_BONES = 0x2000310A;
    static constexpr uint32_t ERROR_NR_TRACKS = 0x2000310B;
    static constexpr uint32_t ERROR_PARENT_TABLE = 0x2000310C;
    static constexpr uint32_t ERROR_PARENT = 0x2000310D;
    static constexpr uint32_t ERROR_TREE = 0x2000310E;
    static constexpr uint32_t ERROR_TRACK_OFFSET = 0x2000310F;
    static constexpr uint32_t ERROR_TRACK_TYPE = 0x20003110;
    static constexpr uint32_t ERROR_TRACK_BONE = 0x20003111;
    static constexpr uint32_t ERROR_FRAME_TABLE = 0x20003112;
    static constexpr uint32_t ERROR_VALUES = 0x20003113;
    static constexpr uint32_t POOL_SIZE = 256;

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // From a memory image of 20 to 0x1FFFFF bytes. The name in use already gives that
    // animation with one more reference (the data is not read). rate 0.0 takes the file's
    // rate, or 30 when that is 1 or less. Null on failure with the last error set.
    static ZqGlAnimation* create(const char16_t* name, const void* data, uint32_t size, float rate);
    // The same, reading the file path for a new animation.
    static ZqGlAnimation* create(const char16_t* name, const char16_t* path, float rate);
    static ZqGlAnimation* create(const char16_t* path, float rate) {
        return create(path, path, rate);
    }
    // Replaces the content in place (object and references stay); null with the old content
    // untouched on failure.
    ZqGlAnimation* reload(const void* data, uint32_t size, float rate);
    ZqGlAnimation* reload(const char16_t* path, float rate);
    // Drops one reference; at 0 the key-frame set and tables go. Returns the count left.
    unsigned int release();

    ZqGlKeyFrame* getKeyFrame() const { return m_pKeyFrame; }
    uint8_t getNrBones() const { return m_nrBones; }
    int getBoneParentNr(const uint32_t bone) const { return m_vBones[bone].parent; }
    uint32_t getBoneNrChildren(const uint32_t bone) const { return m_vBones[bone].nrChildren; }
    uint32_t getBoneChildBoneNr(const uint32_t bone, const uint32_t i) const {
        return m_vBones[m_vBones[bone].firstChild + i].child;
    }
    // -1 for a track that drives no bone.
    int getBoneNrFromTrack(const uint32_t track) const { return m_vTrackBones[track]; }
    bool isScalingExist() const { return m_scaling; }

private:
    friend class ZqFixList<ZqGlAnimation>;
    friend class ZqRefList<ZqGlAnimation>;
    friend class ZqRefResource<ZqGlAnimation, ZqGlAnimationTraits>;
    friend struct ZqGlAnimationTraits;

    struct Bone {
        int8_t parent = -1;
        uint8_t nrChildren = 0;
        uint8_t firstChild = 0;
        // Entry k of the child list lives in bone k's record.
        uint8_t child = 0;
    };

    ZqGlAnimation() = default;
    ~ZqGlAnimation() override = default;

    // 0 or the error code; everything made is released on failure.
    uint32_t parse(const uint8_t* data, uint32_t size, float rate, bool force);
    void releaseBody();

    ZqGlKeyFrame* m_pKeyFrame = nullptr;
    std::vector<Bone> m_vBones;
    std::vector<int8_t> m_vTrackBones;
    uint8_t m_nrBones = 0;
    bool m_scaling = false;
};
