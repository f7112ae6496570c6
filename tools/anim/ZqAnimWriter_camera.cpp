// The camera path writer and its text form.
#include "ZqAnimWriter.h"
#include "ZqAnimWriter_internal.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/gl/ZqGlCameraAnimationFormat.h"

#include <stdexcept>

namespace zq_anim_writer {

CameraAnimation stillCamera(const float position[3], const float fovDegrees, const float zNear,
                            const float zFar, const float aspect) {
    CameraAnimation a;
    a.tracks[0].values = {0.0f, 0.0f, 0.0f, 1.0f};
    a.tracks[1].values = {position[0], position[1], position[2], 1.0f};
    a.tracks[2].values = {fovDegrees};
    a.tracks[3].values = {zNear};
    a.tracks[4].values = {zFar};
    a.tracks[5].values = {aspect};
    return a;
}

std::vector<uint8_t> write(const CameraAnimation& a) {
    for (uint32_t i = 0; i < zqcamanim::NR_TRACKS; ++i) {
        const CameraTrack& t = a.tracks[i];
        const size_t per = zqcamanim::floatsPerKey(i);
        const size_t keys = t.values.size() / per;
        if (keys == 0 || keys > 0xFFFF || t.values.size() % per != 0 ||
            (!t.frames.empty() && t.frames.size() != keys)) {
            throw std::invalid_argument("a camera track's keys do not match");
        }
    }
    ZqByteWriter w;
    writeHeader(w, a.frameCount, a.loopMode, a.fps);
    w.u32(0); // the camera chunk, patched below
    w.u32(0);
    const uint64_t chunk = w.tell();
    w.patchU32(zqanim::HEADER_CHUNKS, static_cast<uint32_t>(chunk));
    w.u32(zqcamanim::CHUNK_CAMERA);
    w.u32(0);
    w.zeros(4 * zqcamanim::NR_TRACKS);
    for (uint32_t i = 0; i < zqcamanim::NR_TRACKS; ++i) {
        const CameraTrack& t = a.tracks[i];
        const uint64_t r =
            writeFloatTrack(w, zqcamanim::trackType(i),
                            static_cast<uint16_t>(t.values.size() / zqcamanim::floatsPerKey(i)),
                            static_cast<uint8_t>(i), 0, t.frames, t.values);
        w.patchU32(chunk + zqcamanim::CHUNK_TRACKS + 4 * i, static_cast<uint32_t>(r - chunk));
    }
    // Readers want every table to start more than its least size before the end.
    w.zeros(4);
    if (w.tell() > zqcamanim::MAX_DATA_SIZE) {
        throw std::invalid_argument("a camera path past 65535 bytes");
    }
    return w.take();
}

bool parseCameraText(const std::string& text, CameraAnimation& out, std::string& error) {
    out = CameraAnimation{};
    return text::forEachLine(
        text, error, [&](const std::string& key, std::istream& words, const char*& what) {
            bool ok = true;
            if (text::header(key, words, out.frameCount, out.fps, out.loopMode, ok, what)) {
                return ok;
            }
            if (key != "track") {
                what = "unknown keyword";
                return false;
            }
            long index = 0;
            long keys = 0;
            if (!(words >> index >> keys) || index < 0 ||
                index >= static_cast<long>(zqcamanim::NR_TRACKS) || keys <= 0 || keys > 0xFFFF) {
                what = "track needs INDEX (0..5) KEYS";
                return false;
            }
            CameraTrack t;
            if (!text::keyLists(words, keys, zqcamanim::floatsPerKey(static_cast<uint32_t>(index)),
                                t.frames, t.values, what)) {
                return false;
            }
            out.tracks[index] = std::move(t);
            return true;
        });
}

} // namespace zq_anim_writer
