// ZqDgClothSimulator: a mass-spring body driven as cloth, hair or a dangling part of a skinned
// model. Pinned joints follow a transform, the others swing under gravity and wind, keep their
// links' lengths and are pushed out of the volumes of a box tree; after a step the joints can
// be turned back into bone matrices. A fixed pool of 1024; creation and release hold the
// pool's lock, update and calcMatrices run on the caller's thread without one.
// Depends on ZqFixList, ZqDgBody, ZqDgObbTree (its cylindroid push-out) and ZqGlModel's
// skeleton.
#pragma once

#include "zq/dg/ZqDgBody.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>
#include <memory>

class ZqDgObbTree;
class ZqGlModel;

class ZqDgClothSimulator : public ZqFixList<ZqDgClothSimulator>, public ZqDgBody {
public:
    static constexpr uint32_t POOL_SIZE = 1024;
    static constexpr uint32_t NR_PASSES = 10;

    enum JOINT_FLAGS : uint32_t {
        // The joint passes through the boxes.
        JOINT_NO_COLLISION = 1,
        // The joint is held at its reference position transformed by the update matrix, and
        // calcMatrices does not turn its parent bone for it.
        JOINT_PINNED = 2,
    };
    enum LINK_FLAGS : uint32_t {
        // Only the spring works on the link; its rest length is not restored exactly.
        LINK_SPRING_ONLY = 1,
        // The link's midpoint is pushed out of the boxes too.
        LINK_CENTER_COLLISION = 2,
    };

    // A cloth from joint positions and link pairs (joints 0 and 1 when null); jointFlags holds
    // one word per joint (all 0 when null). Null for null positions, an empty pool or counts
    // out of range. Throws 512 or 528 when a block cannot be allocated.
    static ZqDgClothSimulator* create(uint32_t joints, uint32_t links, const ZqVector3* positions,
                                      const uint32_t* jointFlags, const uint16_t* pairs, float k,
                                      float attenuate, float mu);
    // A cloth over the model's skeleton; the extra links from pairs collide at their midpoints
    // and keep no exact length. The current matrices start as the bones' bind matrices.
    static ZqDgClothSimulator* create(const ZqGlModel* model, const ZqMatrix& matrix,
                                      uint32_t extraLinks, const uint16_t* pairs, float k,
                                      float attenuate, float mu);
    static ZqDgClothSimulator* create(const ZqGlModel* model, const ZqMatrix& matrix, float k,
                                      float attenuate, float mu);
    // Frees both blocks and gives the object back to the pool; returns 0.
    unsigned int release();

    // One step: the joints move by their velocities, ten passes of pinning, link relaxation,
    // push-out from the tree's volumes (none when tree is null) and exact link lengths, then
    // new velocities. Allocates nothing.
    void update(ZqDgObbTree* tree, const ZqMatrix& matrix);
    // Bone matrices from the joints: each bone's bind matrix x matrix, the parent bone turned
    // so that it points at the joint, translations at the joints. The model must be the one
    // the joints stand for (joint i = bone i).
    void calcMatrices(const ZqGlModel& model, const ZqMatrix& matrix);

    const ZqMatrix& getMatrix(const uint32_t i) const { return m_pMatrices[i]; }
    const ZqMatrix* getMatrixArray() const { return m_pMatrices; }
    uint32_t getJointFlags(const uint32_t i) const { return m_pJointExtras[i].flags; }
    void setJointFlags(const uint32_t i, const uint32_t f) { m_pJointExtras[i].flags = f; }
    uint32_t getLinkFlags(const uint32_t i) const { return m_pLinkFlags[i]; }
    void setLinkFlags(const uint32_t i, const uint32_t f) { m_pLinkFlags[i] = f; }
    ZqVector3 getJointOrgPos(const uint32_t i) const { return m_pJointExtras[i].orgPos; }

private:
    friend class ZqFixList<ZqDgClothSimulator>;
    friend class ZqDgSystem;

    // 40 bytes per joint.
    struct JointExtra {
        uint32_t flags;
        ZqVector3 orgPos;
        uint8_t reserved[24];
    };

    ZqDgClothSimulator() = default;
    ~ZqDgClothSimulator() override = default;

    template <class Build> static ZqDgClothSimulator* createWith(const Build& build);
    // The extras block for the body just built: flags 0, reference positions = the joints,
    // identity matrices.
    void initExtras();
    // Every pinned joint to its reference position transformed by matrix.
    void pinJoints(const ZqMatrix& matrix);

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}

    std::unique_ptr<uint8_t[]> m_pExtras;
    JointExtra* m_pJointExtras = nullptr;
    uint32_t* m_pLinkFlags = nullptr;
    ZqMatrix* m_pMatrices = nullptr;
    ZqMatrix* m_pOrgMatrices = nullptr;
};
