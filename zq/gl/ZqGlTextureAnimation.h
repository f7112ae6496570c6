// ZqGlTextureAnimation: texture-coordinate animation of some materials of a model: up to 32
// sub-animations, each bound to a material by its 64-bit name id, and key-frame tracks that each
// drive one of five values (u, v offset, u, v scale, rotation) of one sub-animation. A named,
// reference-counted pool element read from the animation container (ZqGlAnimationFormat.h);
// every create makes a new element and a new key-frame set.
// Not for: evaluation (ZqGlTextureAnimationPlayer). Depends on ZqGlKeyFrame, ZqRefResource, ZqFile.
#pragma once

#include "zq/memory/ZqRefResource.h"

#include <cstdint>
#include <vector>

class ZqGlKeyFrame;

struct ZqGlTextureAnimationTraits;

class ZqGlTextureAnimation
    : public ZqRefResource<ZqGlTextureAnimation, ZqGlTextureAnimationTraits> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003400;
    static constexpr uint32_t ERROR_READ = 0x20003401;
    static constexpr uint32_t ERROR_NULL = 0x20003402;
    static constexpr uint32_t ERROR_SIZE = 0x20003403;
    static constexpr uint32_t ERROR_NOT_LIVE = 0x20003404;
    static constexpr uint32_t ERROR_MAGIC = 0x20003405;
    static constexpr uint32_t ERROR_NR_CHUNKS = 0x20003406;
    static constexpr uint32_t ERROR_CHUNK_OFFSET = 0x20003407;
    static constexpr uint32_t ERROR_CHUNK_TYPE = 0x20003408;
    static constexpr uint32_t ERROR_CHUNK_MISSING = 0x20003409;
    static constexpr uint32_t ERROR_NR_SUBS = 0x2000340A;
    static constexpr uint32_t ERROR_NR_TRACKS = 0x2000340B;
    static constexpr uint32_t ERROR_TRACK_OFFSET = 0x2000340C;
    static constexpr uint32_t ERROR_TRACK_KIND = 0x2000340D;
    static constexpr uint32_t ERROR_VALUE_INDEX = 0x2000340E;
    static constexpr uint32_t ERROR_SUB_INDEX = 0x2000340F;
    static constexpr uint32_t ERROR_FRAMES = 0x20003410;
    static constexpr uint32_t ERROR_VALUES = 0x20003411;
    static constexpr uint32_t POOL_SIZE = 1024;
    // The value a track drives.
    enum VALUE : uint8_t {
        VALUE_U_OFFSET = 0,
        VALUE_V_OFFSET,
        VALUE_U_SCALE,
        VALUE_V_SCALE,
        VALUE_ROTATION,
    };
    struct KeyFrameInfo {
        uint8_t subAnimation = 0;
        uint8_t value = 0;
    };

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // From a container of 10 to 65535 bytes; fps 0 takes the file's rate (30 when that is 1 or
    // less). Null on failure with the last error set.
    static ZqGlTextureAnimation* create(const char16_t* name, const void* data, uint32_t size,
                                        float fps);
    static ZqGlTextureAnimation* create(const char16_t* name, const char16_t* fileName, float fps);
    static ZqGlTextureAnimation* create(const char16_t* name, const float fps) {
        return create(name, name, fps);
    }
    // Rebuilds this live animation in place, key data included; a container whose
    // sub-animation or track count differs from the current one is refused (players index
    // their outputs by them). Null with the animation unchanged on failure.
    ZqGlTextureAnimation* reload(const void* data, uint32_t size, float fps);
    ZqGlTextureAnimation* reload(const char16_t* fileName, float fps);
    unsigned int release();

    uint8_t getNrSubTextureAnimations() const {
        return static_cast<uint8_t>(m_vMaterialNameIds.size());
    }
    uint64_t getMaterialNameId(const uint32_t index) const { return m_vMaterialNameIds[index]; }
    const KeyFrameInfo* getKeyFrameInfos() const { return m_vInfos.data(); }
    ZqGlKeyFrame* getKeyFrame() const { return m_pKeyFrame; }

private:
    friend class ZqFixList<ZqGlTextureAnimation>;
    friend class ZqRefList<ZqGlTextureAnimation>;
    friend class ZqRefResource<ZqGlTextureAnimation, ZqGlTextureAnimationTraits>;
    friend struct ZqGlTextureAnimationTraits;
    friend class ZqGlTextureAnimationPlayer;

    ZqGlTextureAnimation() = default;
    ~ZqGlTextureAnimation() override = default;

    // 0 or the error code; everything made is released on failure.
    uint32_t createBody(const uint8_t* data, uint32_t size, float fps);
    void releaseBody();

    std::vector<uint64_t> m_vMaterialNameIds;
    std::vector<KeyFrameInfo> m_vInfos;
    ZqGlKeyFrame* m_pKeyFrame = nullptr;
};
