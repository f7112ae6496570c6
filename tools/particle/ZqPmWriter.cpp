#include "tools/particle/ZqPmWriter.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace zqpmw {

using ZquPm::EMITDATA;
using ZquPm::Rgb;

namespace {

void putVec(ZqByteWriter& w, const uint32_t at, const ZqVector3& v) {
    w.patch(at, v.x);
    w.patch(at + 4, v.y);
    w.patch(at + 8, v.z);
}

void putRgb(ZqByteWriter& w, const uint32_t at, const Rgb& c) {
    w.patch(at, c.r);
    w.patch(at + 1, c.g);
    w.patch(at + 2, c.b);
}

void putName(ZqByteWriter& w, const std::string& s, const uint32_t size) {
    const uint64_t n = s.size() < size ? s.size() : size - 1;
    w.bytes(s.data(), n);
    w.zeros(size - n);
}

} // namespace

std::vector<uint8_t> writeEmitData(const EMITDATA& e) {
    using namespace zqpm;
    ZqByteWriter w;
    w.zeros(EMIT_SIZE);
    w.patch(EMIT_HEAD, e.head);
    w.patch(EMIT_KIND, e.kind);
    w.patch(EMIT_SHAPE, e.shape);
    w.patch(EMIT_COUNT, e.count);
    w.patch(EMIT_DELAY, e.delay);
    w.patch(EMIT_LIFE, e.life);
    w.patch(EMIT_INTERVAL, e.interval);
    putVec(w, EMIT_POSITION, e.position);
    putVec(w, EMIT_POSITION2, e.position2);
    putVec(w, EMIT_ROTATION, e.rotation);
    putVec(w, EMIT_SIZE_XYZ, e.size);
    putVec(w, EMIT_VELOCITY, e.velocity);
    putVec(w, EMIT_ACCELERATION, e.acceleration);
    putVec(w, EMIT_ANGULAR_VELOCITY, e.angularVelocity);
    putVec(w, EMIT_SIZE_CHANGE, e.sizeChange);
    for (uint32_t i = 0; i < 16; ++i) {
        w.patch(EMIT_TRANSFORM + 4 * i, e.transform.m[i / 4][i % 4]);
    }
    w.patch(EMIT_MOTION2_WEIGHT, e.motion2Weight);
    w.patch(EMIT_EFFECT_VELOCITY, e.effectVelocityPct);
    w.patch(EMIT_TINT, e.tintPct);
    w.patch(EMIT_SCALE, e.scalePct);
    w.patch(EMIT_PARTICLE_LIFE, e.particleLife);
    w.patch(EMIT_LIFE_VARIATION, e.lifeVariation);
    for (uint32_t i = 0; i < 7; ++i) {
        w.patch(EMIT_PHASES + 4 * i, e.phases[i]);
    }
    w.patch(EMIT_RANDOM_COLOUR, e.randomColour);
    putRgb(w, EMIT_COLOUR_START2, e.colourStart2);
    putRgb(w, EMIT_COLOUR_START, e.colourStart);
    putRgb(w, EMIT_COLOUR_MIDDLE, e.colourMiddle);
    putRgb(w, EMIT_COLOUR_END, e.colourEnd);
    putRgb(w, EMIT_COLOUR_TAIL, e.colourTail);
    w.patch(EMIT_BLEND, e.blend);
    w.patch(EMIT_ALPHA_VARIATION, e.alphaVariation);
    w.patch(EMIT_SIZE_VARIATION, e.sizeVariation);
    w.patch(EMIT_SIZE2_VARIATION, e.size2Variation);
    for (uint32_t i = 0; i < 3; ++i) {
        w.patch(EMIT_ALPHA + 4 * i, e.alpha[i]);
        w.patch(EMIT_PSIZE + 4 * i, e.psize[i]);
        w.patch(EMIT_SIZE2 + 4 * i, e.size2[i]);
        w.patch(EMIT_MODEL_ANGLE + 4 * i, e.modelAngle[i]);
        w.patch(EMIT_MODEL_RESERVED + 4 * i, e.modelReserved[i]);
        w.patch(EMIT_MODEL_ANG_VEL + 4 * i, e.modelAngVel[i]);
        w.patch(EMIT_MODEL_ANG_ACC + 4 * i, e.modelAngAcc[i]);
        w.patch(EMIT_MODEL_RANDOM_ANGLE + i, e.modelRandomAngle[i]);
        w.patch(EMIT_MODEL_RANDOM_ANG_VEL + i, e.modelRandomAngVel[i]);
    }
    w.patch(EMIT_FRAME_MODE, e.frameMode);
    w.patch(EMIT_FRAME_FIRST, e.frameFirst);
    w.patch(EMIT_FRAME_LAST, e.frameLast);
    w.patch(EMIT_FRAME_STEPS, e.frameSteps);
    w.patch(EMIT_TEXTURE, e.texture);
    w.patch(EMIT_MOTION, e.motion);
    w.patch(EMIT_LOCAL, e.local);
    putVec(w, EMIT_DIRECTION, e.direction);
    putVec(w, EMIT_ACCEL_FRAME, e.accelFrame);
    putVec(w, EMIT_ACCEL_PLAIN, e.accelPlain);
    w.patch(EMIT_SPREAD_H, e.spreadH);
    w.patch(EMIT_SPREAD_V, e.spreadV);
    w.patch(EMIT_DRAG, e.drag);
    w.patch(EMIT_RANDOM_ANG_VEL, e.randomAngVel);
    w.patch(EMIT_RANDOM_ANGLE, e.randomAngle);
    w.patch(EMIT_RANDOM_ANG_ACC, e.randomAngAcc);
    w.patch(EMIT_ANG_VEL, e.angVel);
    w.patch(EMIT_ANGLE, e.angle);
    w.patch(EMIT_ANGLE_STEP, e.angleStep);
    w.patch(EMIT_ANG_ACC, e.angAcc);
    w.patch(EMIT_LINE_ORIENT, e.lineOrient);
    w.patch(EMIT_LINE_OWN_TAIL, e.lineOwnTail);
    w.patch(EMIT_LINE_FADE_TAIL, e.lineFadeTail);
    w.patch(EMIT_LINE_TAIL_LEADS, e.lineTailLeads);
    w.patch(EMIT_MODEL_SHAPE, e.modelShape);
    w.patch(EMIT_MODEL_PARAM, e.modelParam);
    w.patch(EMIT_MODEL_SEGMENTS, e.modelSegments);
    w.patch(EMIT_MODEL_FLAG, e.modelFlag);
    w.patch(EMIT_STEER_SPEED, e.steerSpeed);
    w.patch(EMIT_STEER_WEIGHT, e.steerWeight);
    w.patch(EMIT_STEER_INTERVAL, e.steerInterval);
    putVec(w, EMIT_TURN_AXIS, e.turnAxis);
    return w.take();
}

