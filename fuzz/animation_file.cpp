// Feeds the animation container reader with arbitrary bytes; an animation it accepts is played
// through a key-frame player at a few times, forward and backward, and its hierarchy walked.
// Seeds: animations that tools/anim writes (fuzz/animation_file_seeds.cmake).
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"

#include <cstddef>
#include <cstdint>

namespace {

bool startPools() {
    ZqGlKeyFrame::sysInit();
    ZqGlKeyFramePlayer::sysInit();
    ZqGlAnimation::sysInit();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = startPools();
    (void)started;
    if (size > 0x1FFFFF) {
        return 0;
    }
    ZqGlAnimation* const a =
        ZqGlAnimation::create(u"fuzz", data, static_cast<uint32_t>(size), 0.0f);
    if (a == nullptr) {
        return 0;
    }
    for (uint32_t b = 0; b < a->getNrBones(); ++b) {
        for (uint32_t i = 0; i < a->getBoneNrChildren(b); ++i) {
            if (a->getBoneChildBoneNr(b, i) >= a->getNrBones()) {
                __builtin_trap();
            }
        }
    }
    ZqGlKeyFramePlayer* const p = ZqGlKeyFramePlayer::create(a->getKeyFrame(), 0.0f);
    if (p != nullptr) {
        const float total = a->getKeyFrame()->getTotalTime();
        p->setRelativeTime(total * 0.37f);
        p->setRelativeTime(total * 0.9f);
        p->setRelativeTime(-total * 0.5f);
        p->setLoopMode(0);
        p->setTime(total * 2.0f);
        p->release();
    }
    a->release();
    return 0;
}
