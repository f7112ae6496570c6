#include "zq/dg/ZqDgRigid.h"

template <class Build> ZqDgRigid* ZqDgRigid::createWith(const Build& build) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgRigid* const r = ZqFixList::create();
    if (r == nullptr) {
        return nullptr;
    }
    bool ok = false;
    try {
        ok = build(*r);
    } catch (...) {
        ZqFixList::release(r);
        throw;
    }
    if (!ok) {
        ZqFixList::release(r);
        return nullptr;
    }
    return r;
}

ZqDgRigid* ZqDgRigid::create(const uint32_t joints, const uint32_t links,
                             const ZqVector3* const positions, const uint16_t* const pairs,
                             const float k, const float attenuate, const float mu) {
    return createWith([&](ZqDgRigid& r) {
        return r.ZqDgBody::init(joints, links, positions, pairs, k, attenuate, mu);
    });
}

ZqDgRigid* ZqDgRigid::create(const ZqGlModel* const model, const ZqMatrix& matrix,
                             const uint32_t extraLinks, const uint16_t* const pairs, const float k,
                             const float attenuate, const float mu) {
    return createWith([&](ZqDgRigid& r) {
        return r.ZqDgBody::init(model, matrix, extraLinks, pairs, k, attenuate, mu);
    });
}

ZqDgRigid* ZqDgRigid::create(const ZqGlModel* const model, const ZqMatrix& matrix, const float k,
                             const float attenuate, const float mu) {
    return create(model, matrix, 0, nullptr, k, attenuate, mu);
}

unsigned int ZqDgRigid::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgBody::quit();
    return ZqFixList::release(this);
}

void ZqDgRigid::sysInit() {
    ZqFixList::init(POOL_SIZE);
}

void ZqDgRigid::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        ZqFixList::quit();
    }
}
