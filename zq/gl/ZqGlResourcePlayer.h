// ZqGlResourcePlayer<T, Resource, Traits>: what the players of a reference-counted animation
// resource share, over ZqFixList<T>: create from a resource at a time (the pool's lock held
// around the take of an element), attach another resource (holding a reference to it and
// driving its key-frame set with one ZqGlKeyFramePlayer kept across resources), and release.
// T has the members m_pAnimation (Resource*) and m_pKeyFramePlayer, releaseBody() (which lets
// both go) and setTime(); it makes ZqGlResourcePlayer and Traits friends. Traits, beside T's
// code, gives NULL_ARGUMENT and NO_FREE (last-error codes), prepare(player) (before the first
// resource is attached) and attach(player, resource) (after each is attached, before the
// player is set to its time).
// Depends on ZqFixList, ZqGlKeyFramePlayer and ZqError.
#pragma once

#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/memory/ZqFixList.h"
#include "zq/system/ZqError.h"

template <class T, class Resource, class Traits> class ZqGlResourcePlayer : public ZqFixList<T> {
protected:
    ZqGlResourcePlayer() = default;
    ~ZqGlResourcePlayer() override = default;

    // A player of resource at time ms; null on failure with the last error set.
    static T* createPlayer(Resource* resource, float time);
    // Plays resource from time ms; false with the last error set on failure (after which the
    // player holds nothing).
    bool attachResource(Resource* resource, float time);
    unsigned int releasePlayer();

private:
    using Fix = ZqFixList<T>;
    T* self() { return static_cast<T*>(this); }
};

template <class T, class Resource, class Traits>
T* ZqGlResourcePlayer<T, Resource, Traits>::createPlayer(Resource* const resource,
                                                         const float time) {
    if (resource == nullptr) {
        ZqError::setLastError(Traits::NULL_ARGUMENT);
        return nullptr;
    }
    if (Fix::m_pCriticalSection == nullptr) {
        ZqError::setLastError(Traits::NO_FREE);
        return nullptr;
    }
    T* p = nullptr;
    {
        const ZqLockGuard hold(*Fix::m_pCriticalSection);
        p = Fix::create();
    }
    if (p == nullptr) {
        ZqError::setLastError(Traits::NO_FREE);
        return nullptr;
    }
    Traits::prepare(*p);
    if (!p->attachResource(resource, time)) {
        p->release();
        return nullptr;
    }
    return p;
}

template <class T, class Resource, class Traits>
bool ZqGlResourcePlayer<T, Resource, Traits>::attachResource(Resource* const resource,
                                                             const float time) {
    if (resource == nullptr) {
        ZqError::setLastError(Traits::NULL_ARGUMENT);
        return false;
    }
    T& p = *self();
    resource->addRef();
    if (p.m_pAnimation != nullptr) {
        p.m_pAnimation->release();
    }
    p.m_pAnimation = resource;
    if (p.m_pKeyFramePlayer == nullptr) {
        p.m_pKeyFramePlayer = ZqGlKeyFramePlayer::create(resource->getKeyFrame(), 0.0f);
        if (p.m_pKeyFramePlayer == nullptr) {
            p.releaseBody();
            return false;
        }
    } else {
        p.m_pKeyFramePlayer->setKeyFrame(resource->getKeyFrame(), 0.0f);
    }
    Traits::attach(p, *resource);
    p.setTime(time);
    return true;
}

template <class T, class Resource, class Traits>
unsigned int ZqGlResourcePlayer<T, Resource, Traits>::releasePlayer() {
    self()->releaseBody();
    const ZqLockGuard hold(*Fix::m_pCriticalSection);
    return Fix::release(self());
}
