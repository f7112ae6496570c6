// ZqRefResource<T, Traits>: the named, reference-counted resource that is read from an image
// in memory or a file and can be reloaded in place, over ZqRefList<T>. It holds what such
// resources share: the null and size checks, the pool's lock, create-or-share by name (or
// always a new element), the file read, reload through a second element whose body the live
// one takes over, and the body's release at a count of 0.
// T provides releaseBody() (idempotent) and makes ZqRefResource and Traits friends. Traits, a
// short block beside T's code, provides (codes of 0 leave the last error as it is):
//   NULL_ARGUMENT, NULL_FILE_NAME, NO_FREE, READ, SIZE, RELOAD_NULL, NOT_LIVE: last-error codes
//     for a null name or image, a null name or file name, no pool or a full one, an unreadable
//     file, a size out of range, a null argument to reload, an element not in use (or no pool)
//     on reload;
//   SHARE: create hands out the newest element of that name (else always a new one);
//   MIN_SIZE, MAX_SIZE: the range of an image in memory; LOADED_MIN_SIZE: the least size of a
//     file read by create; RELOAD_MIN_SIZE, RELOAD_MAX_SIZE: the range of a reload's image;
//   load(fileName, size): the whole file (an object with get(), null on failure);
//   parse(element, data, size, reload, args...): 0 or the error code, reading the body;
//   takeOver(live, fresh): 0 with fresh's body moved into live (live's own released), or the
//     error code that refuses the reload with live unchanged.
// Depends on ZqRefList and ZqError.
#pragma once

#include "zq/memory/ZqRefList.h"
#include "zq/system/ZqError.h"

#include <cstdint>

// The usual choices, for a Traits to derive from and override where T differs: T's own
// ERROR_NULL, ERROR_NO_FREE, ERROR_READ and ERROR_SIZE; create shares by name; a file read by
// create and the image of a reload are left to the parse whatever their size. NOT_LIVE, the
// sizes of an image in memory, load, parse and takeOver have no default.
template <class T> struct ZqRefResourceDefaults {
    static constexpr uint32_t NULL_ARGUMENT = T::ERROR_NULL;
    static constexpr uint32_t NULL_FILE_NAME = T::ERROR_NULL;
    static constexpr uint32_t NO_FREE = T::ERROR_NO_FREE;
    static constexpr uint32_t READ = T::ERROR_READ;
    static constexpr uint32_t SIZE = T::ERROR_SIZE;
    static constexpr uint32_t RELOAD_NULL = T::ERROR_NULL;
    static constexpr bool SHARE = true;
    static constexpr uint32_t LOADED_MIN_SIZE = 0;
    static constexpr uint32_t RELOAD_MIN_SIZE = 0;
    static constexpr uint32_t RELOAD_MAX_SIZE = UINT32_MAX;
};

template <class T, class Traits> class ZqRefResource : public ZqRefList<T> {
protected:
    ZqRefResource() = default;
    ~ZqRefResource() override = default;

    // A resource named name from size bytes at data; null on failure with the last error set.
    template <class... A>
    static T* createResource(const char16_t* name, const void* data, uint32_t size,
                             const A&... args);
    // The same from the file fileName.
    template <class... A>
    static T* createResourceFile(const char16_t* name, const char16_t* fileName, const A&... args);
    // Rebuilds this live element in place; null with it unchanged on failure.
    template <class... A> T* reloadResource(const void* data, uint32_t size, const A&... args);
    template <class... A> T* reloadResourceFile(const char16_t* fileName, const A&... args);
    // Lowers the count; at 0 the body is released and the element goes back to the pool.
    unsigned int releaseResource();

private:
    using List = ZqRefList<T>;
    using Fix = ZqFixList<T>;

    static T* fail(uint32_t code);
    template <class... A>
    static T* createLocked(const char16_t* name, const void* data, uint32_t size,
                           const char16_t* fileName, const A&... args);
    template <class... A> T* reloadLocked(const void* data, uint32_t size, const A&... args);
    T* self() { return static_cast<T*>(this); }
};

template <class T, class Traits> T* ZqRefResource<T, Traits>::fail(const uint32_t code) {
    if (code != 0) {
        ZqError::setLastError(code);
    }
    return nullptr;
}

