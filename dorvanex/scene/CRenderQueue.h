// CRenderQueue: the frame's 3D draw list. Model pieces and queued sprites are added as render
// objects into one of four groups (0 scene objects, 1 key items and characters, 2 lens flare
// and render-target sprites, 3 drawn last) and three lists per group: opaque, drawn near to
// far; transparent, drawn far to near; and planar shadows, drawn last through the stencil so
// that every covered pixel is darkened exactly once. The event director's frame calls
// beginFrame, clear, lets its objects add, then drawAll, resetRenderStates and drawLate.
// Objects stay queued until the next clear, which gives them back to their pools.
// One queue lives at a time (the game's statics make it; tests make their own), reached
// through getInstance. Main thread only.
// Depends on the render objects and pools (CRenderObj.h), the framework's shaders, states,
// lights, and the game's off-screen targets (GameRender).
#pragma once

#include "dorvanex/scene/CRenderObj.h"
#include "zq/zq.h"

#include <cstdint>
#include <vector>

class CRenderQueue {
public:
    static constexpr uint32_t NR_GROUPS = 4;
    static constexpr uint32_t LATE_GROUP = 3;
    enum LIST : uint32_t { LIST_OPAQUE = 0, LIST_TRANSPARENT = 1, LIST_SHADOW = 2 };
    static constexpr uint32_t NR_LISTS = 3;
    // The technique of the skinned effect that draws a flat colour.
    static constexpr unsigned int SHADOW_TECHNIQUE = 6;
    // Alpha of the shadow colour.
    static constexpr float SHADOW_ALPHA = 0.15f;

    // Empty lists, culling on, the shadow matrix of a light along (1, 1, 0) on the plane y = 4.
    CRenderQueue();
    ~CRenderQueue();
    CRenderQueue(const CRenderQueue&) = delete;
    CRenderQueue& operator=(const CRenderQueue&) = delete;

    // The living queue; null when none lives.
    static CRenderQueue* getInstance();

    // Queues object (prepared first when it asks); a culled object, or any object for a group
    // above 3, is given back to its pool at once and not queued.
    void add(uint32_t group, CRenderBase* object, bool shadow);
    // Groups 0 to 2, with every render state reset before and after.
    void drawAll(float dt);
    void drawGroup(float dt, uint32_t group);
    // Group 3, then the current off-screen target to the screen, then the other target is
    // made current for the next frame.
    void drawLate(float dt);
    // Gives every queued object back to its pool and empties the lists.
    void clear();
    // Makes the current off-screen target the render target and clears it.
    void beginFrame(float dt);
    // The planar shadow of the light (direction with w = 0, or position with w = 1; the
    // default light's direction when useDefaultLight) on the plane through point with normal.
    void calcShadowMatrix(const ZqVector4& light, const ZqVector3& point, const ZqVector3& normal,
                          bool useDefaultLight);
    static void resetRenderStates();

    const ZqMatrix& getShadowMatrix() const { return m_shadowMatrix; }
    void setCullEnable(const bool on) { m_cullEnable = on; }
    bool isCullEnable() const { return m_cullEnable; }

    // For tests and the frame's statistics: a list's length, and the pieces a full pool
    // refused since the last clear (their owners report them).
    uint32_t getListSize(uint32_t group, LIST list) const;
    void countDropped() { ++m_dropped; }
    uint32_t getDropped() const { return m_dropped; }

    // The plane (a, b, c, d) through point with normal: a x + b y + c z + d = 0.
    static ZqVector4 planeFromPointNormal(const ZqVector3& point, const ZqVector3& normal);
    // Flattens points onto the plane along the light, for row vectors (p' = p M, then divided
    // by w). The plane is normalised first. For a light of w = 0 the matrix is scaled so that
    // w comes out 1: the same projection, and the game's effects may take the model-view
    // matrix as affine.
    static ZqMatrix shadowMatrix(const ZqVector4& light, const ZqVector4& plane);

private:
    struct Keyed {
        float key;
        CRenderBase* object;
    };
    using List = std::vector<CRenderBase*>;

    void drawSorted(const List& list, bool transparent);
    void drawShadows(const List& list);

    List m_lists[NR_LISTS][NR_GROUPS];
    std::vector<Keyed> m_sortScratch;
    ZqMatrix m_shadowMatrix = ZqMatrix::UNIT;
    uint32_t m_dropped = 0;
    bool m_cullEnable = true;

    static CRenderQueue* m_pLiving;
};
