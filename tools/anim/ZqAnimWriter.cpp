#include "ZqAnimWriter.h"
#include "ZqAnimWriter_internal.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/gl/ZqGlAnimationFormat.h"

#include <cmath>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace zq_anim_writer {

uint32_t floatsPerKey(const int16_t type) {
    switch (type) {
    case 8:
        return 1;
    case 29:
    case 30:
    case 31:
        return 3;
    default:
        return 4;
    }
}

uint16_t encodeHalf(const float value) {
    // The readers' half floats re-bias the exponent by 112 and have no zero: the nearest value
    // the form holds, 0 for anything smaller than its least (2^-15).
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000);
    const int32_t exponent = static_cast<int32_t>((bits >> 23) & 0xFF) - 112;
    uint32_t mantissa = (bits & 0x7FFFFF) + 0x1000; // rounded to 10 bits
    int32_t e = exponent;
    if (mantissa & 0x800000) {
        mantissa = 0;
        ++e;
    }
    if (e < 0) {
        return sign;
    }
    if (e > 31) {
        return static_cast<uint16_t>(sign | 0x7FFF);
    }
    return static_cast<uint16_t>(sign | (e << 10) | (mantissa >> 13));
}

void encodePackedQuat(const float q[4], uint8_t out[6]) {
    float v[4] = {q[0], q[1], q[2], q[3]};
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3]);
    uint32_t largest = 3;
    if (length > 0.0f) {
        for (float& c : v) {
            c /= length;
        }
        for (uint32_t i = 0; i < 4; ++i) {
            if (std::fabs(v[i]) > std::fabs(v[largest])) {
                largest = i;
            }
        }
    } else {
        v[3] = 1.0f;
    }
    if (v[largest] < 0.0f) {
        for (float& c : v) {
            c = -c;
        }
    }
    uint32_t s = 0x46B50389u;
    float scale = 0.0f;
    std::memcpy(&scale, &s, sizeof scale);
    const float offset = scale * 0.70710677f;
    uint64_t fields[3] = {};
    uint32_t next = 0;
    for (uint32_t i = 0; i < 4; ++i) {
        if (i == largest) {
            continue;
        }
        const float n = std::round(v[i] * scale + offset);
        fields[next++] = static_cast<uint64_t>(n < 0.0f ? 0.0f : (n > 32767.0f ? 32767.0f : n));
    }
    // The first remaining component is R, the second Q, the third P.
    const uint64_t packed = largest | fields[2] << 2 | fields[1] << 17 | fields[0] << 32;
    for (int i = 0; i < 6; ++i) {
        out[i] = static_cast<uint8_t>(packed >> (8 * i));
    }
}

namespace {

void writeValues(ZqByteWriter& w, const Track& t, const uint32_t nrKeys) {
    switch (t.type) {
    case 28:
        for (uint32_t k = 0; k < nrKeys; ++k) {
            uint8_t packed[6] = {};
            encodePackedQuat(&t.values[4 * k], packed);
            w.bytes(packed, 6);
        }
        break;
    case 30:
        for (const float v : t.values) {
            w.u16(encodeHalf(v));
        }
        break;
    case 31: {
        // The base is the first key; each key is stored as its offset from it.
        const float base[3] = {t.values[0], t.values[1], t.values[2]};
        for (const float b : base) {
            w.f32(b);
        }
        for (size_t i = 0; i < t.values.size(); ++i) {
            w.u16(encodeHalf(t.values[i] - base[i % 3]));
        }
        break;
    }
    default:
        for (const float v : t.values) {
            w.f32(v);
        }
        break;
    }
}

} // namespace

