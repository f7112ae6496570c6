// ZqGlKeyFrame: a named, reference-counted set of animation tracks, each a list of keys (a
// frame number and 1, 3 or 4 floats) with its interpolation rule. The compact encodings of the
// animation files (packed quaternions, half floats) are decoded into floats once, at creation;
// evaluation (ZqGlKeyFramePlayer) only searches frames and interpolates.
// Not for: reading animation files (the animation resources check the container and hand
// their tracks over as CreateData). Depends on ZqRefList and ZqQuat (slerp).
#pragma once

#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <vector>

class ZqGlKeyFrame : public ZqRefList<ZqGlKeyFrame> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20002200;
    static constexpr uint32_t ERROR_NR_TRACKS = 0x20002201;
    static constexpr uint32_t ERROR_NR_KEYS = 0x20002202;
    static constexpr uint32_t ERROR_TYPE = 0x20002203;
    static constexpr uint32_t ERROR_FIRST_FRAME = 0x20002204;
    static constexpr uint32_t ERROR_FRAME_ORDER = 0x20002205;
    // A frame count of 0 (or one that does not fit a signed 32-bit count) or a rate that is not a
    // finite positive number: the players' loop wrap would divide by a total time of 0.
    static constexpr uint32_t ERROR_TIMING = 0x20002206;
    static constexpr uint32_t POOL_SIZE = 4096;
    static constexpr uint32_t MAX_TRACKS = 126;
    static constexpr uint32_t MAX_KEYS = 7999;

    // The track types, with their stored key encodings.
    enum TYPE : uint8_t {
        TYPE_QUAT = 1,           // 4 floats, slerp
        TYPE_XYZW = 4,           // 4 floats, lerp
        TYPE_SCALAR = 8,         // 1 float, lerp
        TYPE_SCALE = 10,         // 4 floats, lerp
        TYPE_QUAT_PACKED = 28,   // 6-byte packed quaternion, slerp
        TYPE_XYZ = 29,           // 3 floats, lerp
        TYPE_XYZ_HALF = 30,      // 3 half floats, lerp
        TYPE_XYZ_HALF_BASE = 31, // 3 floats once, then 3 half floats per key added to them
    };

    // One track handed to create. frames: key count little-endian u16 frame numbers, or null
    // for frames 0, 1, 2 ...; values: the stored keys in the type's encoding. Both are trusted
    // for their length (creators check where the data lies).
    struct CreateData {
        uint8_t type = 0;
        uint16_t nrKeys = 0;
        const void* frames = nullptr;
        const void* values = nullptr;
    };

    // What evaluation leaves per track: the current key (-1 before the first) and the
    // interpolated values.
    struct Work {
        int32_t key = 0;
        float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    };

    struct Track;
    // Writes the work values between key k - 1 (a) and key k (b) at fraction t.
    using Interpolate = void (*)(const Track& track, Work& work, uint32_t k, float t);

    struct Track {
        uint8_t type = 0;
        uint8_t nrValues = 0;
        uint16_t nrKeys = 0;
        const uint16_t* frames = nullptr;
        const float* values = nullptr;
        Interpolate interpolate = nullptr;
        // Each key's time in milliseconds at the set's rate, worked out once in the two ways
        // the players measure it: frame * (1 / rate) * 1000 where they search, and
        // frame / rate * 1000 for the key an interpolation starts from.
        const float* times = nullptr;
        const float* startTimes = nullptr;
    };

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // The set of that name with one more reference, else a new set built from the tracks.
    // Track count 1..126, key counts 1..7999, total frames 1..INT32_MAX and a finite positive
    // rate. Null on failure with the thread's last error set.
    static ZqGlKeyFrame* create(const char16_t* name, uint32_t nrTracks, const CreateData* data,
                                uint32_t totalFrames, float rate, uint8_t loopMode);
    // The same, but always a new set even when the name is in use.
    static ZqGlKeyFrame* createForce(const char16_t* name, uint32_t nrTracks,
                                     const CreateData* data, uint32_t totalFrames, float rate,
                                     uint8_t loopMode);
    // Drops one reference; at 0 the tracks go. Returns the count left.
    unsigned int release();

    uint8_t getType(const uint32_t track) const { return m_vTracks[track].type; }
    uint8_t getNrValues(const uint32_t track) const { return m_vTracks[track].nrValues; }
    uint16_t getNrKeys(const uint32_t track) const { return m_vTracks[track].nrKeys; }
    uint16_t getFrame(const uint32_t track, const uint32_t key) const {
        return m_vTracks[track].frames[key];
    }
    const float* getValues(const uint32_t track, const uint32_t key) const {
        return m_vTracks[track].values + static_cast<size_t>(key) * m_vTracks[track].nrValues;
    }
    const Track& getTrack(const uint32_t track) const { return m_vTracks[track]; }
    uint32_t getTotalFrames() const { return m_totalFrames; }
    // Milliseconds.
    float getTotalTime() const { return m_totalTime; }
    float getFps() const { return m_rate; }
    uint8_t getLoopMode() const { return m_loopMode; }
    uint8_t getNrTracks() const { return m_nrTracks; }
    float frame2msec(const float frame) const { return frame / m_rate * 1000.0f; }
    float msec2frame(const float msec) const { return m_rate * msec * 0.001f; }

    static void interpolateQuatSlerp(const Track& track, Work& work, uint32_t k, float t);
    static void interpolateXyzLerp(const Track& track, Work& work, uint32_t k, float t);
    static void interpolateXyzwLerp(const Track& track, Work& work, uint32_t k, float t);
    static void interpolateScalarLerp(const Track& track, Work& work, uint32_t k, float t);

    // The stored encodings, exposed for the writers' round trips.
    static float decodeHalf(uint16_t h);
    // Six bytes of a packed quaternion into x, y, z, w.
    static void decodePackedQuat(const uint8_t* bytes, float out[4]);

private:
    friend class ZqFixList<ZqGlKeyFrame>;
    friend class ZqRefList<ZqGlKeyFrame>;

    ZqGlKeyFrame() = default;
    ~ZqGlKeyFrame() override = default;

    static ZqGlKeyFrame* createCommon(const char16_t* name, uint32_t nrTracks,
                                      const CreateData* data, uint32_t totalFrames, float rate,
                                      uint8_t loopMode, bool force);
    // 0 or the error code.
    uint32_t build(uint32_t nrTracks, const CreateData* data, uint32_t totalFrames, float rate,
                   uint8_t loopMode);
    void releaseBody();

    std::vector<Track> m_vTracks;
    std::vector<float> m_vValues;
    std::vector<uint16_t> m_vFrames;
    std::vector<float> m_vTimes;
    uint32_t m_totalFrames = 0;
    float m_totalTime = 0.0f;
    float m_rate = 0.0f;
    uint8_t m_nrTracks = 0;
    uint8_t m_loopMode = 0;
};