std::vector<uint8_t> writePmd(const PmdDesc& d) {
    ZqByteWriter w;
    w.bytes(zqpm::PMD_MAGIC, 4);
    w.u32(d.counter);
    w.u16(d.loop);
    w.u16(d.rate);
    w.u32(d.motion);
    putName(w, d.texList, zqpm::PMD_NAME_SIZE);
    w.f32(d.length);
    w.u32(static_cast<uint32_t>(d.emitters.size()));
    w.zeros(8);
    for (const EMITDATA& e : d.emitters) {
        const std::vector<uint8_t> r = writeEmitData(e);
        w.bytes(r.data(), r.size());
    }
    return w.take();
}

std::vector<uint8_t> writePmt(const PmtDesc& d) {
    ZqByteWriter w;
    w.bytes(zqpm::PMT_MAGIC, 4);
    w.u32(d.counter);
    w.u32(static_cast<uint32_t>(d.textures.size()));
    w.u32(static_cast<uint32_t>(d.frames.size()));
    for (const std::string& t : d.textures) {
        putName(w, t, zqpm::PMT_TEXTURE_SIZE);
    }
    for (uint32_t i = 0; i < d.frames.size(); ++i) {
        w.u32(i);
        w.u32(0);
        w.f32(d.frames[i].umin);
        w.f32(d.frames[i].vmin);
        w.f32(d.frames[i].du);
        w.f32(d.frames[i].dv);
    }
    return w.take();
}

namespace {

using Values = std::vector<double>;
using Setter = std::function<bool(EMITDATA&, const Values&)>;

template <class T> Setter scalar(T EMITDATA::*m) {
    return [m](EMITDATA& e, const Values& v) {
        if (v.size() != 1) {
            return false;
        }
        e.*m = static_cast<T>(v[0]);
        return true;
    };
}

Setter vec(ZqVector3 EMITDATA::*m) {
    return [m](EMITDATA& e, const Values& v) {
        if (v.size() != 3) {
            return false;
        }
        (e.*m).set(static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]));
        return true;
    };
}

Setter rgb(Rgb EMITDATA::*m) {
    return [m](EMITDATA& e, const Values& v) {
        if (v.size() != 3) {
            return false;
        }
        e.*m =
            Rgb{static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2])};
        return true;
    };
}

template <class T, size_t N> Setter array(T (EMITDATA::*m)[N]) {
    return [m](EMITDATA& e, const Values& v) {
        if (v.size() != N) {
            return false;
        }
        for (size_t i = 0; i < N; ++i) {
            (e.*m)[i] = static_cast<T>(v[i]);
        }
        return true;
    };
}

// Unsigned fields take -1 as all bits set (no texture, no animation).
template <> Setter scalar(uint32_t EMITDATA::*m) {
    return [m](EMITDATA& e, const Values& v) {
        if (v.size() != 1) {
            return false;
        }
        e.*m = v[0] < 0 ? static_cast<uint32_t>(static_cast<int64_t>(v[0]))
                        : static_cast<uint32_t>(v[0]);
        return true;
    };
}

