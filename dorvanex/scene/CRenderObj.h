// Render objects: what a model piece or a queued sprite leaves in the render queue until the
// frame is drawn. CRenderBase is the interface the queue drives (transparency, culling, sort
// key, states and draws); CRenderObj stands for one submodel of a framework model, CRenderSprite
// for one sprite quad. Both are made only in the two fixed pools below (256 and 64 slots, no
// heap), and given back by deleteRenderObject, which the queue calls.
// Not for: deciding order or drawing whole groups (CRenderQueue). Depends on the framework's
// model, camera, shader and state, and on the game's sprite states (GameRender).
#pragma once

#include "zq/zq.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

class CSPSpriteBase;
class ZqGlModel;
class ZqGlTexture;
class ZqGlTextureAnimationPlayer;
namespace zqp::gpu {
class VertexDeclaration;
}

class CRenderBase {
public:
    CRenderBase() = default;
    CRenderBase(const CRenderBase&) = delete;
    CRenderBase& operator=(const CRenderBase&) = delete;
    virtual ~CRenderBase() = default;
    virtual bool isTransparent() const { return false; }
    virtual bool isCulled() const { return false; }
    virtual bool needsPrepare() const { return false; }
    virtual void prepare() {}
    virtual void beginDraw() {}
    virtual void endDraw() {}
    virtual void drawOpaque() {}
    virtual void drawTransparent() {}
    virtual void drawShadow() {}
    virtual void setOpaqueStates() {}
    virtual void setTransparentStates() {}
    // Distance along the view axis; smaller is nearer.
    virtual float getSortKey() const = 0;
};

// One submodel. The world matrix, textures, bones and players are the model's and must live
// until the queue has been drawn and cleared.
class CRenderObj : public CRenderBase {
public:
    // Below this alpha a submodel without its own blend operation is drawn transparent.
    static constexpr float OPAQUE_ALPHA = 0.95f;
    // Added to the submodel's sphere radius for the view test, so that pieces near the edge
    // are never dropped by a tight sphere.
    static constexpr float CULL_MARGIN = 100.0f;

    CRenderObj(ZqGlModel* model, uint32_t submodel, const ZqMatrix* world,
               ZqGlTexture* const* textures, const ZqMatrix* bones,
               ZqGlTextureAnimationPlayer* const* players, uint32_t nrPlayers, float alpha);

    bool isTransparent() const override;
    bool isCulled() const override;
    bool needsPrepare() const override { return m_needsPrepare; }
    // The submodel's sphere centre in the current camera's view space.
    void prepare() override;
    void drawOpaque() override;
    void drawTransparent() override { drawOpaque(); }
    void drawShadow() override;
    void setOpaqueStates() override;
    void setTransparentStates() override;
    float getSortKey() const override;

    const ZqVector3& getCentre() const { return m_centre; }

private:
    const ZqMatrix* m_pWorld;
    ZqGlModel* m_pModel;
    uint32_t m_submodel;
    ZqGlTexture* const* m_pTextures;
    const ZqMatrix* m_pBones;
    ZqGlTextureAnimationPlayer* const* m_pPlayers;
    uint32_t m_nrPlayers;
    float m_alpha;
    ZqVector3 m_centre{0.0f, 0.0f, 0.0f};
    bool m_needsPrepare = true;
};

// One sprite quad, always transparent, never culled, sorted by the sprite's depth.
class CRenderSprite : public CRenderBase {
public:
    explicit CRenderSprite(const CSPSpriteBase* sprite) : m_pSprite(sprite) {}
    ~CRenderSprite() override;
    bool isTransparent() const override { return true; }
    void beginDraw() override;
    void endDraw() override;
    void drawTransparent() override;
    void setTransparentStates() override;
    float getSortKey() const override;

private:
    const CSPSpriteBase* m_pSprite;
    std::shared_ptr<zqp::gpu::VertexDeclaration> m_savedDeclaration;
};

