// CDldRef: the reference count every object of the layout player carries. A new object has
// count 0; holders add a reference and drop it with dldRelease, which clears the object when
// the count reaches 0 and deletes it. Objects are made only by dldCreate. Main thread only.
#pragma once

#include <cstdint>

class CDldRef {
public:
    virtual ~CDldRef() = default;
    CDldRef(const CDldRef&) = delete;
    CDldRef& operator=(const CDldRef&) = delete;

    void addRef() { ++m_refCount; }
    // The count left; at 0 the object has been cleared.
    int32_t release() {
        if (--m_refCount <= 0) {
            m_refCount = 0;
            clear();
        }
        return m_refCount;
    }
    int32_t getRefCount() const { return m_refCount; }
    // Gives back everything the object holds and returns it to its constructed state.
    virtual void clear() = 0;

protected:
    CDldRef() = default;

private:
    int32_t m_refCount = 0;
};

// A new player object with one reference held by the caller.
template <class T> T* dldCreate() {
    T* const object = new T();
    object->addRef();
    return object;
}

// Drops the holder's reference, deletes the object when none is left, nulls the holder.
template <class T> void dldRelease(T*& object) {
    if (object != nullptr) {
        if (object->release() == 0) {
            delete object;
        }
        object = nullptr;
    }
}
