// ZqDgClothSimulator: the pool, the relaxation step with its push-out from the box tree, and
// the bone matrices.
#include "zq/dg/ZqDgClothSimulator.h"

#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/gl/ZqGlModel.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// The fatal code of a failed allocation of the extras block.
constexpr unsigned int OUT_OF_MEMORY = 528;
// Share of a link midpoint's push-out that moves each of the link's joints.
constexpr float CENTER_PUSH = 0.7f;
// The largest number of volumes a tree holds (one per bone of a model).
constexpr uint32_t MAX_VOLUMES = 256;
// Below this cosine magnitude a bone is turned about a x b; at or above it the two directions
// are taken as equal or opposite.
constexpr float PARALLEL = 0.999999f;
constexpr float HALF_TURN = 3.14159265358979f;

// A sphere around one volume of the tree. A point outside it is outside the volume, so the
// exact test (and the point figure it takes) is skipped for it.
struct Bound {
    ZqVector3 center;
    float radiusSquared;
};

// Bounds of the tree's volumes as they stand; the count made.
uint32_t makeBounds(ZqDgObbTree* const tree, Bound* const bounds) {
    const uint32_t n = tree != nullptr ? std::min(tree->getNrObbs(), MAX_VOLUMES) : 0;
    for (uint32_t b = 0; b < n; ++b) {
        const ZqDgCylindroid& v = tree->getObb(b);
        const float length = v.m_radius[0];
        const float across = std::max(zqFabs(v.m_radius[1]), zqFabs(v.m_radius[2]));
        // Inside the volume |x| <= L and the cross-section lies within the larger semi-axis;
        // the margin covers rounding (and the push-out lands on the surface, inside too).
        bounds[b].center = v.m_center;
        bounds[b].radiusSquared = (length * length + across * across) * 1.001f + 1.0e-6f;
    }
    return n;
}

// Pushes p out of every volume it lies in, in the tree's order; true when one moved it.
bool pushOut(ZqDgObbTree* const tree, const Bound* const bounds, const uint32_t n, ZqVector3& p) {
    bool moved = false;
    for (uint32_t b = 0; b < n; ++b) {
        if ((p - bounds[b].center).lengthSquared() > bounds[b].radiusSquared) {
            continue;
        }
        moved |= tree->getObb(b).intersectYZ(ZqDgPoint(p.x, p.y, p.z), &p);
    }
    return moved;
}

// The rotation that turns the unit direction a onto the unit direction b. Equal directions
// and a zero direction give the identity; opposite ones a half turn about an axis at right
// angles to a.
ZqMatrix turnOnto(const ZqVector3& a, const ZqVector3& b) {
    ZqMatrix r = ZqMatrix::UNIT;
    if (a.lengthSquared() == 0.0f || b.lengthSquared() == 0.0f) {
        return r;
    }
    const float q = a.dot(b);
    if (zqFabs(q) < PARALLEL) {
        ZqVector3 axis;
        axis.cross(a, b).normalize();
        r.setRotAxis(axis, std::acos(q));
    } else if (q < 0.0f) {
        // Any axis at right angles to a: a crossed with the unit axis it leans on least.
        ZqVector3 m;
        m.abs(a);
        ZqVector3 other(0.0f, 0.0f, 0.0f);
        if (m.x <= m.y && m.x <= m.z) {
            other.x = 1.0f;
        } else if (m.y <= m.z) {
            other.y = 1.0f;
        } else {
            other.z = 1.0f;
        }
        ZqVector3 axis;
        axis.cross(a, other).normalize();
        r.setRotAxis(axis, HALF_TURN);
    }
    return r;
}

} // namespace

template <class Build> ZqDgClothSimulator* ZqDgClothSimulator::createWith(const Build& build) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgClothSimulator* const c = ZqFixList::create();
    if (c == nullptr) {
        return nullptr;
    }
    bool ok = false;
    try {
        ok = build(*c);
    } catch (...) {
        c->ZqDgBody::quit();
        c->m_pExtras.reset();
        ZqFixList::release(c);
        throw;
    }
    if (!ok) {
        c->ZqDgBody::quit();
        ZqFixList::release(c);
        return nullptr;
    }
    return c;
}

