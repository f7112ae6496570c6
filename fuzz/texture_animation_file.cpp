// Feeds the texture animation reader with arbitrary bytes; an animation it accepts is played at
// a few times, forward, backward and past its end, and reloaded from the same bytes, so that the
// matrices of every sub-animation and the take-over in place run too.
// Seeds: texture animations that tools/anim writes (fuzz/texture_animation_file_seeds.cmake).
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/gl/ZqGlTextureAnimationPlayer.h"

#include <cstddef>
#include <cstdint>

namespace {

bool startPools() {
    ZqGlKeyFrame::sysInit();
    ZqGlKeyFramePlayer::sysInit();
    ZqGlTextureAnimation::sysInit();
    ZqGlTextureAnimationPlayer::sysInit();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = startPools();
    (void)started;
    if (size > 0xFFFF) {
        return 0;
    }
    const uint32_t n = static_cast<uint32_t>(size);
    ZqGlTextureAnimation* const a = ZqGlTextureAnimation::create(u"fuzz", data, n, 0.0f);
    if (a == nullptr) {
        return 0;
    }
    ZqGlTextureAnimationPlayer* const p = ZqGlTextureAnimationPlayer::create(a, 0.0f);
    if (p != nullptr) {
        p->setRelativeTime(37.0f);
        p->setRelativeTime(-500.0f);
        p->setLoopMode(0);
        p->setTime(1.0e6f);
        // The same bytes again: the counts match, so the animation is rebuilt under the player.
        if (a->reload(data, n, 24.0f) != nullptr) {
            p->setTime(10.0f);
        }
        p->release();
    }
    a->release();
    return 0;
}
