// The three particle kinds, each in a fixed pool of its own: rotating particles (camera-facing
// quads with an in-plane angle), line particles (a segment from head to tail) and model
// particles (small generated meshes with their own world matrix). A pool links its live
// records into one draw list per (blend mode, texture), and for models per shape too, when
// they are born, so the update and the drawing walk the lists in order and never sort.
// Owned by ParticleManager; main thread only; no allocation after creation. Internal to the
// particle engine.
#pragma once

#include "zq/u/pm/ZquPm.h"
#include "zq/u/pm/ZquPmParam.h"

#include <bit>
#include <cstdint>
#include <memory>

namespace ZquPm {
struct EmitContext;
}

// Texture slots of the manager's table; a list index is the slot + 1, 0 for no slot. Each
// group has one list more than the table has slots, so the last slot keeps a list of its own.
constexpr uint32_t PM_TEXTURE_SLOTS = 100;
constexpr uint32_t PM_LISTS_PER_GROUP = PM_TEXTURE_SLOTS + 1;

// What every kind's record begins with: owner, root and the links of the live list. The
// draw-list links live in the pool beside the records (drawNext), as does a root kept from
// birth (ownRoot): the step never reads it.
struct ParticleCommon {
    ZquPm::EmitParam* owner = nullptr;
    const ZqMatrix* root = nullptr;
    uint16_t next = 0;
    uint16_t prev = 0;
    uint32_t blend = 0;
    uint16_t texIndex = 0;
    uint16_t list = 0;
    ZquPm::TextureFrame frame;
    uint16_t age = 0;
    uint16_t life = 0;
    uint16_t phase[ZquPm::PHASE_COUNT] = {};
};

// Steering shared by rotating and line particles (motion modes 3 and 4).
struct Steering {
    ZqVector3 axis{0.0f, 0.0f, 0.0f};
    ZqVector3 current{0.0f, 0.0f, 0.0f};
    ZqVector3 initial{0.0f, 0.0f, 0.0f};
    ZqVector3 target{0.0f, 0.0f, 0.0f};
    const ZqVector3* liveTarget = nullptr;
    uint8_t toggle = 0;
    uint16_t interval = 1;
    // multipleKey(interval), set with it.
    uint32_t intervalKey = 0;
    float speed = 0.0f;
    float weight = 0.0f;
};

struct RotParticle : ParticleCommon {
    uint32_t motion = 0;
    ZqVector3 position{0.0f, 0.0f, 0.0f};
    ZqVector3 velocity{0.0f, 0.0f, 0.0f};
    ZqVector3 acceleration{0.0f, 0.0f, 0.0f};
    float drag = 0.0f;
    float angle = 0.0f;
    float angVel = 0.0f;
    float angAcc = 0.0f;
    ZquPm::ColourKeys colour;
    ZquPm::ThreeKey alpha;
    ZquPm::ThreeKey size;
    ZquPm::ThreeKey size2;
};

struct LineParticle : ParticleCommon {
    uint32_t motion = 0;
    ZqVector3 head{0.0f, 0.0f, 0.0f};
    ZqVector3 tail{0.0f, 0.0f, 0.0f};
    ZqVector3 velocity{0.0f, 0.0f, 0.0f};
    ZqVector3 acceleration{0.0f, 0.0f, 0.0f};
    float drag = 0.0f;
    uint32_t orientation = 0;
    uint8_t tailLeads = 0;
    ZquPm::ThreeKey length;
    uint8_t ownTail = 0;
    uint8_t fadeTail = 0;
    ZquPm::ColourKeys colour;
    ZquPm::Rgb tailCurrent;
    ZquPm::Rgb tailFixed;
    ZquPm::ThreeKey alpha;
    ZquPm::ThreeKey width;
    ZqVector3 direction{0.0f, 1.0f, 0.0f};
};

struct ModelParticle : ParticleCommon {
    uint32_t shape = 0;
    uint32_t triangles = 0;
    uint16_t segments = 0;
    float shapeParam = 0.0f;
    uint8_t shapeFlag = 0;
    ZqMatrix frameMatrix{1.0f};
    ZqMatrix world{1.0f};
    ZqVector3 position{0.0f, 0.0f, 0.0f};
    ZqVector3 velocity{0.0f, 0.0f, 0.0f};
    ZqVector3 acceleration{0.0f, 0.0f, 0.0f};
    float drag = 0.0f;
    ZqVector3 angles{0.0f, 0.0f, 0.0f};
    ZqVector3 angVel{0.0f, 0.0f, 0.0f};
    ZqVector3 angAcc{0.0f, 0.0f, 0.0f};
    ZquPm::ThreeKey scale[3];
    ZquPm::ColourKeys colour;
    ZquPm::ThreeKey alpha;
    // The scaling and rotation part of the world matrix, and the scales and angles (x, y, z)
    // it was made from.
    ZqMatrix scaleRot{1.0f};
    uint32_t shapeKey[6] = {};
    bool shapeValid = false;

    // Scaling, rotation about Y, X, Z, translation to the position, then the frame matrix.
    void buildWorld();
};

