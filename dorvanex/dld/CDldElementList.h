// The display list of a screen or heads-up display: a pool of elements made at creation and
// 65 chains, one per priority 0..64. An element shows one object (a frame, a frame with
// corners, a playing layer or an owner's callback) and holds one reference on it; update runs
// the chains from the lower priority up, draw sets the current layout priority to each
// element's priority while it draws. Within a chain the element added last comes first.
// Elements are never removed one by one; they are hidden by disabling their draw.
#pragma once

#include "dorvanex/dld/CDldRef.h"

#include <cstdint>
#include <vector>

class CDldFile;
class CDldFrame;
class CDldLayer;
class CDldElementList;
class ZqGlTexture;

class CDldElement {
public:
    enum KIND : uint32_t { KIND_FRAME = 0, KIND_FRAME_EX, KIND_LAYER, KIND_USER, KIND_NONE };
    static constexpr uint32_t FLAG_UPDATE = 1;
    static constexpr uint32_t FLAG_DRAW = 2;

    void enableUpdate() { m_flags |= FLAG_UPDATE; }
    void disableUpdate() { m_flags &= ~FLAG_UPDATE; }
    void enableDraw() { m_flags |= FLAG_DRAW; }
    void disableDraw() { m_flags &= ~FLAG_DRAW; }
    bool isDrawEnabled() const { return (m_flags & FLAG_DRAW) != 0; }
    bool isUpdateEnabled() const { return (m_flags & FLAG_UPDATE) != 0; }

    // The layer shown (null unless a layer element), the frame (null unless a frame).
    CDldLayer* getLayer() const;
    CDldFrame* getFrame() const;
    uint32_t getKind() const { return m_kind; }
    uint32_t getPriority() const { return m_priority; }
    // Moves the element to the head of another priority's chain; false above 64.
    bool setPriority(uint32_t priority);

    void update(float dt);
    void draw();

private:
    friend class CDldElementList;
    CDldRef* m_pObject = nullptr;
    uint32_t m_kind = KIND_NONE;
    uint32_t m_flags = 0;
    uint32_t m_priority = 0;
    CDldElementList* m_pList = nullptr;
    CDldElement* m_pPrev = nullptr;
    CDldElement* m_pNext = nullptr;
};

class CDldElementList : public CDldRef {
public:
    static constexpr uint32_t NR_PRIORITIES = 65;

    // A list with room for count elements, one reference held by the caller; false and null
    // on failure.
    static bool create(uint32_t count, CDldElementList** out);

    // Each returns the new element, or null when the pool is empty or the priority is above 64.
    CDldElement* addLayer(CDldFile* file, uint32_t layer, uint32_t priority);
    CDldElement* addCell(CDldFile* file, uint32_t cell, uint32_t priority);
    CDldElement* addRect(ZqGlTexture* texture, uint16_t x, uint16_t y, uint16_t width,
                         uint16_t height, uint32_t priority);

    void update(uint32_t from, uint32_t to, float dt);
    void updateAll(float dt) { update(0, NR_PRIORITIES - 1, dt); }
    void draw(uint32_t from, uint32_t to);
    void drawAll() { draw(0, NR_PRIORITIES - 1); }

    uint32_t getCapacity() const { return static_cast<uint32_t>(m_pool.size()); }

    CDldElementList() = default;
    ~CDldElementList() override;
    void clear() override;

private:
    friend class CDldElement;
    CDldElement* take(CDldRef* object, uint32_t kind, uint32_t priority);
    void link(CDldElement& e, uint32_t priority);
    void unlink(CDldElement& e);

    std::vector<CDldElement> m_pool;
    CDldElement* m_pFree = nullptr;
    CDldElement* m_heads[NR_PRIORITIES] = {};
};
