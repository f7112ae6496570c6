#include "zq/dg/ZqDgObbTree.h"

#include "zq/dg/ZqDgFrame_internal.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/system/ZqError.h"

#include <new>

namespace {

// The colours of the edges from corner 0 (along axes 0, 1, 2) and of the others.
constexpr uint32_t AXIS0_COLOR = 0x8000FF00u;
constexpr uint32_t AXIS1_COLOR = 0x80FF0000u;
constexpr uint32_t AXIS2_COLOR = 0x800000FFu;
constexpr uint32_t EDGE_COLOR = 0x80FFFFFFu;

uint32_t edgeColor(const int edge) {
    switch (edge) {
    case 0:
        return AXIS0_COLOR;
    case 4:
        return AXIS1_COLOR;
    case 8:
        return AXIS2_COLOR;
    default:
        return EDGE_COLOR;
    }
}

} // namespace

void ZqDgObbTree::sysInit() {
    init(POOL_SIZE);
}

void ZqDgObbTree::sysQuit() {
    quit();
}

ZqDgObbTree* ZqDgObbTree::create(unsigned int, ZqGlModel* const model, const bool* const boneMask) {
    if (model == nullptr || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgObbTree* const tree = ZqFixList::create();
    if (tree == nullptr) {
        return nullptr;
    }
    const uint32_t bones = model->getNrBones();
    uint32_t chosen = 0;
    for (uint32_t b = 0; b < bones; ++b) {
        if (boneMask == nullptr || boneMask[b]) {
            ++chosen;
        }
    }
    try {
        tree->m_entries.resize(chosen);
    } catch (const std::bad_alloc&) {
        ZqFixList::release(tree);
        throw ZqError::BOX_TREE_MEMORY;
    }
    uint32_t next = 0;
    for (uint32_t b = 0; b < bones; ++b) {
        if (boneMask != nullptr && !boneMask[b]) {
            continue;
        }
        Entry& e = tree->m_entries[next++];
        const ZqDgAxisAlignedBoundingBox& box = model->getBoneBoundingBox(b);
        e.boneNr = static_cast<uint8_t>(b);
        e.localCenter = box.m_center;
        e.volume.set(box);
    }
    tree->m_pModel = model;
    model->addRef();
    return tree;
}

void ZqDgObbTree::update(const ZqMatrix* const boneMatrices, const ZqMatrix& world) {
    for (Entry& e : m_entries) {
        const ZqMatrix m = ZqMatrix(e.localCenter) * boneMatrices[e.boneNr] * world;
        e.volume.setMatrix(m);
    }
}

void ZqDgObbTree::draw() const {
    for (const Entry& e : m_entries) {
        ZqVector3 corners[8];
        ZqDgOrientedBoundingBox(e.volume).calcCoordinates(corners);
        for (int i = 0; i < 12; ++i) {
            ZqGlLine::m_color = edgeColor(i);
            ZqGlLine::draw(corners[zqdg::BOX_EDGES[2 * i]], corners[zqdg::BOX_EDGES[2 * i + 1]]);
        }
    }
}

unsigned int ZqDgObbTree::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    std::vector<Entry>().swap(m_entries);
    if (m_pModel != nullptr) {
        m_pModel->release();
        m_pModel = nullptr;
    }
    return ZqFixList::release(this);
}
