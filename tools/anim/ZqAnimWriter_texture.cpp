// The texture animation writer and its text form.
#include "ZqAnimWriter.h"
#include "ZqAnimWriter_internal.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/gl/ZqGlAnimationFormat.h"

#include <stdexcept>

namespace zq_anim_writer {

std::vector<uint8_t> write(const TextureAnimation& a) {
    if (a.materials.size() > zqanim::MAX_SUB_TEXTURE_ANIMATIONS) {
        throw std::invalid_argument("more than 32 sub-animations");
    }
    if (a.tracks.size() > zqanim::MAX_TEXTURE_TRACKS) {
        throw std::invalid_argument("more than 256 tracks");
    }
    for (const TextureTrack& t : a.tracks) {
        if (t.values.empty() || t.values.size() > 0xFFFF ||
            (!t.frames.empty() && t.frames.size() != t.values.size())) {
            throw std::invalid_argument("a track's keys do not match");
        }
    }
    ZqByteWriter w;
    writeHeader(w, a.frameCount, a.loopMode, a.fps);
    w.u32(0); // material table, patched below
    w.u32(0); // tracks
    w.u32(0);
    w.patchU32(zqanim::HEADER_CHUNKS, static_cast<uint32_t>(w.tell()));
    w.u32(zqanim::CHUNK_TEXTURE_MATERIALS);
    w.i16(static_cast<int16_t>(a.materials.size()));
    w.u16(0);
    for (const std::string& m : a.materials) {
        w.u64(zqCalcNameId64(m.c_str()));
    }
    const uint64_t chunk = w.tell();
    w.patchU32(zqanim::HEADER_CHUNKS + 4, static_cast<uint32_t>(chunk));
    w.u32(zqanim::CHUNK_TEXTURE_TRACKS);
    w.u32(0);
    const uint64_t table = w.tell();
    w.zeros(4 * (a.tracks.size() + 1));
    for (size_t i = 0; i < a.tracks.size(); ++i) {
        const TextureTrack& t = a.tracks[i];
        const uint64_t r = writeFloatTrack(w, 8, static_cast<uint16_t>(t.values.size()), t.value,
                                           t.subAnimation, t.frames, t.values);
        w.patchU32(table + 4 * i, static_cast<uint32_t>(r - chunk));
    }
    w.zeros(4);
    return w.take();
}

bool parseTextureText(const std::string& text, TextureAnimation& out, std::string& error) {
    out = TextureAnimation{};
    return text::forEachLine(
        text, error, [&](const std::string& key, std::istream& words, const char*& what) {
            bool ok = true;
            if (text::header(key, words, out.frameCount, out.fps, out.loopMode, ok, what)) {
                return ok;
            }
            if (key == "material") {
                std::string name;
                if (!(words >> name)) {
                    what = "material needs NAME";
                    return false;
                }
                out.materials.push_back(std::move(name));
                return true;
            }
            if (key != "track") {
                what = "unknown keyword";
                return false;
            }
            long value = 0;
            long sub = 0;
            long keys = 0;
            if (!(words >> value >> sub >> keys) || value < 0 || value > 0xFF || sub < 0 ||
                sub > 0xFF || keys <= 0 || keys > 0xFFFF) {
                what = "track needs VALUE SUB KEYS";
                return false;
            }
            TextureTrack t;
            t.value = static_cast<uint8_t>(value);
            t.subAnimation = static_cast<uint8_t>(sub);
            if (!text::keyLists(words, keys, 1, t.frames, t.values, what)) {
                return false;
            }
            out.tracks.push_back(std::move(t));
            return true;
        });
}

} // namespace zq_anim_writer
