// Animations and cameras: a still skeleton, a texture animation and a still camera.
#include "tools/anim/ZqAnimWriter.h"
#include "tools/dataset/DataSetBuilder_parts.h"

namespace zqds::part {

std::vector<uint8_t> makeAnimation() {
    zq_anim_writer::Animation a;
    a.frameCount = 2;
    a.parents = {-1};
    // The key-frame sets refuse an animation without tracks: the root stands still.
    zq_anim_writer::Track t;
    t.type = 29;
    t.bone = 0;
    t.values = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    a.tracks.push_back(t);
    return zq_anim_writer::write(a);
}

std::vector<uint8_t> makeTextureAnimation() {
    zq_anim_writer::TextureAnimation a;
    a.frameCount = 2;
    a.materials = {"default"};
    zq_anim_writer::TextureTrack t;
    t.values = {0.0f, 0.5f};
    a.tracks.push_back(t);
    return zq_anim_writer::write(a);
}

// A still camera over the pitch, looking down -z.
std::vector<uint8_t> makeCameraAnimation() {
    const float position[3] = {0.0f, 150.0f, 600.0f};
    return zq_anim_writer::write(
        zq_anim_writer::stillCamera(position, 45.0f, 10.0f, 10000.0f, 4.0f / 3.0f));
}

} // namespace zqds::part
