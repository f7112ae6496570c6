// ZqDgRigid: a mass-spring body from a fixed pool of 1024, with nothing of its own beyond
// creation and release; its owner drives it with the body's members (stiff links and exact rest
// lengths make it hold its shape). Creation and release hold the pool's lock.
// Depends on ZqFixList and ZqDgBody.
#pragma once

#include "zq/dg/ZqDgBody.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>

class ZqGlModel;

class ZqDgRigid : public ZqFixList<ZqDgRigid>, public ZqDgBody {
public:
    static constexpr uint32_t POOL_SIZE = 1024;

    // A body from joint positions (all zero when null) and link pairs (joints 0 and 1 when
    // null); null when the pool is empty or the counts are out of range. Throws 512 when the
    // body's block cannot be allocated.
    static ZqDgRigid* create(uint32_t joints, uint32_t links, const ZqVector3* positions,
                             const uint16_t* pairs, float k, float attenuate, float mu);
    // A body from the model's skeleton, with extraLinks more links from pairs; null for a
    // null model too.
    static ZqDgRigid* create(const ZqGlModel* model, const ZqMatrix& matrix, uint32_t extraLinks,
                             const uint16_t* pairs, float k, float attenuate, float mu);
    static ZqDgRigid* create(const ZqGlModel* model, const ZqMatrix& matrix, float k,
                             float attenuate, float mu);
    // Frees the body's block and gives the object back to the pool; returns 0.
    unsigned int release();

private:
    friend class ZqFixList<ZqDgRigid>;
    friend class ZqDgSystem;

    ZqDgRigid() = default;
    ~ZqDgRigid() override = default;

    // Takes an object and builds it with build; the object goes back when build refuses.
    template <class Build> static ZqDgRigid* createWith(const Build& build);

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
};
