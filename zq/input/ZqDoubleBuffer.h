// ZqDoubleBuffer: two fixed halves of records between threads. Writers append to the write
// half under the buffer's lock; the reader swaps the halves once per frame and then reads
// the other half alone until the next swap. A full write half drops what comes. Not
// copyable. Depends on ZqCriticalSection.
#pragma once

#include "zq/thread/ZqCriticalSection.h"

#include <cstdint>
#include <new>
#include <vector>

template <typename T> class ZqDoubleBuffer {
public:
    // Throws std::bad_alloc when the halves cannot be made.
    explicit ZqDoubleBuffer(const uint32_t capacity) : m_capacity(capacity) {
        m_half[0].reserve(capacity);
        m_half[1].reserve(capacity);
    }
    ZqDoubleBuffer(const ZqDoubleBuffer&) = delete;
    ZqDoubleBuffer& operator=(const ZqDoubleBuffer&) = delete;

    // Appends a record to the write half; false when it is full. Any thread.
    bool push(const T& record) {
        const ZqLockGuard hold(m_cs);
        std::vector<T>& w = m_half[m_write];
        if (w.size() >= m_capacity) {
            return false;
        }
        w.push_back(record);
        return true;
    }

    // Makes the written half the read half and empties the other for writing; returns the
    // number of records now readable. The reader's thread only.
    uint32_t swap() {
        const ZqLockGuard hold(m_cs);
        m_write ^= 1u;
        m_half[m_write].clear();
        return static_cast<uint32_t>(m_half[m_write ^ 1u].size());
    }

    uint32_t getReadCount() const { return static_cast<uint32_t>(m_half[m_write ^ 1u].size()); }
    // Record i of the read half; null when out of range. The reader's thread only.
    const T* getRead(const uint32_t i) const {
        const std::vector<T>& r = m_half[m_write ^ 1u];
        return i < r.size() ? &r[i] : nullptr;
    }
    uint32_t getCapacity() const { return m_capacity; }

private:
    const uint32_t m_capacity;
    std::vector<T> m_half[2];
    uint32_t m_write = 0;
    ZqCriticalSection m_cs;
};