void ZqDgClothSimulator::initExtras() {
    const uint64_t joints = getNrJoints();
    const uint64_t links = getNrLinks();
    const uint64_t extraBytes = joints * sizeof(JointExtra);
    const uint64_t flagBytes = links * sizeof(uint32_t);
    const uint64_t matrixBytes = joints * sizeof(ZqMatrix);
    try {
        m_pExtras = std::make_unique<uint8_t[]>(extraBytes + flagBytes + 2 * matrixBytes);
    } catch (const std::bad_alloc&) {
        throw OUT_OF_MEMORY;
    }
    // Joint extras, link flags, current matrices, reference matrices: one zero-filled block.
    uint8_t* const block = m_pExtras.get();
    m_pJointExtras = reinterpret_cast<JointExtra*>(block);
    m_pLinkFlags = reinterpret_cast<uint32_t*>(block + extraBytes);
    m_pMatrices = reinterpret_cast<ZqMatrix*>(block + extraBytes + flagBytes);
    m_pOrgMatrices = reinterpret_cast<ZqMatrix*>(block + extraBytes + flagBytes + matrixBytes);
    for (uint32_t i = 0; i < joints; ++i) {
        m_pJointExtras[i].orgPos = getJointPos(i);
        m_pMatrices[i] = ZqMatrix::UNIT;
        m_pOrgMatrices[i] = ZqMatrix::UNIT;
    }
}

ZqDgClothSimulator* ZqDgClothSimulator::create(const uint32_t joints, const uint32_t links,
                                               const ZqVector3* const positions,
                                               const uint32_t* const jointFlags,
                                               const uint16_t* const pairs, const float k,
                                               const float attenuate, const float mu) {
    if (positions == nullptr) {
        return nullptr;
    }
    return createWith([&](ZqDgClothSimulator& c) {
        if (!c.ZqDgBody::init(joints, links, positions, pairs, k, attenuate, mu)) {
            return false;
        }
        c.initExtras();
        if (jointFlags != nullptr) {
            for (uint32_t i = 0; i < joints; ++i) {
                c.m_pJointExtras[i].flags = jointFlags[i];
            }
        }
        return true;
    });
}

ZqDgClothSimulator* ZqDgClothSimulator::create(const ZqGlModel* const model, const ZqMatrix& matrix,
                                               const uint32_t extraLinks,
                                               const uint16_t* const pairs, const float k,
                                               const float attenuate, const float mu) {
    return createWith([&](ZqDgClothSimulator& c) {
        if (!c.ZqDgBody::init(model, matrix, extraLinks, pairs, k, attenuate, mu)) {
            return false;
        }
        c.initExtras();
        const uint32_t bones = model->getNrBones();
        // The skeleton's links come first, one per bone with a parent; a model with several
        // roots leaves the rest of its bones - 1 slots without joints, and those are kept
        // out of the exact-length pass.
        uint32_t made = 0;
        for (uint32_t b = 0; b < bones; ++b) {
            made += model->getBoneParentNr(b) != -1 ? 1 : 0;
        }
        for (uint32_t i = made; i + 1 < bones; ++i) {
            c.m_pLinkFlags[i] = LINK_SPRING_ONLY;
        }
        for (uint32_t i = bones - 1; i < c.getNrLinks(); ++i) {
            c.m_pLinkFlags[i] = LINK_SPRING_ONLY | LINK_CENTER_COLLISION;
        }
        for (uint32_t i = 0; i < bones; ++i) {
            c.m_pMatrices[i] = model->getBoneBindMatrix(i);
        }
        return true;
    });
}

ZqDgClothSimulator* ZqDgClothSimulator::create(const ZqGlModel* const model, const ZqMatrix& matrix,
                                               const float k, const float attenuate,
                                               const float mu) {
    return create(model, matrix, 0, nullptr, k, attenuate, mu);
}