// A fixed pool of N slots of SLOT_SIZE bytes: create takes the first free slot from index 0
// and constructs in place; destroy runs the destructor and frees the slot. One pool of each
// size is "living" at a time (the one the game's statics made, or a test's), reached through
// getLiving. Main thread only.
template <size_t SLOT_SIZE, uint32_t N> class CRenderPool {
public:
    static constexpr uint32_t NR_SLOTS = N;

    CRenderPool() { living() = this; }
    ~CRenderPool() {
        for (uint32_t i = 0; i < N; ++i) {
            if (m_used[i] != 0) {
                slot(i)->~CRenderBase();
            }
        }
        if (living() == this) {
            living() = nullptr;
        }
    }
    CRenderPool(const CRenderPool&) = delete;
    CRenderPool& operator=(const CRenderPool&) = delete;

    static CRenderPool* getLiving() { return living(); }

    // Null when every slot is taken.
    template <class T, class... Args> T* create(Args&&... args) {
        static_assert(sizeof(T) <= SLOT_SIZE && alignof(T) <= SLOT_ALIGN);
        static_assert(std::is_base_of_v<CRenderBase, T>);
        const uint8_t* const free = std::find(m_used, m_used + N, uint8_t{0});
        if (free == m_used + N) {
            return nullptr;
        }
        const auto i = static_cast<uint32_t>(free - m_used);
        T* const object =
            ::new (static_cast<void*>(m_storage[i].bytes)) T(std::forward<Args>(args)...);
        m_used[i] = 1;
        return object;
    }
    // True when the object was one of this pool's used slots (and is now gone); a pointer
    // outside the pool or into a free slot is left alone.
    bool destroy(CRenderBase* const object) {
        const auto* const p = reinterpret_cast<const unsigned char*>(object);
        const auto* const first = reinterpret_cast<const unsigned char*>(m_storage);
        if (p < first || p >= first + sizeof(m_storage)) {
            return false;
        }
        const auto offset = static_cast<size_t>(p - first);
        const size_t i = offset / sizeof(Slot);
        if (offset % sizeof(Slot) != 0 || m_used[i] == 0) {
            return false;
        }
        object->~CRenderBase();
        m_used[i] = 0;
        return true;
    }
    uint32_t getNrUsed() const {
        return static_cast<uint32_t>(std::count(m_used, m_used + N, uint8_t{1}));
    }

private:
    static constexpr size_t SLOT_ALIGN = alignof(std::max_align_t);
    struct alignas(SLOT_ALIGN) Slot {
        unsigned char bytes[SLOT_SIZE];
    };
    static CRenderPool*& living() {
        static CRenderPool* pool = nullptr;
        return pool;
    }
    CRenderBase* slot(const uint32_t i) {
        return std::launder(reinterpret_cast<CRenderBase*>(m_storage[i].bytes));
    }

    Slot m_storage[N];
    uint8_t m_used[N] = {};
};

constexpr uint32_t NR_RENDER_OBJ_SLOTS = 256;
constexpr uint32_t NR_RENDER_SPRITE_SLOTS = 64;
using CRenderObjPool = CRenderPool<sizeof(CRenderObj), NR_RENDER_OBJ_SLOTS>;
using CRenderSpritePool = CRenderPool<sizeof(CRenderSprite), NR_RENDER_SPRITE_SLOTS>;

// A render object from the living pool of its kind; null when that pool is full or none lives.
CRenderObj* createRenderObj(ZqGlModel* model, uint32_t submodel, const ZqMatrix* world,
                            ZqGlTexture* const* textures, const ZqMatrix* bones,
                            ZqGlTextureAnimationPlayer* const* players, uint32_t nrPlayers,
                            float alpha);
CRenderSprite* createRenderSprite(const CSPSpriteBase* sprite);
// Gives the object back to whichever living pool holds it; anything else is left alone.
void deleteRenderObject(CRenderBase* object);
