// ZqGlCameraAnimation: a camera path: six fixed key-frame tracks giving the camera's rotation,
// position, vertical field of view, near and far distance and aspect ratio over time, read from
// the animation container with one camera chunk (ZqGlCameraAnimationFormat.h). A named,
// reference-counted pool element; reload swaps its key-frame set in place.
// Not for: evaluation (ZqGlCameraAnimationPlayer). Depends on ZqGlKeyFrame, ZqRefResource, ZqFile.
#pragma once

#include "zq/memory/ZqRefResource.h"

#include <cstdint>

class ZqGlKeyFrame;

struct ZqGlCameraAnimationTraits;

class ZqGlCameraAnimation : public ZqRefResource<ZqGlCameraAnimation, ZqGlCameraAnimationTraits> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003600;
    static constexpr uint32_t ERROR_READ = 0x20003601;
    static constexpr uint32_t ERROR_NULL = 0x20003602;
    static constexpr uint32_t ERROR_SIZE = 0x20003603;
    static constexpr uint32_t ERROR_MAGIC = 0x20003605;
    static constexpr uint32_t ERROR_NR_CHUNKS = 0x20003606;
    static constexpr uint32_t ERROR_CHUNK_OFFSET = 0x20003607;
    static constexpr uint32_t ERROR_CHUNK_TYPE = 0x20003608;
    static constexpr uint32_t ERROR_NO_CHUNK = 0x20003609;
    static constexpr uint32_t ERROR_TRACK_OFFSET = 0x2000360A;
    static constexpr uint32_t ERROR_TRACK_TYPE = 0x2000360B;
    static constexpr uint32_t ERROR_TRACK_NUMBER = 0x2000360C;
    static constexpr uint32_t ERROR_FRAMES = 0x2000360D;
    static constexpr uint32_t ERROR_VALUES = 0x2000360E;
    static constexpr uint32_t POOL_SIZE = 64;

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // From a container of 10 to 65535 bytes. The name in use already gives that path with one
    // more reference (the data is not read). rate 0.0 takes the file's rate, or 30 when that is
    // 1 or less. Null on failure with the last error set.
    static ZqGlCameraAnimation* create(const char16_t* name, const void* data, uint32_t size,
                                       float rate);
    // The same, reading the file path (at most 0x10000 bytes) for a new path.
    static ZqGlCameraAnimation* create(const char16_t* name, const char16_t* path, float rate);
    static ZqGlCameraAnimation* create(const char16_t* path, const float rate) {
        return create(path, path, rate);
    }
    // Replaces the key-frame set of this live path; null (no error set for a null argument or
    // an object that is not live) with the old set kept on failure.
    ZqGlCameraAnimation* reload(const void* data, uint32_t size, float rate);
    ZqGlCameraAnimation* reload(const char16_t* path, float rate);
    // Drops one reference; at 0 the key-frame set goes. Returns the count left.
    unsigned int release();

    ZqGlKeyFrame* getKeyFrame() const { return m_pKeyFrame; }

private:
    friend class ZqFixList<ZqGlCameraAnimation>;
    friend class ZqRefList<ZqGlCameraAnimation>;
    friend class ZqRefResource<ZqGlCameraAnimation, ZqGlCameraAnimationTraits>;
    friend struct ZqGlCameraAnimationTraits;

    ZqGlCameraAnimation() = default;
    ~ZqGlCameraAnimation() override = default;

    // 0 or the error code.
    uint32_t parse(const uint8_t* data, uint32_t size, float rate, bool force);
    void releaseBody();

    ZqGlKeyFrame* m_pKeyFrame = nullptr;
};
