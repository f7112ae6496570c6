// ZqGlCameraAnimationPlayer: plays one camera path and offers, after each evaluation, the
// camera's placement matrix (camera to world: the rotation with the position as fourth row)
// and its projection values, which the game hands to its ZqGlCamera. Over a one-frame camera
// cut whose jump exceeds the thresholds it holds its previous output.
// Not for: the path data (ZqGlCameraAnimation). Depends on ZqGlKeyFramePlayer and the math
// types.
#pragma once

#include "zq/gl/ZqGlResourcePlayer.h"
#include "zq/math/ZqMatrix.h"

#include <cstdint>

class ZqGlCameraAnimation;

struct ZqGlCameraAnimationPlayerTraits;

class ZqGlCameraAnimationPlayer
    : public ZqGlResourcePlayer<ZqGlCameraAnimationPlayer, ZqGlCameraAnimation,
                                ZqGlCameraAnimationPlayerTraits> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003700;
    static constexpr uint32_t ERROR_NULL = 0x20003701;
    static constexpr uint32_t POOL_SIZE = 32;

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // A player of cameraAnimation from time ms with the default thresholds (no cut held);
    // null with the last error set on failure.
    static ZqGlCameraAnimationPlayer* create(ZqGlCameraAnimation* cameraAnimation, float time);
    unsigned int release();

    bool setCameraAnimation(ZqGlCameraAnimation* cameraAnimation, float time);
    // Milliseconds; each evaluates the outputs when the matrix calculation is on.
    void setTime(float time);
    void setRelativeTime(float delta);

    // Per quaternion component, and per position component: a step between keys one frame
    // apart that changes a component by more than its threshold is a cut, held over.
    void setRotationThreshold(float x, float y, float z, float w);
    void setTransThreshold(float x, float y, float z, float w);

    const ZqMatrix& getMatrix() const { return m_matrix; }
    // Radians.
    float getFovY() const { return m_fovY; }
    float getAspect() const { return m_aspect; }
    float getZNear() const { return m_zNear; }
    float getZFar() const { return m_zFar; }
    // Each overwrites an output until the next evaluation.
    void setMatrix(const ZqMatrix& m) { m_matrix = m; }
    void setFovY(const float v) { m_fovY = v; }
    void setAspect(const float v) { m_aspect = v; }
    void setZNear(const float v) { m_zNear = v; }
    void setZFar(const float v) { m_zFar = v; }

    // Off: evaluation advances time and leaves every output alone.
    void setCalcMatrixEnable(const bool on) { m_calcMatrix = on; }
    bool isCalcMatrixEnable() const { return m_calcMatrix; }

    ZqGlCameraAnimation* getCameraAnimation() const { return m_pAnimation; }
    // The current key of a track, 0 before the first.
    uint32_t getKey(uint32_t track) const;
    float getTime() const;
    bool isEnd() const;
    uint8_t getLoopMode() const;
    void setLoopMode(uint8_t mode);
    uint8_t getLoopCount() const;
    void initOutMatrices() {}

private:
    friend class ZqFixList<ZqGlCameraAnimationPlayer>;
    friend class ZqGlResourcePlayer<ZqGlCameraAnimationPlayer, ZqGlCameraAnimation,
                                    ZqGlCameraAnimationPlayerTraits>;
    friend struct ZqGlCameraAnimationPlayerTraits;

    ZqGlCameraAnimationPlayer() = default;
    ~ZqGlCameraAnimationPlayer() override = default;

    void releaseBody();
    void resetOutputs();
    // True when track's step from its current key to the next is a one-frame cut.
    bool isCut(uint32_t track, const float* thresholds) const;
    void output();

    float m_rotThreshold[4] = {};
    float m_transThreshold[4] = {};
    float m_quat[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float m_pos[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    ZqMatrix m_matrix = ZqMatrix::UNIT;
    float m_fovY = 0.0f;
    float m_zNear = 0.0f;
    float m_zFar = 0.0f;
    float m_aspect = 0.0f;
    ZqGlCameraAnimation* m_pAnimation = nullptr;
    ZqGlKeyFramePlayer* m_pKeyFramePlayer = nullptr;
    bool m_calcMatrix = true;
};
