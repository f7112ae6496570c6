// ZqGlAnimation: one skeletal animation in memory: a bone hierarchy of at most 127 bones with a
// single root and a key-frame set whose tracks each drive one bone's rotation, translation or
// scale. A named, reference-counted pool element read from the animation container
// (ZqGlAnimationFormat.h) in memory or from a file; reload replaces its content in place.
// Not for: playing (the animation players and the mixer). Depends on ZqGlKeyFrame, ZqRefList
// and ZqFile.
#pragma once

#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <vector>

class ZqGlKeyFrame;

class ZqGlAnimation : public ZqRefList<ZqGlAnimation> {
public:
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

    struct Bone {
        int8_t parent = -1;
        uint8_t nrChildren = 0;
        uint8_t firstChild = 0;
        // Entry k of the child list lives in bone k's record.
        uint8_t child = 0;
    };

    ZqGlAnimation() = default;
    ~ZqGlAnimation() override = default;

    static ZqGlAnimation* createLocked(const char16_t* name, const void* data, uint32_t size,
                                       const char16_t* path, float rate);
    ZqGlAnimation* reloadLocked(const void* data, uint32_t size, float rate);
    // 0 or the error code; everything made is released on failure.
    uint32_t parse(const uint8_t* data, uint32_t size, float rate, bool force);
    void releaseBody();

    ZqGlKeyFrame* m_pKeyFrame = nullptr;
    std::vector<Bone> m_vBones;
    std::vector<int8_t> m_vTrackBones;
    uint8_t m_nrBones = 0;
    bool m_scaling = false;
};
