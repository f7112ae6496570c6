// Feeds the camera path reader with arbitrary bytes; a path it accepts is played at a few
// times, forward, backward and past its end, with thresholds that make every one-frame step a
// cut, so that the key look-ups beside the current key run too.
// Seeds: paths that tools/anim writes (fuzz/camera_animation_file_seeds.cmake).
#include "zq/gl/ZqGlCameraAnimation.h"
#include "zq/gl/ZqGlCameraAnimationPlayer.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"

#include <cstddef>
#include <cstdint>

namespace {

bool startPools() {
    ZqGlKeyFrame::sysInit();
    ZqGlKeyFramePlayer::sysInit();
    ZqGlCameraAnimation::sysInit();
    ZqGlCameraAnimationPlayer::sysInit();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = startPools();
    (void)started;
    if (size > 0xFFFF) {
        return 0;
    }
    ZqGlCameraAnimation* const a =
        ZqGlCameraAnimation::create(u"fuzz", data, static_cast<uint32_t>(size), 0.0f);
    if (a == nullptr) {
        return 0;
    }
    ZqGlCameraAnimationPlayer* const p = ZqGlCameraAnimationPlayer::create(a, 0.0f);
    if (p != nullptr) {
        const float total = a->getKeyFrame()->getTotalTime();
        p->setRotationThreshold(0.0f, 0.0f, 0.0f, 0.0f);
        p->setTransThreshold(0.0f, 0.0f, 0.0f, 0.0f);
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
