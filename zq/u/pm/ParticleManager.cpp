#include "zq/u/pm/ParticleManager_internal.h"

#include "zq/u/pm/ZquPmEmit_internal.h"

#include <bit>
#include <new>

using namespace ZquPm;

ParticleManager::ParticleManager()
    : m_rot(std::make_unique<RotParticleManager>()),
      m_line(std::make_unique<LineParticleManager>()),
      m_model(std::make_unique<ModelParticleManager>()),
      m_slots(std::make_unique<Slot[]>(EMITTER_SLOTS)) {
    reset();
}

std::unique_ptr<ParticleManager> ParticleManager::create() {
    try {
        return std::unique_ptr<ParticleManager>(new ParticleManager());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void ParticleManager::reset() {
    const EMITDATA def = EMITDATA::defaults();
    for (uint16_t i = 0; i < EMITTER_SLOTS; ++i) {
        Slot& s = m_slots[i];
        s.rec = def;
        s.age = 0;
        s.source = nullptr;
        s.ep = nullptr;
        s.prev = 0;
        s.next = (i != 0 && i + 1 < EMITTER_SLOTS) ? static_cast<uint16_t>(i + 1) : 0;
    }
    m_free = 1;
    m_live = 0;
    m_count = 0;
    m_rot->reset();
    m_line->reset();
    m_model->reset();
}

bool ParticleManager::startEmitter(const EMITDATA* const rec, EmitParam* const ep) {
    const uint16_t i = m_free;
    if (i == 0 || rec == nullptr || ep == nullptr) {
        return false;
    }
    Slot& s = m_slots[i];
    m_free = s.next;
    s.prev = 0;
    s.next = m_live;
    if (m_live != 0) {
        m_slots[m_live].prev = i;
    }
    m_live = i;
    ++m_count;
    s.age = 0;
    s.rec = *rec;
    // The first emission uses a transform made from this record, not whatever another
    // emitter last left in a shared record.
    s.rec.transform = emitterTransform(s.rec, scaleInfluence(s.rec, *ep));
    s.transformKeyValid = false;
    s.source = rec;
    s.ep = ep;
    ++ep->emitterCount;
    return true;
}

void ParticleManager::endEmitter(const uint16_t i) {
    Slot& s = m_slots[i];
    if (s.prev != 0) {
        m_slots[s.prev].next = s.next;
    } else {
        m_live = s.next;
    }
    if (s.next != 0) {
        m_slots[s.next].prev = s.prev;
    }
    if (s.ep != nullptr && s.ep->emitterCount > 0) {
        --s.ep->emitterCount;
    }
    s.ep = nullptr;
    s.source = nullptr;
    s.prev = 0;
    s.next = m_free;
    m_free = i;
    --m_count;
}

void ParticleManager::update() {
    m_rot->update();
    m_line->update();
    m_model->update();
    for (uint16_t i = m_live; i != 0;) {
        Slot& s = m_slots[i];
        const uint16_t next = s.next;
        EMITDATA& r = s.rec;
        const uint64_t a = s.age;
        if (a >= r.delay) {
            if (r.life != 0 && a >= static_cast<uint64_t>(r.delay) + r.life) {
                endEmitter(i);
                i = next;
                continue;
            }
            // Most emitters emit every step: no division for them.
            const uint64_t interval = r.interval != 0 ? r.interval : 1;
            if (interval == 1 || (a - r.delay) % interval == 0) {
                emit(s);
            }
        }
        r.position += r.velocity;
        r.position2 += r.velocity;
        r.velocity += r.acceleration;
        r.rotation += r.angularVelocity;
        r.size += r.sizeChange;
        const float f = scaleInfluence(r, *s.ep);
        // Compared in registers, value by value (see ModelParticle::buildWorld).
        const uint32_t key[10] = {
            std::bit_cast<uint32_t>(r.size.x),     std::bit_cast<uint32_t>(r.size.y),
            std::bit_cast<uint32_t>(r.size.z),     std::bit_cast<uint32_t>(r.rotation.x),
            std::bit_cast<uint32_t>(r.rotation.y), std::bit_cast<uint32_t>(r.rotation.z),
            std::bit_cast<uint32_t>(r.position.x), std::bit_cast<uint32_t>(r.position.y),
            std::bit_cast<uint32_t>(r.position.z), std::bit_cast<uint32_t>(f)};
        uint32_t changed = s.transformKeyValid ? 0u : 1u;
        for (int k = 0; k < 10; ++k) {
            changed |= key[k] ^ s.transformKey[k];
        }
        if (changed != 0) {
            r.transform = emitterTransform(r, f, s.transform);
            for (int k = 0; k < 10; ++k) {
                s.transformKey[k] = key[k];
            }
            s.transformKeyValid = true;
        }
        ++s.age;
        i = next;
    }
    ++m_steps;
}

void ParticleManager::emit(Slot& s) {
    const EMITDATA& r = s.rec;
    if (r.kind > 2) {
        return;
    }
    EmitParam& ep = *s.ep;
    const uint16_t base = static_cast<uint16_t>(r.particleLife);
    // A full pool takes nothing, and without a life variation to draw first the emission
    // would end at its first try: a busy scene's emitters end here.
    const bool full = r.kind == 0 ? m_rot->full() : r.kind == 1 ? m_line->full() : m_model->full();
    if (full && r.lifeVariation == 0) {
        return;
    }
    const ZqGlTexture* tex = nullptr;
    if (ep.texList != nullptr && r.texture < ep.texList->textureCount && r.texture < 16) {
        tex = ep.texList->textures[r.texture];
    }
    const int texSlot = getTexNo(tex);
    const uint32_t group = r.kind == 2 ? r.modelShape * 3 + r.blend : r.blend;
    const bool groupOk = r.blend <= 2 && (r.kind != 2 || r.modelShape <= 3);
    // A base life of 0 makes nothing; and a hostile count, most of whose particles are
    // skipped, must not keep one step busy for billions of turns: no emission tries more than
    // twice the pool's capacity, which is more than it could ever fill.
    if (base == 0) {
        return;
    }
    const uint32_t capacity = r.kind == 0   ? m_rot->capacity()
                              : r.kind == 1 ? m_line->capacity()
                                            : m_model->capacity();
    const uint32_t tries = r.count < 2 * capacity ? r.count : 2 * capacity;
    const float f = scaleInfluence(r, ep);
    for (uint32_t n = 0; n < tries; ++n) {
        uint16_t life = base;
        if (r.lifeVariation != 0) {
            const float k = variationFactor(r.lifeVariation);
            if (!(k > 0.0f)) {
                continue;
            }
            life = static_cast<uint16_t>(truncI32(static_cast<double>(base) * k));
        }
        if (life == 0) {
            continue;
        }
        uint16_t idx = 0;
        if (groupOk) {
            switch (r.kind) {
            case 0:
                idx = m_rot->alloc(&ep, texSlot, group);
                break;
            case 1:
                idx = m_line->alloc(&ep, texSlot, group);
                break;
            default:
                idx = m_model->alloc(&ep, texSlot, group);
                break;
            }
        }
        // A full pool ends the emission (mostly at its first try, in a busy scene).
        if (idx == 0) {
            return;
        }
        ++ep.particleCount;
        EmitContext cx{r, ep, f, life, {}};
        if (r.lifeVariation == 0) {
            for (int p = 0; p < PHASE_COUNT; ++p) {
                cx.phase[p] = static_cast<uint16_t>(r.phases[p]);
            }
        } else {
            const float k = static_cast<float>(life) / static_cast<float>(base);
            for (int p = 0; p < PHASE_COUNT; ++p) {
                cx.phase[p] = static_cast<uint16_t>(
                    truncI32(static_cast<double>(r.phases[p]) * static_cast<double>(k)));
            }
        }
        switch (r.kind) {
        case 0:
            m_rot->emit(idx, cx);
            break;
        case 1:
            m_line->emit(idx, cx);
            break;
        default:
            m_model->emit(idx, cx);
            break;
        }
    }
}

void ParticleManager::endOpenEmitters(const EmitParam* const ep) {
    for (uint16_t i = m_live; i != 0;) {
        const uint16_t next = m_slots[i].next;
        if (m_slots[i].ep == ep && m_slots[i].rec.life == 0) {
            endEmitter(i);
        }
        i = next;
    }
}

void ParticleManager::releaseEffect(const EmitParam* const ep) {
    for (uint16_t i = m_live; i != 0;) {
        const uint16_t next = m_slots[i].next;
        if (m_slots[i].ep == ep) {
            endEmitter(i);
        }
        i = next;
    }
    m_rot->releaseEffect(ep);
    m_line->releaseEffect(ep);
    m_model->releaseEffect(ep);
}

int ParticleManager::getTexNo(const ZqGlTexture* const tex) const {
    if (tex == nullptr || m_texTable == nullptr) {
        return -1;
    }
    for (uint32_t i = 0; i < PM_TEXTURE_SLOTS; ++i) {
        if (m_texTable[i] == tex) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const EMITDATA* ParticleManager::findEmitter(const EMITDATA* const rec,
                                             const EmitParam* const ep) const {
    for (uint16_t i = m_live; i != 0; i = m_slots[i].next) {
        if (m_slots[i].source == rec && m_slots[i].ep == ep) {
            return &m_slots[i].rec;
        }
    }
    return nullptr;
}