template <class T, class Traits>
template <class... A>
T* ZqRefResource<T, Traits>::createResource(const char16_t* const name, const void* const data,
                                            const uint32_t size, const A&... args) {
    if (name == nullptr || data == nullptr) {
        return fail(Traits::NULL_ARGUMENT);
    }
    if (size < Traits::MIN_SIZE || size > Traits::MAX_SIZE) {
        return fail(Traits::SIZE);
    }
    return createLocked(name, data, size, nullptr, args...);
}

template <class T, class Traits>
template <class... A>
T* ZqRefResource<T, Traits>::createResourceFile(const char16_t* const name,
                                                const char16_t* const fileName, const A&... args) {
    if (name == nullptr || fileName == nullptr) {
        return fail(Traits::NULL_FILE_NAME);
    }
    return createLocked(name, nullptr, 0, fileName, args...);
}

template <class T, class Traits>
template <class... A>
T* ZqRefResource<T, Traits>::createLocked(const char16_t* const name, const void* const data,
                                          const uint32_t size, const char16_t* const fileName,
                                          const A&... args) {
    if (Fix::m_pCriticalSection == nullptr) {
        return fail(Traits::NO_FREE);
    }
    const ZqLockGuard hold(*Fix::m_pCriticalSection);
    T* const e = Traits::SHARE ? List::create(name) : List::createForce(name);
    if (e == nullptr) {
        return fail(Traits::NO_FREE);
    }
    if (e->getRefCountBody() != 1) {
        return e;
    }
    const void* bytes = data;
    uint32_t n = size;
    decltype(Traits::load(fileName, n)) file{};
    if (fileName != nullptr) {
        file = Traits::load(fileName, n);
        if (file == nullptr) {
            List::release(e);
            return fail(Traits::READ);
        }
        if (n < Traits::LOADED_MIN_SIZE) {
            List::release(e);
            return fail(Traits::SIZE);
        }
        bytes = file.get();
    }
    const uint32_t error = Traits::parse(*e, static_cast<const uint8_t*>(bytes), n, false, args...);
    if (error != 0) {
        e->releaseBody();
        List::release(e);
        return fail(error);
    }
    return e;
}

template <class T, class Traits>
template <class... A>
T* ZqRefResource<T, Traits>::reloadResource(const void* const data, const uint32_t size,
                                            const A&... args) {
    if (data == nullptr) {
        return fail(Traits::RELOAD_NULL);
    }
    if (Fix::m_pCriticalSection == nullptr) {
        return fail(Traits::NOT_LIVE);
    }
    const ZqLockGuard hold(*Fix::m_pCriticalSection);
    return reloadLocked(data, size, args...);
}

template <class T, class Traits>
template <class... A>
T* ZqRefResource<T, Traits>::reloadResourceFile(const char16_t* const fileName, const A&... args) {
    if (fileName == nullptr) {
        return fail(Traits::RELOAD_NULL);
    }
    if (Fix::m_pCriticalSection == nullptr) {
        return fail(Traits::NOT_LIVE);
    }
    const ZqLockGuard hold(*Fix::m_pCriticalSection);
    if (Fix::searchBody(self()) == nullptr) {
        return fail(Traits::NOT_LIVE);
    }
    uint32_t size = 0;
    const auto file = Traits::load(fileName, size);
    if (file == nullptr) {
        return fail(Traits::READ);
    }
    return reloadLocked(file.get(), size, args...);
}

template <class T, class Traits>
template <class... A>
T* ZqRefResource<T, Traits>::reloadLocked(const void* const data, const uint32_t size,
                                          const A&... args) {
    if (Fix::searchBody(self()) == nullptr) {
        return fail(Traits::NOT_LIVE);
    }
    if (size < Traits::RELOAD_MIN_SIZE || size > Traits::RELOAD_MAX_SIZE) {
        return fail(Traits::SIZE);
    }
    // The new body is built in a second element of the same name, so that a failure leaves
    // this one as it was.
    T* const fresh = List::createForce(List::getName());
    if (fresh == nullptr) {
        return fail(Traits::NO_FREE);
    }
    uint32_t error = Traits::parse(*fresh, static_cast<const uint8_t*>(data), size, true, args...);
    if (error == 0) {
        error = Traits::takeOver(*self(), *fresh);
    }
    fresh->releaseBody();
    List::release(fresh);
    return error != 0 ? fail(error) : self();
}

template <class T, class Traits> unsigned int ZqRefResource<T, Traits>::releaseResource() {
    const ZqLockGuard hold(*Fix::m_pCriticalSection);
    if (List::getRefCountBody() == 1) {
        self()->releaseBody();
    }
    return List::release(self());
}