unsigned int ZqDgClothSimulator::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgBody::quit();
    m_pExtras.reset();
    m_pJointExtras = nullptr;
    m_pLinkFlags = nullptr;
    m_pMatrices = nullptr;
    m_pOrgMatrices = nullptr;
    return ZqFixList::release(this);
}

void ZqDgClothSimulator::sysInit() {
    ZqFixList::init(POOL_SIZE);
}

void ZqDgClothSimulator::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        ZqFixList::quit();
    }
}

void ZqDgClothSimulator::pinJoints(const ZqMatrix& matrix) {
    const uint32_t joints = getNrJoints();
    for (uint32_t i = 0; i < joints; ++i) {
        if ((m_pJointExtras[i].flags & JOINT_PINNED) != 0) {
            getJointPos(i).rotTrans(m_pJointExtras[i].orgPos, matrix);
        }
    }
}

void ZqDgClothSimulator::update(ZqDgObbTree* const tree, const ZqMatrix& matrix) {
    const uint32_t joints = getNrJoints();
    const uint32_t links = getNrLinks();
    Bound bounds[MAX_VOLUMES];
    const uint32_t volumes = makeBounds(tree, bounds);

    moveJointsVelocities();
    for (uint32_t pass = 0; pass < NR_PASSES; ++pass) {
        pinJoints(matrix);
        calcLinks();
        if (volumes != 0) {
            for (uint32_t i = 0; i < joints; ++i) {
                if ((m_pJointExtras[i].flags & JOINT_NO_COLLISION) == 0) {
                    pushOut(tree, bounds, volumes, getJointPos(i));
                }
            }
            for (uint32_t l = 0; l < links; ++l) {
                if ((m_pLinkFlags[l] & LINK_CENTER_COLLISION) == 0) {
                    continue;
                }
                // Every volume tests the midpoint as first computed; each hit moves both
                // joints by a share of that volume's push.
                ZqVector3 c;
                calcLinkCenterPoint(l, &c);
                for (uint32_t b = 0; b < volumes; ++b) {
                    if ((c - bounds[b].center).lengthSquared() > bounds[b].radiusSquared) {
                        continue;
                    }
                    ZqVector3 out;
                    if (tree->getObb(b).intersectYZ(ZqDgPoint(c.x, c.y, c.z), &out)) {
                        const ZqVector3 push = (out - c) * CENTER_PUSH;
                        getLinkJoint0Pos(l) += push;
                        getLinkJoint1Pos(l) += push;
                    }
                }
            }
        }
        for (uint32_t l = 0; l < links; ++l) {
            if ((m_pLinkFlags[l] & LINK_SPRING_ONLY) == 0) {
                resetLinkLength(l);
            }
        }
    }
    calcJointsVelocities();
}

void ZqDgClothSimulator::calcMatrices(const ZqGlModel& model, const ZqMatrix& matrix) {
    const uint32_t n = std::min<uint32_t>(getNrJoints(), model.getNrBones());
    for (uint32_t i = 0; i < n; ++i) {
        m_pMatrices[i].mul(model.getBoneBindMatrix(i), matrix);
        m_pOrgMatrices[i] = m_pMatrices[i];
    }
    for (uint32_t i = 0; i < n; ++i) {
        const int parent = model.getBoneParentNr(i);
        if ((m_pJointExtras[i].flags & JOINT_PINNED) != 0 || parent < 0 ||
            static_cast<uint32_t>(parent) >= n) {
            continue;
        }
        const uint32_t p = static_cast<uint32_t>(parent);
        ZqVector3 a = ZqVector3().setFromMatrixPosition(m_pOrgMatrices[i]) -
                      ZqVector3().setFromMatrixPosition(m_pOrgMatrices[p]);
        ZqVector3 b = getJointPos(i) - getJointPos(p);
        a.normalize();
        b.normalize();
        m_pMatrices[p].mul(turnOnto(a, b));
        m_pMatrices[p].setTrans(getJointPos(p));
        m_pMatrices[i].setTrans(getJointPos(i));
    }
}