std::vector<uint8_t> write(const Animation& a) {
    if (a.parents.size() > static_cast<size_t>(zqanim::MAX_BONES)) {
        throw std::invalid_argument("more than 127 bones");
    }
    if (a.tracks.size() > zqanim::MAX_TRACKS) {
        throw std::invalid_argument("more than 128 tracks");
    }
    for (const Track& t : a.tracks) {
        const size_t per = floatsPerKey(t.type);
        if (t.values.empty() || t.values.size() % per != 0 || t.values.size() / per > 0xFFFF) {
            throw std::invalid_argument("track values do not make whole keys");
        }
        if (!t.frames.empty() && t.frames.size() != t.values.size() / per) {
            throw std::invalid_argument("track frames do not match its keys");
        }
    }

    ZqByteWriter w;
    const uint32_t bonesAt = zqanim::HEADER_CHUNKS + 12;
    writeHeader(w, a.frameCount, a.loopMode, a.fps);
    w.u32(bonesAt);
    w.u32(0); // the track chunk, patched below
    w.u32(0);

    w.u32(zqanim::CHUNK_BONES);
    w.i16(static_cast<int16_t>(a.parents.size()));
    w.u16(0);
    w.u32(zqanim::BONES_SIZE);
    for (const int8_t p : a.parents) {
        w.u8(0);
        w.u8(static_cast<uint8_t>(p));
    }
    w.align(4);

    const uint32_t tracksAt = static_cast<uint32_t>(w.tell());
    w.patchU32(zqanim::HEADER_CHUNKS + 4, tracksAt);
    w.u32(zqanim::CHUNK_TRACKS);
    w.u32(0);
    const uint64_t table = w.tell();
    w.zeros(4 * (a.tracks.size() + 1));
    std::vector<uint64_t> records;
    for (size_t i = 0; i < a.tracks.size(); ++i) {
        records.push_back(w.tell());
        w.patchU32(table + 4 * i, static_cast<uint32_t>(w.tell() - tracksAt));
        w.zeros(zqanim::TRACK_SIZE);
    }
    for (size_t i = 0; i < a.tracks.size(); ++i) {
        const Track& t = a.tracks[i];
        const uint64_t r = records[i];
        const uint32_t nrKeys = static_cast<uint32_t>(t.values.size() / floatsPerKey(t.type));
        w.patch<int16_t>(r + zqanim::TRACK_TYPE, t.type);
        w.patch<uint16_t>(r + zqanim::TRACK_KEYS, static_cast<uint16_t>(nrKeys));
        w.patch<int8_t>(r + zqanim::TRACK_BONE, t.bone);
        if (!t.frames.empty()) {
            w.patchU32(r + zqanim::TRACK_FRAMES, static_cast<uint32_t>(w.tell() - r));
            for (const uint16_t f : t.frames) {
                w.u16(f);
            }
            w.align(4);
        }
        w.patchU32(r + zqanim::TRACK_VALUES, static_cast<uint32_t>(w.tell() - r));
        writeValues(w, t, nrKeys);
        w.align(4);
    }
    // Readers want each table to start before the last bytes of the data; a little tail keeps
    // the final one clear of that edge.
    w.zeros(4);
    return w.take();
}

void writeHeader(ZqByteWriter& w, const int16_t frameCount, const uint8_t loopMode,
                 const int32_t fps) {
    w.u32(zqanim::MAGIC);
    w.i16(frameCount);
    w.u8(loopMode);
    w.u8(0);
    w.i32(fps);
    w.u32(0);
}

uint64_t writeFloatTrack(ZqByteWriter& w, const int16_t type, const uint16_t nrKeys,
                         const uint8_t byte6, const uint8_t byte7,
                         const std::vector<uint16_t>& frames, const std::vector<float>& values) {
    const uint64_t r = w.tell();
    w.i16(type);
    w.u16(0);
    w.u16(nrKeys);
    w.u8(byte6);
    w.u8(byte7);
    w.u32(0);
    w.u32(0);
    if (!frames.empty()) {
        w.patchU32(r + zqanim::TRACK_FRAMES, static_cast<uint32_t>(w.tell() - r));
        for (const uint16_t f : frames) {
            w.u16(f);
        }
        w.align(4);
    }
    w.patchU32(r + zqanim::TRACK_VALUES, static_cast<uint32_t>(w.tell() - r));
    for (const float v : values) {
        w.f32(v);
    }
    return r;
}

bool parseText(const std::string& text, Animation& out, std::string& error) {
    out = Animation{};
    return text::forEachLine(
        text, error, [&](const std::string& key, std::istream& words, const char*& what) {
            bool ok = true;
            if (text::header(key, words, out.frameCount, out.fps, out.loopMode, ok, what)) {
                return ok;
            }
            if (key == "parents") {
                long v = 0;
                while (words >> v) {
                    out.parents.push_back(static_cast<int8_t>(v));
                }
                return true;
            }
            if (key != "track") {
                what = "unknown keyword";
                return false;
            }
            Track t;
            long type = 0;
            long bone = 0;
            long keys = 0;
            if (!(words >> type >> bone >> keys) || keys <= 0 || keys > 0xFFFF) {
                what = "track needs TYPE BONE KEYS";
                return false;
            }
            t.type = static_cast<int16_t>(type);
            t.bone = static_cast<int8_t>(bone);
            if (!text::keyLists(words, keys, floatsPerKey(t.type), t.frames, t.values, what)) {
                return false;
            }
            out.tracks.push_back(std::move(t));
            return true;
        });
}

} // namespace zq_anim_writer
