// ParticleManager: the core of the particle engine. It owns 99 emitter slots and the three
// particle pools; every fixed step it updates the particles, then lets each live emitter emit
// on its schedule, move and rebuild its transform. An emitter works on its own copy of its
// record: the loaded effect image is never written.
// Main thread only; no allocation after create. Internal to the particle engine (ZquPmManager
// is its face); tests and benchmarks drive it directly.
#pragma once

#include "zq/u/pm/ParticlePools_internal.h"
#include "zq/u/pm/ZquPm.h"
#include "zq/u/pm/ZquPmEmit_internal.h"

#include <cstdint>
#include <memory>

class ZqGlTexture;

class ParticleManager {
public:
    static constexpr uint16_t EMITTER_SLOTS = 100;

    // The single manager, reset, with its three pools; null when memory is short.
    static std::unique_ptr<ParticleManager> create();
    virtual ~ParticleManager() = default;
    ParticleManager(const ParticleManager&) = delete;
    ParticleManager& operator=(const ParticleManager&) = delete;

    // Every slot back to a default record, every pool emptied.
    void reset();
    // Starts one emitter from rec for the effect ep; false (nothing changed) when the 99
    // slots are taken. rec must outlive the emitter's first step only as far as its copy goes:
    // the slot keeps a copy.
    bool startEmitter(const ZquPm::EMITDATA* rec, ZquPm::EmitParam* ep);
    // One fixed step of all particles and emitters.
    void update();
    // Ends the effect's emitters that run until the effect ends (life 0).
    void endOpenEmitters(const ZquPm::EmitParam* ep);
    // Ends the effect's emitters, then frees its rotating, line and model particles.
    void releaseEffect(const ZquPm::EmitParam* ep);

    // The 100-slot texture table particles resolve their texture through (null: no slots).
    void setTextureTable(ZqGlTexture* const* table) { m_texTable = table; }
    // First slot of the table holding tex, or -1 (also for a null texture).
    int getTexNo(const ZqGlTexture* tex) const;

    RotParticleManager& rot() { return *m_rot; }
    LineParticleManager& line() { return *m_line; }
    ModelParticleManager& model() { return *m_model; }
    const RotParticleManager& rot() const { return *m_rot; }
    const LineParticleManager& line() const { return *m_line; }
    const ModelParticleManager& model() const { return *m_model; }
    uint32_t stepCount() const { return m_steps; }
    uint16_t emitterCount() const { return m_count; }
    // The live emitter copy of the record started from rec for ep (tests, tools), or null.
    const ZquPm::EMITDATA* findEmitter(const ZquPm::EMITDATA* rec,
                                       const ZquPm::EmitParam* ep) const;

private:
    struct Slot {
        uint16_t next = 0;
        uint16_t prev = 0;
        uint32_t age = 0;
        ZquPm::EMITDATA rec;
        const ZquPm::EMITDATA* source = nullptr;
        ZquPm::EmitParam* ep = nullptr;
        ZquPm::TransformCache transform;
        // The sizes, angles, position and scale influence rec.transform was last made from
        // (valid once a step has made it): an emitter that neither moves, turns, grows nor
        // changes scale keeps its transform as it is.
        uint32_t transformKey[10] = {};
        bool transformKeyValid = false;
    };

    ParticleManager();
    void endEmitter(uint16_t i);
    void emit(Slot& s);

    uint32_t m_steps = 0;
    std::unique_ptr<RotParticleManager> m_rot;
    std::unique_ptr<LineParticleManager> m_line;
    std::unique_ptr<ModelParticleManager> m_model;
    std::unique_ptr<Slot[]> m_slots;
    uint16_t m_free = 1;
    uint16_t m_live = 0;
    uint16_t m_count = 0;
    ZqGlTexture* const* m_texTable = nullptr;
};
