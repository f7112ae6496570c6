// Fixtures of the scene drawing tests: bodies and clips made with the model and animation
// writers, archives of the manifest with some rows replaced, the chapter bank loaded from
// them, and a queue with its two pools as the game's statics make them.
#pragma once

#include "dorvanex/scene/CRenderObj.h"
#include "dorvanex/scene/CRenderQueue.h"
#include "tools/anim/ZqAnimWriter.h"
#include "tools/model/ZqModelWriter.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace scenetest {

// The render queue and its pools, living while this lives.
struct RenderSet {
    std::unique_ptr<CRenderObjPool> objects = std::make_unique<CRenderObjPool>();
    std::unique_ptr<CRenderSpritePool> sprites = std::make_unique<CRenderSpritePool>();
    std::unique_ptr<CRenderQueue> queue = std::make_unique<CRenderQueue>();
    ~RenderSet() {
        queue.reset();
        sprites.reset();
        objects.reset();
    }
};

// A body of three submodels (legs, torso, head, each a box) over a chain of `bones` bones,
// bone 12 named "Head"; material shader `shader`.
zq_model_writer::Model body(uint32_t bones = 13, uint8_t shader = 0);
// A box from min to max of one colour, rigid on bone 0; blended when alpha < 1.
zq_model_writer::Model box(const float min[3], const float max[3], uint32_t argb,
                           uint8_t shader = 2, uint8_t technique = 0);
// A clip of `frames` frames at 60 per second over a chain of `bones` bones: bone 0 turns about
// z by up to `bend` radians over the clip, the others stand `step` apart on y.
zq_anim_writer::Animation clip(int16_t frames, uint32_t bones, float bend = 0.0f,
                               float step = 10.0f, uint8_t loop = 1);
// A camera path of `frames` frames moving from `from` to `to`, looking down -z with a yaw of
// `yaw` radians.
zq_anim_writer::CameraAnimation dolly(int16_t frames, const float from[3], const float to[3],
                                      float yaw = 0.0f);

// Writes archive (its data-set members, with rows replaced by the given bytes) under Arc/.
bool writeArchive(uint32_t archive, const std::map<uint32_t, std::vector<uint8_t>>& rows,
                  std::string& error);
// Requests the pairs into the chapter bank of the resource manager's instance and steps it
// until complete (within a minute); true when complete with no failed row.
bool loadChapterBank(const std::vector<std::pair<int32_t, uint32_t>>& pairs);

} // namespace scenetest
