// ZqGlAnimationMixer: drives one skeleton (fixed by a reference animation) from up to four
// animation layers. Each bone takes its pose from one layer; each layer cross-fades from what
// it was playing to the animation last set on it and can chain an auto-loop animation that
// fades in as the current one nears its end. The chosen rotation, translation and scale go
// through the single player's bone-matrix calculation (retarget, limits, bone scale).
// Not for: playing one animation alone (ZqGlAnimationPlayer). Depends on ZqGlAnimationPlayer's
// MatrixCalc, ZqGlKeyFramePlayer and ZqGlAnimation.
#pragma once

#include "zq/gl/ZqGlAnimationPlayer.h"

#include <cstdint>
#include <vector>

class ZqGlKeyFrame;

class ZqGlAnimationMixer : public ZqFixList<ZqGlAnimationMixer> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003300;
    static constexpr uint32_t ERROR_NULL = 0x20003301;
    static constexpr uint32_t ERROR_LAYER = 0x20003302;
    static constexpr uint32_t ERROR_CALC = 0x20003303;
    static constexpr uint32_t POOL_SIZE = 16;
    static constexpr uint32_t NR_LAYERS = 4;
    using RotTransScalePtrs = ZqGlAnimationPlayer::RotTransScalePtrs;

    // One bone's pose: quaternion, translation and scale, four floats each.
    struct RotTransScale {
        float rot[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        float trans[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        float scale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    };

    // Two slots (old and current), each a key-frame player and an animation, a frozen pose or
    // nothing, and the cross-fade between them.
    class Layer {
    public:
        Layer() = default;
        Layer(const Layer&) = delete;
        Layer& operator=(const Layer&) = delete;
        ~Layer() { quit(); }

        // Per-bone tables at the defaults and two key-frame players on the reference's set.
        // False with the last error left by the key-frame player.
        bool init(ZqGlAnimation* referenceAnimation);
        void quit();
        // Cross-fades to animation over blendDuration ms (0: 1 ms), playing it from time ms.
        // Null empties the layer.
        bool setAnimation(ZqGlAnimation* animation, ZqGlAnimation* referenceAnimation,
                          float blendDuration, float time);
        bool setAutoLoopAnimation(ZqGlAnimation* animation, float duration, float startTime);
        void setTime(float time);
        void setRelativeTime(float delta);
        // The blend clock: set or advanced, ending the cross-fade at its duration.
        void blendTime(float time);
        void blendRelativeTime(float delta);
        // Mixes the two slots' values while both are filled.
        void blendMain();
        // The blend time itself; with blend calculation off, the blend ratio.
        void setBlendTime(const float value) { m_blendTime = value; }
        float getBlendTime() const { return m_blendTime; }
        float getBlendDuration() const { return m_blendDuration; }
        uint8_t getLoopMode() const { return m_loopMode; }
        void setLoopMode(uint8_t mode);
        bool isCalcBlendEnable() const { return m_calcBlend; }
        void setCalcBlendEnable(const bool on) { m_calcBlend = on; }
        float getAutoLoopDuration() const { return m_autoLoopDuration; }
        float getAutoLoopStartTime() const { return m_autoLoopStart; }
        ZqGlAnimation* getAutoLoopAnimation() const { return m_pAutoLoop; }
        // The current slot's animation (null when it holds none), and the old slot's.
        ZqGlAnimation* getAnimation() const { return current().animation; }
        ZqGlAnimation* getOldAnimation() const { return m_slots[m_old].animation; }
        // The current slot's player, null when that slot holds no animation.
        ZqGlKeyFramePlayer* getKeyFramePlayer() const;
        // The blended values of a bone in use (see setBoneDriven).
        const RotTransScale& getBlendedValues(const uint32_t bone) const {
            return m_vBlended[bone];
        }
        const RotTransScalePtrs& getOutPtrs(const uint32_t bone) const { return m_vOut[bone]; }
        // Whether the layer's pose of a bone is in use (every bone is after init). The values
        // of a bone not in use are worked out only when something could still read them
        // (a frozen pose, the bone coming into use), so they stay what a full evaluation gives.
        void setBoneDriven(uint32_t bone, bool on);

    private:
        enum class State : uint8_t { Empty, Frozen, Playing };
        // The tracks bound to one bone's rotation, translation and scale, -1 for a default.
        struct BoneTracks {
            int16_t part[3] = {-1, -1, -1};
        };
        struct Slot {
            ZqGlKeyFramePlayer* player = nullptr;
            ZqGlAnimation* animation = nullptr;
            State state = State::Empty;
            std::vector<RotTransScalePtrs> ptrs;
            std::vector<BoneTracks> tracks;
        };
        // What one slot held at the last blend: enough to sample its tracks again later.
        struct SlotSample {
            const ZqGlKeyFrame* set = nullptr;
            float rate = 0.0f;
            float time = 0.0f;
            State state = State::Empty;
        };

        const Slot& current() const { return m_slots[1 - m_old]; }
        Slot& current() { return m_slots[1 - m_old]; }
        // Releases the slot's animation, parks its player on the reference set, defaults.
        void empty(Slot& slot);
        void pointAtBlended();
        void putIntoOld(ZqGlAnimation* animation, float time);
        void startBlend(float duration);
        // Switches the slot's tracks of one bone on or off in its player.
        void activateTracks(const Slot& slot, uint32_t bone, bool on);
        // Fills in the blended values the last blend left out, as that blend would have made
        // them; runs before anything its inputs depend on changes.
        void completeBlend();

        Slot m_slots[2];
        ZqGlAnimation* m_pReference = nullptr;
        ZqGlAnimation* m_pAutoLoop = nullptr;
        std::vector<RotTransScale> m_vFrozen;
        std::vector<RotTransScale> m_vBlended;
        std::vector<RotTransScalePtrs> m_vOut;
        // Per bone: 1 while the pose is in use; 1 while the blended values are left out.
        std::vector<uint8_t> m_vDriven;
        std::vector<uint8_t> m_vLeftOut;
        SlotSample m_lastSlots[2];
        float m_lastFactor = 0.0f;
        uint8_t m_lastOld = 0;
        bool m_anyLeftOut = false;
        float m_blendDuration = 1.0f;
        float m_blendRcp = 1.0f;
        float m_blendTime = 0.0f;
        float m_autoLoopDuration = 1.0f;
        float m_autoLoopStart = 0.0f;
        uint32_t m_nrBones = 0;
        uint8_t m_old = 0;
        uint8_t m_loopMode = 0;
        bool m_calcBlend = true;
    };

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // A mixer of referenceAnimation's skeleton, every bone on layer 0; null with the last
    // error set on failure.
    static ZqGlAnimationMixer* create(ZqGlAnimation* referenceAnimation);
    unsigned int release();

    // Layer numbers 0..3 and bone numbers below the bone count; others are refused (false,
    // 0, null) or ignored.
    bool setAnimation(uint32_t layer, ZqGlAnimation* animation, float blendDuration, float time);
    bool setAutoLoopAnimation(uint32_t layer, ZqGlAnimation* animation, float duration,
                              float startTime);
    void setTime(uint32_t layer, float time);
    void setRelativeTime(uint32_t layer, float delta);
    // The frame's evaluation: every layer's blend clock, the blends, and the bone matrices.
    void setBlendTime(float time);
    void setBlendRelativeTime(float delta);
    void setLayerNr(uint32_t bone, uint32_t layer);
    void setLayerNrArray(const unsigned char* layers, uint32_t count);
    void setBlendRatio(uint32_t layer, float ratio);
    float getBlendTime(uint32_t layer) const;
    void setCalcBlendEnable(uint32_t layer, bool on);
    bool isCalcBlendEnable(uint32_t layer) const;
    void setLoopMode(uint32_t layer, uint8_t mode);
    uint8_t getLoopMode(uint32_t layer) const;
    ZqGlAnimation* getAnimation(uint32_t layer) const;
    ZqGlAnimation* getAutoLoopAnimation(uint32_t layer) const;
    ZqGlAnimation* getRefAnimation() const { return m_calc.getAnimation(); }
    uint8_t getNrBones() const { return m_nrBones; }
    bool isEnd(uint32_t layer) const;
    uint8_t getLoopCount(uint32_t layer) const;
    float getTime(uint32_t layer) const;
    uint32_t getKey(uint32_t layer, uint32_t track) const;
    void releaseLayer(uint32_t layer);

    const ZqMatrix& getMatrix(const uint32_t bone) const { return m_calc.getMatrix(bone); }
    const ZqMatrix* getMatrixArray() const { return m_calc.getMatrixArray(); }
    void setMatrix(const uint32_t bone, const ZqMatrix& m) { m_calc.setMatrix(bone, m); }
    void setBoneScaleEnable(const bool on) { m_calc.setBoneScaleEnable(on); }
    bool isBoneScaleEnable() const { return m_calc.isBoneScaleEnable(); }
    void setBoneScale(const uint32_t bone, const float x, const float y, const float z) {
        m_calc.setBoneScale(bone, x, y, z);
    }
    void setBoneScale(const uint32_t bone, const ZqVector3& s) { m_calc.setBoneScale(bone, s); }
    ZqVector3& getBoneScale(const uint32_t bone) { return m_calc.getBoneScale(bone); }
    void setRotateLimitationEnable(const bool on) { m_calc.setRotateLimitationEnable(on); }
    bool isRotateLimitationEnable() const { return m_calc.isRotateLimitationEnable(); }
    void setRotateLimitation(const uint32_t bone, const float xFrom, const float xTo,
                             const float yFrom, const float yTo, const float zFrom,
                             const float zTo) {
        m_calc.setRotateLimitation(bone, xFrom, xTo, yFrom, yTo, zFrom, zTo);
    }
    void setMotionRetargetEnable(const bool on) { m_calc.setMotionRetargetEnable(on); }
    bool isMotionRetargetEnable() const { return m_calc.isMotionRetargetEnable(); }
    bool setMotionRetarget(const ZqGlModel* target, const ZqGlModel* source) {
        return m_calc.setMotionRetarget(target, source);
    }

private:
    friend class ZqFixList<ZqGlAnimationMixer>;

    ZqGlAnimationMixer() = default;
    ~ZqGlAnimationMixer() override = default;

    void releaseBody();
    void evaluate();
    // Tells a layer which bones take their pose from it.
    void driveBones(uint32_t layer);

    Layer m_layers[NR_LAYERS];
    ZqGlAnimationPlayer::MatrixCalc m_calc;
    std::vector<uint8_t> m_vLayerNr;
    std::vector<RotTransScalePtrs> m_vPtrs;
    uint8_t m_nrBones = 0;
};
