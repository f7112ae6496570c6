// ZqRefList<T>: the named, reference-counted layer over ZqFixList<T>. Each element carries the
// FNV hash of its UTF-16 name, a use count and the name (inline up to 15 units, else a heap
// copy); create by name finds the newest element of that name and shares it. Not locked by
// itself: T's public statics hold the pool's lock around create, createForce, release and
// searchBody. Depends on ZqFixList and zqCalcFnv.
#pragma once

#include "zq/memory/ZqFixList.h"

#include <cstddef>
#include <cstdint>

// Name handling shared by every ZqRefList, kept out of the template.
namespace zq_refname {

constexpr size_t INLINE_UNITS = 16; // the terminator included

// Length in code units, or 0 for a null name.
size_t length(const char16_t* name);
uint64_t hash(const char16_t* name, size_t length);
// True when stored holds exactly the length units of name and then its terminator.
bool equals(const char16_t* stored, const char16_t* name, size_t length);
// A terminated heap copy, or null when it cannot be allocated.
char16_t* copy(const char16_t* name, size_t length);
void free(char16_t* heapCopy);

} // namespace zq_refname

template <class T> class ZqRefList : public ZqFixList<T> {
public:
    // The newest element in use named exactly name (no case folding), or null; search locks
    // (the pool must exist), searchBody does not.
    static T* search(const char16_t* name);
    static T* searchBody(const char16_t* name);
    using ZqFixList<T>::search;
    using ZqFixList<T>::searchBody;

    // Locked (the pool must exist).
    const char16_t* getName() const;
    unsigned int getRefCount() const;
    void addRef();
    // Not locked.
    unsigned int getRefCountBody() const { return m_refCount; }

protected:
    ZqRefList() = default;
    ~ZqRefList() override { zq_refname::free(m_pNameHeap); }

    static bool init(unsigned int n);
    // The newest element of that name with its count raised, else a new element with count 1;
    // null for a null or empty name, a failed name copy or a full pool.
    static T* create(const char16_t* name);
    // Always a new element with count 1, even when the name is in use; later look-ups find it
    // first.
    static T* createForce(const char16_t* name);
    // Lowers the count; at 0 the name is dropped and the element goes back to the free list.
    // An element whose count is 0 already is left alone. Returns the new count.
    static unsigned int release(T* element);

private:
    // Unnamed elements cannot be made.
    static T* create() { return nullptr; }
    static T* createBody(const char16_t* name, size_t length, uint64_t hash);
    const char16_t* getNameBody() const { return m_pNameHeap != nullptr ? m_pNameHeap : m_name; }

    uint64_t m_hash = 0;
    unsigned int m_refCount = 0;
    char16_t m_name[zq_refname::INLINE_UNITS] = {};
    char16_t* m_pNameHeap = nullptr;
};

template <class T> T* ZqRefList<T>::searchBody(const char16_t* const name) {
    const size_t length = zq_refname::length(name);
    if (length == 0) {
        return nullptr;
    }
    const uint64_t hash = zq_refname::hash(name, length);
    for (T* e = ZqFixList<T>::m_pUsed; e != nullptr; e = e->getNext()) {
        const ZqRefList* const r = e;
        if (r->m_hash == hash && zq_refname::equals(r->getNameBody(), name, length)) {
            return e;
        }
    }
    return nullptr;
}

template <class T> T* ZqRefList<T>::search(const char16_t* const name) {
    if (ZqFixList<T>::m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*ZqFixList<T>::m_pCriticalSection);
    return searchBody(name);
}

template <class T> const char16_t* ZqRefList<T>::getName() const {
    const ZqLockGuard hold(*ZqFixList<T>::m_pCriticalSection);
    return getNameBody();
}

template <class T> unsigned int ZqRefList<T>::getRefCount() const {
    const ZqLockGuard hold(*ZqFixList<T>::m_pCriticalSection);
    return m_refCount;
}

template <class T> void ZqRefList<T>::addRef() {
    const ZqLockGuard hold(*ZqFixList<T>::m_pCriticalSection);
    ++m_refCount;
}

template <class T> bool ZqRefList<T>::init(const unsigned int n) {
    // Elements are freshly constructed, so every count is 0 already.
    return ZqFixList<T>::init(n);
}

template <class T> T* ZqRefList<T>::create(const char16_t* const name) {
    const size_t length = zq_refname::length(name);
    if (length == 0) {
        return nullptr;
    }
    const uint64_t hash = zq_refname::hash(name, length);
    for (T* e = ZqFixList<T>::m_pUsed; e != nullptr; e = e->getNext()) {
        ZqRefList* const r = e;
        if (r->m_hash == hash && zq_refname::equals(r->getNameBody(), name, length)) {
            ++r->m_refCount;
            return e;
        }
    }
    return createBody(name, length, hash);
}

template <class T> T* ZqRefList<T>::createForce(const char16_t* const name) {
    const size_t length = zq_refname::length(name);
    if (length == 0) {
        return nullptr;
    }
    return createBody(name, length, zq_refname::hash(name, length));
}

template <class T>
T* ZqRefList<T>::createBody(const char16_t* const name, const size_t length, const uint64_t hash) {
    char16_t* heapCopy = nullptr;
    if (length + 1 > zq_refname::INLINE_UNITS) {
        heapCopy = zq_refname::copy(name, length);
        if (heapCopy == nullptr) {
            return nullptr;
        }
    }
    T* const e = ZqFixList<T>::create();
    if (e == nullptr) {
        zq_refname::free(heapCopy);
        return nullptr;
    }
    ZqRefList* const r = e;
    r->m_hash = hash;
    r->m_refCount = 1;
    r->m_pNameHeap = heapCopy;
    if (heapCopy == nullptr) {
        for (size_t i = 0; i <= length; ++i) {
            r->m_name[i] = name[i];
        }
    } else {
        r->m_name[0] = 0;
    }
    return e;
}

template <class T> unsigned int ZqRefList<T>::release(T* const element) {
    ZqRefList* const r = element;
    if (r->m_refCount == 0) {
        return 0;
    }
    if (--r->m_refCount != 0) {
        return r->m_refCount;
    }
    zq_refname::free(r->m_pNameHeap);
    r->m_pNameHeap = nullptr;
    r->m_name[0] = 0;
    r->m_hash = 0;
    ZqFixList<T>::release(element);
    return 0;
}
