// The pool's list handling, shared by the three kinds' sources (explicitly instantiated there).
// Internal to the particle engine.
#pragma once

#include "zq/u/pm/ParticlePools_internal.h"

template <class P>
ParticlePool<P>::ParticlePool(const uint16_t capacity, const uint32_t groups)
    : m_capacity(capacity), m_listCount(groups * PM_LISTS_PER_GROUP),
      m_records(std::make_unique<P[]>(capacity)),
      m_ownRoots(std::make_unique<ZqMatrix[]>(capacity)),
      m_drawNext(std::make_unique<uint16_t[]>(capacity)),
      m_drawPrev(std::make_unique<uint16_t[]>(capacity)),
      m_heads(std::make_unique<uint16_t[]>(m_listCount)),
      m_tails(std::make_unique<uint16_t[]>(m_listCount)), m_usedWords((m_listCount + 63) / 64),
      m_used(std::make_unique<uint64_t[]>(m_usedWords)) {
    reset();
}

template <class P> void ParticlePool<P>::reset() {
    for (uint32_t l = 0; l < m_listCount; ++l) {
        m_heads[l] = 0;
        m_tails[l] = 0;
    }
    for (uint32_t w = 0; w < m_usedWords; ++w) {
        m_used[w] = 0;
    }
    for (uint16_t i = 0; i < m_capacity; ++i) {
        m_records[i] = P();
        m_drawNext[i] = 0;
        m_drawPrev[i] = 0;
        m_records[i].next = (i + 1 < m_capacity && i != 0) ? static_cast<uint16_t>(i + 1) : 0;
    }
    m_free = m_capacity > 1 ? 1 : 0;
    m_live = 0;
    m_count = 0;
    onReset();
}

template <class P>
uint16_t ParticlePool<P>::alloc(ZquPm::EmitParam* const owner, const int texSlot,
                                const uint32_t group) {
    const uint32_t texIndex = texSlot >= 0 && texSlot < static_cast<int>(PM_TEXTURE_SLOTS)
                                  ? static_cast<uint32_t>(texSlot) + 1
                                  : 0;
    const uint32_t list = group * PM_LISTS_PER_GROUP + texIndex;
    const uint16_t i = m_free;
    if (i == 0 || list >= m_listCount) {
        return 0;
    }
    P& p = m_records[i];
    m_free = p.next;
    p = P();
    p.owner = owner;
    p.texIndex = static_cast<uint16_t>(texIndex);
    p.list = static_cast<uint16_t>(list);
    // Appended at the tail of its draw list.
    m_drawPrev[i] = m_tails[list];
    m_drawNext[i] = 0;
    if (m_tails[list] != 0) {
        m_drawNext[m_tails[list]] = i;
    } else {
        m_heads[list] = i;
        m_used[list >> 6] |= uint64_t{1} << (list & 63);
    }
    m_tails[list] = i;
    // Pushed at the head of the live list.
    p.prev = 0;
    p.next = m_live;
    if (m_live != 0) {
        m_records[m_live].prev = i;
    }
    m_live = i;
    ++m_count;
    return i;
}

template <class P> void ParticlePool<P>::free(const uint16_t i) {
    if (i == 0 || i >= m_capacity) {
        return;
    }
    onFree(i);
    P& p = m_records[i];
    const uint16_t dn = m_drawNext[i];
    const uint16_t dp = m_drawPrev[i];
    if (dp != 0) {
        m_drawNext[dp] = dn;
    } else {
        m_heads[p.list] = dn;
        if (dn == 0) {
            m_used[p.list >> 6] &= ~(uint64_t{1} << (p.list & 63));
        }
    }
    if (dn != 0) {
        m_drawPrev[dn] = dp;
    } else {
        m_tails[p.list] = dp;
    }
    m_drawNext[i] = 0;
    m_drawPrev[i] = 0;
    if (p.owner != nullptr && p.owner->particleCount > 0) {
        --p.owner->particleCount;
    }
    if (p.prev != 0) {
        m_records[p.prev].next = p.next;
    } else {
        m_live = p.next;
    }
    if (p.next != 0) {
        m_records[p.next].prev = p.prev;
    }
    p.owner = nullptr;
    p.next = m_free;
    m_free = i;
    --m_count;
}

template <class P> void ParticlePool<P>::releaseEffect(const ZquPm::EmitParam* const ep) {
    for (uint16_t i = m_live; i != 0;) {
        const uint16_t next = m_records[i].next;
        if (m_records[i].owner == ep || m_records[i].root == &ep->ownRoot) {
            free(i);
        }
        i = next;
    }
}
