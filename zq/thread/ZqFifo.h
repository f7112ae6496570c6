// ZqFifo: a ring queue of fixed-size records between threads, under its own lock.
// Capacity N is set at creation and N - 1 records are usable. T must be trivially copyable.
#pragma once

#include "zq/system/ZqError.h"
#include "zq/thread/ZqCriticalSection.h"

#include <new>
#include <type_traits>
#include <vector>

template <class T> class ZqFifo {
    static_assert(std::is_trivially_copyable_v<T>, "ZqFifo records are copied as plain data");

public:
    // Throws the unsigned code 145 when the ring cannot be allocated.
    explicit ZqFifo(const unsigned capacity) : m_capacity(capacity < 1 ? 1 : capacity) {
        try {
            m_ring.resize(m_capacity);
        } catch (const std::bad_alloc&) {
            throw ZqError::QUEUE_MEMORY;
        }
    }

    // Copies the record in; false when the queue is full.
    bool push(const T& record) {
        const ZqLockGuard hold(m_cs);
        const unsigned next = (m_write + 1) % m_capacity;
        if (next == m_read) {
            return false;
        }
        m_ring[m_write] = record;
        m_write = next;
        return true;
    }

    // Copies the oldest record out; false when the queue is empty.
    bool pop(T& out) {
        const ZqLockGuard hold(m_cs);
        if (m_read == m_write) {
            return false;
        }
        out = m_ring[m_read];
        m_read = (m_read + 1) % m_capacity;
        return true;
    }

    unsigned getNrQueued() const {
        const ZqLockGuard hold(m_cs);
        return (m_write + m_capacity - m_read) % m_capacity;
    }

    unsigned getCapacity() const { return m_capacity; }

private:
    const unsigned m_capacity;
    unsigned m_read = 0;
    unsigned m_write = 0;
    std::vector<T> m_ring;
    mutable ZqCriticalSection m_cs;
};