// Asks for the cache lines of a record the walk reaches next: draw lists hop between records
// in birth order, which the hardware cannot guess.
template <class P> inline void prefetchRecord(const P& p) {
#if defined(__GNUC__)
    const char* const c = reinterpret_cast<const char*>(&p);
    for (size_t o = 0; o < sizeof(P); o += 64) {
        __builtin_prefetch(c + o);
    }
#else
    (void)p;
#endif
}

// The free list, the live list and the draw lists over one record array. Index 0 is never
// handed out. alloc returns 0 when the pool is full or the list would fall outside the table.
template <class P> class ParticlePool {
public:
    ParticlePool(uint16_t capacity, uint32_t groups);
    virtual ~ParticlePool() = default;
    ParticlePool(const ParticlePool&) = delete;
    ParticlePool& operator=(const ParticlePool&) = delete;

    void reset();
    uint16_t alloc(ZquPm::EmitParam* owner, int texSlot, uint32_t group);
    void free(uint16_t index);
    // Frees every particle of the effect, and every one that follows its own root matrix.
    void releaseEffect(const ZquPm::EmitParam* ep);

    uint16_t capacity() const { return m_capacity; }
    uint16_t count() const { return m_count; }
    // No record left to hand out.
    bool full() const { return m_free == 0; }
    uint32_t listCount() const { return m_listCount; }
    uint16_t listHead(const uint32_t list) const { return m_heads[list]; }
    // The first draw list from l on that holds a particle; listCount() when none does. Most
    // of a pool's lists are empty: a walk hops over them a word of the occupancy mask at a time.
    uint32_t nextList(const uint32_t l) const {
        uint32_t w = l >> 6;
        if (w >= m_usedWords) {
            return m_listCount;
        }
        uint64_t bits = m_used[w] & (~uint64_t{0} << (l & 63));
        while (bits == 0) {
            if (++w >= m_usedWords) {
                return m_listCount;
            }
            bits = m_used[w];
        }
        return w * 64 + static_cast<uint32_t>(std::countr_zero(bits));
    }
    // The particle after i in its draw list; 0 after the last.
    uint16_t drawNext(const uint16_t i) const { return m_drawNext[i]; }
    const P& at(const uint16_t i) const { return m_records[i]; }
    P& at(const uint16_t i) { return m_records[i]; }
    // The root matrix particle i keeps from its birth when its effect asks for one.
    ZqMatrix& ownRoot(const uint16_t i) { return m_ownRoots[i]; }

protected:
    // Calls f(index) for every live particle in draw-list order; f may free its particle.
    // The links sit in a small array of their own, so finding the next particles never waits
    // for a record: their cache lines are asked for two particles ahead.
    template <class F> void walk(F&& f) {
        for (uint32_t l = nextList(0); l < m_listCount; l = nextList(l + 1)) {
            for (uint16_t i = m_heads[l]; i != 0;) {
                const uint16_t next = m_drawNext[i];
                prefetchRecord(m_records[m_drawNext[next]]);
                f(i);
                i = next;
            }
        }
    }
    virtual void onFree(uint16_t /*index*/) {}
    virtual void onReset() {}

private:
    uint16_t m_capacity;
    uint32_t m_listCount;
    std::unique_ptr<P[]> m_records;
    std::unique_ptr<ZqMatrix[]> m_ownRoots;
    // Draw-list links by index; entry 0 stays 0, so a walk may look past a list's end.
    std::unique_ptr<uint16_t[]> m_drawNext;
    std::unique_ptr<uint16_t[]> m_drawPrev;
    std::unique_ptr<uint16_t[]> m_heads;
    std::unique_ptr<uint16_t[]> m_tails;
    // Bit l % 64 of word l / 64 is set while draw list l holds a particle.
    uint32_t m_usedWords;
    std::unique_ptr<uint64_t[]> m_used;
    uint16_t m_free = 1;
    uint16_t m_live = 0;
    uint16_t m_count = 0;
};

// Rotating and line particles keep their steering beside the records: only motion modes 3
// and 4 read it.
class RotParticleManager : public ParticlePool<RotParticle> {
public:
    RotParticleManager()
        : ParticlePool(1000, 3), m_steer(std::make_unique<Steering[]>(capacity())) {}
    ~RotParticleManager() override = default;
    void emit(uint16_t index, const ZquPm::EmitContext& cx);
    void update();
    const Steering& steering(const uint16_t i) const { return m_steer[i]; }

private:
    std::unique_ptr<Steering[]> m_steer;
};

class LineParticleManager : public ParticlePool<LineParticle> {
public:
    LineParticleManager()
        : ParticlePool(1000, 3), m_steer(std::make_unique<Steering[]>(capacity())) {}
    ~LineParticleManager() override = default;
    void emit(uint16_t index, const ZquPm::EmitContext& cx);
    void update();
    const Steering& steering(const uint16_t i) const { return m_steer[i]; }

private:
    std::unique_ptr<Steering[]> m_steer;
};

class ModelParticleManager : public ParticlePool<ModelParticle> {
public:
    ModelParticleManager() : ParticlePool(200, 12) {}
    ~ModelParticleManager() override = default;
    void emit(uint16_t index, const ZquPm::EmitContext& cx);
    void update();
    // Triangles of all live model particles.
    uint32_t triangles() const { return m_triangles; }

protected:
    void onFree(uint16_t index) override;
    void onReset() override { m_triangles = 0; }

private:
    uint32_t m_triangles = 0;
};
