// ZqGlAnimationPlayer: plays one skeletal animation and turns its interpolated rotation,
// translation and scale values into one model-space matrix per bone, which a model takes as its
// bone matrices. The bone-matrix work lives in the nested MatrixCalc, shared with the layered
// mixer: local matrices, an optional retarget between two models' skeletons, optional Euler
// limits, optional bone scale and the walk down the hierarchy (row vectors: a child's matrix
// is its local matrix times its parent's).
// Not for: blending animations (ZqGlAnimationMixer). Depends on ZqGlAnimation,
// ZqGlKeyFramePlayer, ZqRefAlloc (the shared retarget tables) and the math types.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>
#include <vector>

class ZqGlAnimation;
class ZqGlKeyFramePlayer;
class ZqGlModel;
class ZqRefAlloc;

class ZqGlAnimationPlayer : public ZqFixList<ZqGlAnimationPlayer> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003200;
    static constexpr uint32_t ERROR_NULL = 0x20003201;
    static constexpr uint32_t ERROR_CALC = 0x20003202;
    static constexpr uint32_t ERROR_TRACK_TYPE = 0x20003203;
    static constexpr uint32_t ERROR_RETARGET_COUNT = 0x20003204;
    static constexpr uint32_t ERROR_RETARGET_TREE = 0x20003205;
    static constexpr uint32_t ERROR_RETARGET_TABLE = 0x20003206;
    static constexpr uint32_t POOL_SIZE = 256;

    // What drives one bone: four floats each of rotation (quaternion x, y, z, w), translation
    // (x, y, z, w) and scale (x, y, z, w); a track's interpolated values or a constant default.
    struct RotTransScalePtrs {
        const float* rot = nullptr;
        const float* trans = nullptr;
        const float* scale = nullptr;
    };

    // The bone-matrix calculation of one skeleton (the animation's hierarchy and bone count).
    class MatrixCalc {
    public:
        enum FLAG : uint8_t {
            FLAG_RETARGET = 1,
            FLAG_LIMITATION = 2,
            FLAG_BONE_SCALE = 4,
            FLAG_SCALE_TRACKS = 8,
        };

        MatrixCalc() = default;
        MatrixCalc(const MatrixCalc&) = delete;
        MatrixCalc& operator=(const MatrixCalc&) = delete;
        ~MatrixCalc() { quit(); }

        // Takes a counted reference to animation (the old one is released), clears the
        // retarget, limitation and bone-scale switches and sizes the per-bone tables (scales
        // 1, limits 0). The retarget table stays. False for a null animation; throws 1216 when
        // the tables cannot be allocated.
        bool init(ZqGlAnimation* animation);
        // Releases the animation and the retarget table and frees the tables.
        void quit();
        // The first count output matrices become the identity.
        void initOutMatrices(uint32_t count);
        // Local matrices of count bones from ptrs, then retarget and limits when on.
        void calcOutMatrices(uint32_t count, const RotTransScalePtrs* ptrs);
        // The hierarchy walk over the local matrices (with bone scale and scale tracks when on).
        void hierOutMatrices(uint32_t count, const RotTransScalePtrs* ptrs);

        ZqGlAnimation* getAnimation() const { return m_pAnimation; }
        uint8_t getNrBones() const { return m_nrBones; }
        const ZqMatrix* getMatrixArray() const { return m_vOut.data(); }
        const ZqMatrix& getMatrix(const uint32_t bone) const { return m_vOut[bone]; }
        void setMatrix(uint32_t bone, const ZqMatrix& m);

        void setBoneScaleEnable(bool on) { setFlag(FLAG_BONE_SCALE, on); }
        bool isBoneScaleEnable() const { return (m_flags & FLAG_BONE_SCALE) != 0; }
        void setBoneScale(uint32_t bone, float x, float y, float z);
        void setBoneScale(const uint32_t bone, const ZqVector3& s) {
            setBoneScale(bone, s.x, s.y, s.z);
        }
        // Bone numbers past the bone count give a shared (1, 1, 1) that is not used.
        ZqVector3& getBoneScale(uint32_t bone);
        void setRotateLimitationEnable(bool on) { setFlag(FLAG_LIMITATION, on); }
        bool isRotateLimitationEnable() const { return (m_flags & FLAG_LIMITATION) != 0; }
        // Radians; a pair of equal bounds leaves that angle free.
        void setRotateLimitation(uint32_t bone, float xFrom, float xTo, float yFrom, float yTo,
                                 float zFrom, float zTo);
        void setMotionRetargetEnable(bool on) { setFlag(FLAG_RETARGET, on); }
        bool isMotionRetargetEnable() const { return (m_flags & FLAG_RETARGET) != 0; }
        // The animation was made for source's skeleton and plays on target's. Either null drops
        // the table (true). False with the last error set when the skeletons differ from the
        // animation's or the table cannot be made.
        bool setMotionRetarget(const ZqGlModel* target, const ZqGlModel* source);

    private:
        struct Bone {
            ZqVector3 scale{1.0f, 1.0f, 1.0f};
            float limits[6] = {};
        };

        void setFlag(const uint8_t flag, const bool on) {
            m_flags = static_cast<uint8_t>(on ? (m_flags | flag) : (m_flags & ~flag));
        }
        void releaseTable();

        ZqGlAnimation* m_pAnimation = nullptr;
        ZqRefAlloc* m_pRetarget = nullptr;
        std::vector<Bone> m_vBones;
        std::vector<ZqMatrix> m_vOut;
        // Work copy during the walk with scale: each bone's unscaled matrix in model space.
        std::vector<ZqMatrix> m_vUnscaled;
        // Parent per bone (-1 for a root), copied from the animation for the walk.
        std::vector<int8_t> m_vParents;
        uint8_t m_flags = 0;
        uint8_t m_nrBones = 0;
    };

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // A player of animation from time ms; null with the last error set on failure.
    static ZqGlAnimationPlayer* create(ZqGlAnimation* animation, float time);
    // Lets everything go and returns the player to the pool; returns 0.
    unsigned int release();

    // Plays animation from time ms (retarget, limits and bone scale are switched off). False
    // with the last error set, the player then holding nothing.
    bool setAnimation(ZqGlAnimation* animation, float time);
    // Milliseconds; both evaluate every bone. Nothing happens without an animation.
    void setTime(float time);
    void setRelativeTime(float delta);

    const ZqMatrix& getMatrix(const uint32_t bone) const { return m_calc.getMatrix(bone); }
    const ZqMatrix* getMatrixArray() const { return m_calc.getMatrixArray(); }
    // Overwrites one output until the next evaluation.
    void setMatrix(const uint32_t bone, const ZqMatrix& m) { m_calc.setMatrix(bone, m); }

    uint8_t getNrBones() const { return m_calc.getNrBones(); }
    ZqGlAnimation* getAnimation() const { return m_calc.getAnimation(); }
    uint32_t getKey(uint32_t track) const;
    float getTime() const;
    bool isEnd() const;
    uint8_t getLoopCount() const;
    uint8_t getLoopMode() const;
    void setLoopMode(uint8_t mode);

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

    // Points every bone at the defaults, then the parts that animation's tracks drive at
    // player's interpolated values (bones at or past nrBones are skipped). False with
    // 0x20003203 set when a track's type drives no bone part (the other tracks are bound).
    static bool bindTracks(const ZqGlAnimation* animation, const ZqGlKeyFramePlayer* player,
                           uint32_t nrBones, RotTransScalePtrs* ptrs);
    static void setDefaults(RotTransScalePtrs& p);

private:
    friend class ZqFixList<ZqGlAnimationPlayer>;

    ZqGlAnimationPlayer() = default;
    ~ZqGlAnimationPlayer() override = default;

    void releaseBody();
    void evaluate();

    ZqGlKeyFramePlayer* m_pKeyFramePlayer = nullptr;
    MatrixCalc m_calc;
    std::vector<RotTransScalePtrs> m_vPtrs;
};
