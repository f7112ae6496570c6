// ZqFixList<T>: the fixed object pool that a framework class derives from with itself as T.
// One array of T made at start-up, a free list and a used list (newest first), two counters and
// one lock per class; elements are reused last in, first out and never allocated one by one.
// Not a container for values: T's constructor and destructor run once each, at init and quit.
// The template's create/release/searchBody take no lock; T's public statics hold the lock
// (ZqLockGuard on *m_pCriticalSection) around them. Depends on ZqCriticalSection.
#pragma once

#include "zq/thread/ZqCriticalSection.h"

template <class T> class ZqFixList {
public:
    // Elements in use and free elements; locked, consistent only at the moment of the call.
    static unsigned int getNrInstances();
    static unsigned int getNrFree();
    // Heads of the used list (newest element) and of the free list; not locked.
    static T* getUsed() { return m_pUsed; }
    static T* getFree() { return m_pFree; }
    // Element i of the array, free or in use; no lock, no range check.
    static T& at(const unsigned int i) { return m_vPool[i]; }
    // The argument when it is an element in use, else null; search locks, searchBody does not.
    static T* search(const T* element);
    static T* searchBody(const T* element);
    // The next element of the list this one is in (used or free); null at the end.
    T* getNext() const { return m_pNext; }

    ZqFixList(const ZqFixList&) = delete;
    ZqFixList& operator=(const ZqFixList&) = delete;

protected:
    ZqFixList() = default;
    virtual ~ZqFixList() = default;

    // Makes n elements and the lock (throws 80 when it cannot be made) and links every element
    // into the free list, element 0 first. False when the pool exists already.
    static bool init(unsigned int n);
    // Releases every element still in use through T's public release() until it returns 0,
    // destroys the lock and then the elements; returns the number of release() calls made.
    static unsigned int quit();
    // Moves the free head to the head of the used list; null when none is free.
    static T* create();
    // Moves an element in use back to the head of the free list; returns 0. The element must
    // be in use.
    static unsigned int release(T* element);

    static inline T* m_vPool = nullptr;
    static inline T* m_pFree = nullptr;
    static inline T* m_pUsed = nullptr;
    static inline unsigned int m_nrUsed = 0;
    static inline unsigned int m_nrFree = 0;
    static inline ZqCriticalSection* m_pCriticalSection = nullptr;

private:
    static ZqFixList* link(T* const e) { return e; }

    T* m_pPrev = nullptr;
    T* m_pNext = nullptr;
};

template <class T> unsigned int ZqFixList<T>::getNrInstances() {
    if (m_pCriticalSection == nullptr) {
        return m_nrUsed;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    return m_nrUsed;
}

template <class T> unsigned int ZqFixList<T>::getNrFree() {
    if (m_pCriticalSection == nullptr) {
        return m_nrFree;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    return m_nrFree;
}

template <class T> T* ZqFixList<T>::search(const T* const element) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    return searchBody(element);
}

template <class T> T* ZqFixList<T>::searchBody(const T* const element) {
    for (T* e = m_pUsed; e != nullptr; e = link(e)->m_pNext) {
        if (e == element) {
            return e;
        }
    }
    return nullptr;
}

template <class T> bool ZqFixList<T>::init(const unsigned int n) {
    if (m_vPool != nullptr) {
        return false;
    }
    T* const pool = new T[n];
    try {
        m_pCriticalSection = new ZqCriticalSection();
    } catch (...) {
        delete[] pool;
        throw;
    }
    for (unsigned int i = 0; i < n; ++i) {
        link(&pool[i])->m_pPrev = nullptr;
        link(&pool[i])->m_pNext = i + 1 < n ? &pool[i + 1] : nullptr;
    }
    m_vPool = pool;
    m_pFree = n != 0 ? &pool[0] : nullptr;
    m_pUsed = nullptr;
    m_nrUsed = 0;
    m_nrFree = n;
    return true;
}

template <class T> unsigned int ZqFixList<T>::quit() {
    unsigned int calls = 0;
    for (T* e = m_pUsed; e != nullptr;) {
        // release() moves the element to the free list, so its link is read first.
        T* const next = link(e)->m_pNext;
        do {
            ++calls;
        } while (e->release() != 0);
        e = next;
    }
    delete m_pCriticalSection;
    m_pCriticalSection = nullptr;
    delete[] m_vPool;
    m_vPool = nullptr;
    m_pFree = nullptr;
    m_pUsed = nullptr;
    m_nrUsed = 0;
    m_nrFree = 0;
    return calls;
}

template <class T> T* ZqFixList<T>::create() {
    T* const e = m_pFree;
    if (e == nullptr) {
        return nullptr;
    }
    m_pFree = link(e)->m_pNext;
    link(e)->m_pPrev = nullptr;
    link(e)->m_pNext = m_pUsed;
    if (m_pUsed != nullptr) {
        link(m_pUsed)->m_pPrev = e;
    }
    m_pUsed = e;
    ++m_nrUsed;
    --m_nrFree;
    return e;
}

template <class T> unsigned int ZqFixList<T>::release(T* const element) {
    ZqFixList* const e = link(element);
    if (e->m_pPrev != nullptr) {
        link(e->m_pPrev)->m_pNext = e->m_pNext;
    } else {
        m_pUsed = e->m_pNext;
    }
    if (e->m_pNext != nullptr) {
        link(e->m_pNext)->m_pPrev = e->m_pPrev;
    }
    e->m_pPrev = nullptr;
    e->m_pNext = m_pFree;
    m_pFree = element;
    ++m_nrFree;
    --m_nrUsed;
    return 0;
}
