// The animation writer: skeletal animations in the animation container (ZqGlAnimationFormat.h)
// from a plain description: a bone hierarchy and tracks of keys given as floats, which the
// writer encodes in the track type's form (packed quaternions, half floats, a base plus half
// offsets). Tests make their fixtures with it and the game's data set its animations.
// Not for: reading (ZqGlAnimation reads). Depends on the container's constants only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zq_anim_writer {

struct Track {
    // A key-frame track type (1, 4, 8, 10, 28, 29, 30, 31); other values are written as floats
    // of floatsPerKey (type) per key, so that readers' refusals can be shown.
    int16_t type = 1;
    int8_t bone = -1;
    // Frame per key, first 0 and rising; empty: keys on frames 0, 1, 2 ...
    std::vector<uint16_t> frames;
    // floatsPerKey (type) floats per key: x, y, z, w for rotations and 4-float types, x, y, z
    // for translations, one for a scalar.
    std::vector<float> values;
};

struct Animation {
    int16_t frameCount = 1;
    uint8_t loopMode = 1;
    int32_t fps = 60;
    // Parent per bone: -1 for bone 0 (the root), else a smaller bone number.
    std::vector<int8_t> parents;
    std::vector<Track> tracks;
};

// A texture animation: sub-animations bound to materials by name, one-float tracks each driving
// one value of one sub-animation.
struct TextureTrack {
    uint8_t value = 0; // 0 u offset, 1 v offset, 2 u scale, 3 v scale, 4 rotation (radians)
    uint8_t subAnimation = 0;
    std::vector<uint16_t> frames; // empty: frames 0, 1, 2 ...
    std::vector<float> values;    // one per key
};

struct TextureAnimation {
    int16_t frameCount = 1;
    uint8_t loopMode = 1;
    int32_t fps = 60;
    std::vector<std::string> materials;
    std::vector<TextureTrack> tracks;
};

// A camera path (ZqGlCameraAnimationFormat.h): six tracks in their fixed order, rotation
// (x, y, z, w per key), position (x, y, z, w), field of view in degrees, near, far, aspect.
struct CameraTrack {
    std::vector<uint16_t> frames; // empty: frames 0, 1, 2 ...
    std::vector<float> values;    // 4 per key for tracks 0 and 1, else 1
};

struct CameraAnimation {
    int16_t frameCount = 1;
    uint8_t loopMode = 1;
    int32_t fps = 60;
    CameraTrack tracks[6];
};

// A still camera: the identity rotation at position, looking down -z, the given projection.
CameraAnimation stillCamera(const float position[3], float fovDegrees, float zNear, float zFar,
                            float aspect);

// Floats per key of a track type as the description gives them (4 for an unknown type).
uint32_t floatsPerKey(int16_t type);

// The file image. Throws std::invalid_argument for a description that cannot be written (a
// value count that does not match the keys, more than 127 bones or 128 tracks, a frame list
// of another length).
std::vector<uint8_t> write(const Animation& animation);

// The container of a texture animation (material table and track chunks). Throws
// std::invalid_argument for more than 32 materials or 256 tracks, or a track without keys.
std::vector<uint8_t> write(const TextureAnimation& animation);

// The container of a camera path. Throws std::invalid_argument for a track without keys, a
// value or frame count that does not match, or an image past 65535 bytes.
std::vector<uint8_t> write(const CameraAnimation& animation);

// The stored encodings.
uint16_t encodeHalf(float value);
// A rotation (x, y, z, w; normalised here) as 6 bytes.
void encodePackedQuat(const float q[4], uint8_t out[6]);

// Reads the text form that zqanim takes:
//   frames N | fps N | loop N | parents P0 P1 ... | track TYPE BONE KEYS [frames F...] values V...
// '#' starts a comment. False with a message on a malformed description.
bool parseText(const std::string& text, Animation& out, std::string& error);

// Reads the text form that zqanim --camera takes:
//   frames N | fps N | loop N | track INDEX KEYS [frames F...] values V...
// (INDEX 0..5, values 4 per key for tracks 0 and 1, else 1); '#' starts a comment.
bool parseCameraText(const std::string& text, CameraAnimation& out, std::string& error);

// Reads the text form that zqanim --texture takes:
//   frames N | fps N | loop N | material NAME | track VALUE SUB KEYS [frames F...] values V...
// (one material line per sub-animation, in order; VALUE as TextureTrack::value, one value per
// key); '#' starts a comment.
bool parseTextureText(const std::string& text, TextureAnimation& out, std::string& error);

} // namespace zq_anim_writer