const std::map<std::string, Setter>& fields() {
    static const std::map<std::string, Setter> f = {
#define S(name) {#name, scalar(&EMITDATA::name)}
#define V(name)                                                                                    \
    { #name, vec(&EMITDATA::name) }
#define C(name)                                                                                    \
    { #name, rgb(&EMITDATA::name) }
#define A(name)                                                                                    \
    { #name, array(&EMITDATA::name) }
        S(head),
        S(kind),
        S(shape),
        S(count),
        S(delay),
        S(life),
        S(interval),
        V(position),
        V(position2),
        V(rotation),
        V(size),
        V(velocity),
        V(acceleration),
        V(angularVelocity),
        V(sizeChange),
        S(motion2Weight),
        S(effectVelocityPct),
        S(tintPct),
        S(scalePct),
        S(particleLife),
        S(lifeVariation),
        A(phases),
        S(randomColour),
        C(colourStart2),
        C(colourStart),
        C(colourMiddle),
        C(colourEnd),
        C(colourTail),
        S(blend),
        S(alphaVariation),
        A(alpha),
        S(sizeVariation),
        A(psize),
        S(frameMode),
        S(frameFirst),
        S(frameLast),
        S(frameSteps),
        S(texture),
        S(motion),
        S(local),
        V(direction),
        V(accelFrame),
        V(accelPlain),
        S(spreadH),
        S(spreadV),
        S(drag),
        S(randomAngVel),
        S(randomAngle),
        S(randomAngAcc),
        S(angVel),
        S(angle),
        S(angleStep),
        S(angAcc),
        S(lineOrient),
        S(lineOwnTail),
        S(lineFadeTail),
        S(lineTailLeads),
        S(size2Variation),
        A(size2),
        S(modelShape),
        S(modelParam),
        S(modelSegments),
        A(modelAngle),
        A(modelReserved),
        A(modelAngVel),
        A(modelAngAcc),
        A(modelRandomAngle),
        A(modelRandomAngVel),
        S(modelFlag),
        S(steerSpeed),
        S(steerWeight),
        S(steerInterval),
        V(turnAxis),
#undef S
#undef V
#undef C
#undef A
    };
    return f;
}

} // namespace

bool parseDescription(const std::string& text, Description& out, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int n = 0;
    enum { NONE, PMT, PMD, EMITTER } where = NONE;
    const auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(n) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++n;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.resize(hash);
        }
        std::istringstream ls(line);
        std::string key;
        if (!(ls >> key)) {
            continue;
        }
        std::string word;
        std::getline(ls >> std::ws, word);
        while (!word.empty() && (word.back() == ' ' || word.back() == '\r')) {
            word.pop_back();
        }
        Values values;
        {
            std::istringstream vs(word);
            double v = 0;
            while (vs >> v) {
                values.push_back(v);
            }
        }
        if (key == "pmt") {
            out.lists.push_back(PmtDesc{});
            out.lists.back().file = word;
            where = PMT;
        } else if (key == "pmd") {
            out.effects.push_back(PmdDesc{});
            out.effects.back().file = word;
            where = PMD;
        } else if (where == PMT && key == "texture") {
            if (out.lists.back().textures.size() >= zqpm::PMT_MAX_TEXTURES) {
                return fail("more than 16 textures");
            }
            out.lists.back().textures.push_back(word);
        } else if (where == PMT && key == "frame") {
            if (values.size() != 4) {
                return fail("a frame takes umin vmin du dv");
            }
            out.lists.back().frames.push_back(
                ZquPm::FrameRect{static_cast<float>(values[0]), static_cast<float>(values[1]),
                                 static_cast<float>(values[2]), static_cast<float>(values[3])});
        } else if ((where == PMD || where == EMITTER) && key == "emitter") {
            out.effects.back().emitters.push_back(EMITDATA::defaults());
            where = EMITTER;
        } else if (where == PMD && key == "texlist") {
            out.effects.back().texList = word;
        } else if (where == PMD && values.size() == 1 &&
                   (key == "loop" || key == "rate" || key == "motion" || key == "length")) {
            PmdDesc& d = out.effects.back();
            if (key == "loop") {
                d.loop = static_cast<uint16_t>(values[0]);
            } else if (key == "rate") {
                d.rate = static_cast<uint16_t>(values[0]);
            } else if (key == "motion") {
                d.motion = static_cast<uint32_t>(values[0]);
            } else {
                d.length = static_cast<float>(values[0]);
            }
        } else if (where == EMITTER) {
            const auto it = fields().find(key);
            if (it == fields().end()) {
                return fail("unknown emitter field '" + key + "'");
            }
            if (!it->second(out.effects.back().emitters.back(), values)) {
                return fail("wrong number of values for '" + key + "'");
            }
        } else {
            return fail("unexpected '" + key + "'");
        }
    }
    return true;
}

bool writeFiles(const Description& d, const std::string& dir, std::string& error) {
    const auto put = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir.empty() ? name : dir + "/" + name;
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        if (!f) {
            error = "cannot write " + path;
            return false;
        }
        return true;
    };
    for (const PmtDesc& t : d.lists) {
        if (!put(t.file, writePmt(t))) {
            return false;
        }
    }
    for (const PmdDesc& e : d.effects) {
        if (!put(e.file, writePmd(e))) {
            return false;
        }
    }
    return true;
}

} // namespace zqpmw
