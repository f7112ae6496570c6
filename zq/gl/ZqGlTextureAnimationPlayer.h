// ZqGlTextureAnimationPlayer: plays one texture animation: at a time it evaluates every track
// and turns each sub-animation's five values into a texture matrix (scale about v = 1, offsets,
// rotation about the texture's centre), which the model hands to its shader for the material of
// that name id. Not for: the data (ZqGlTextureAnimation). Depends on ZqGlKeyFramePlayer.
#pragma once

#include "zq/gl/ZqGlResourcePlayer.h"
#include "zq/math/ZqMatrix.h"

#include <cstdint>
#include <vector>

class ZqGlTextureAnimation;

struct ZqGlTextureAnimationPlayerTraits;

class ZqGlTextureAnimationPlayer
    : public ZqGlResourcePlayer<ZqGlTextureAnimationPlayer, ZqGlTextureAnimation,
                                ZqGlTextureAnimationPlayerTraits> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003500;
    static constexpr uint32_t ERROR_NULL = 0x20003501;
    static constexpr uint32_t POOL_SIZE = 32;

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // A player of animation at time ms; null on failure with the last error set.
    static ZqGlTextureAnimationPlayer* create(ZqGlTextureAnimation* animation, float time);
    unsigned int release();

    bool setTextureAnimation(ZqGlTextureAnimation* animation, float time);
    void setTime(float time);
    void setRelativeTime(float delta);

    const ZqMatrix& getMatrix(const uint32_t index) const { return m_vMatrices[index]; }
    void setMatrix(const uint32_t index, const ZqMatrix& m) { m_vMatrices[index] = m; }
    void setCalcMatrixEnable(const uint32_t index, const bool on) { m_vFlags[index] = on ? 1 : 0; }
    bool isCalcMatrixEnable(const uint32_t index) const { return m_vFlags[index] != 0; }
    float getTime() const;
    bool isEnd() const;
    uint32_t getKey(uint32_t track) const;
    uint8_t getLoopMode() const;
    void setLoopMode(uint8_t mode);
    uint8_t getLoopCount() const;
    ZqGlTextureAnimation* getTextureAnimation() const { return m_pAnimation; }

private:
    friend class ZqFixList<ZqGlTextureAnimationPlayer>;
    friend class ZqGlResourcePlayer<ZqGlTextureAnimationPlayer, ZqGlTextureAnimation,
                                    ZqGlTextureAnimationPlayerTraits>;
    friend struct ZqGlTextureAnimationPlayerTraits;

    ZqGlTextureAnimationPlayer() = default;
    ~ZqGlTextureAnimationPlayer() override = default;

    void releaseBody();
    void resetValues();
    void calculate();

    std::vector<ZqMatrix> m_vMatrices;
    std::vector<uint8_t> m_vFlags;
    ZqGlTextureAnimation* m_pAnimation = nullptr;
    ZqGlKeyFramePlayer* m_pKeyFramePlayer = nullptr;
};
