// One frame of skeletal animation for 20 skeletons of 40 bones: two layers, each cross-fading
// between two animations, sampled, blended, composed into local matrices and walked down the
// hierarchy. The framework's mixer (with its key-frame players and bone-matrix calculation)
// against a straightforward glm reference over the same decoded keys in the same run; after
// the table it prints the CPU time per frame and the ratio (goal: at most 1.0).
// Two scenes: full-body animations on both layers (the framework evaluates every track of each
// playing animation, the reference samples only the tracks of each bone's own layer), and
// per-layer animations that carry only the tracks of the bones their layer drives.
//
// The mixer pool holds 16, so the framework's side drives its 20 skeletons with 10 mixers
// evaluated twice a frame at half steps; the reference evaluates 20 skeleton states once each.
// Both do 20 full evaluations a frame.
#include "ZqAnimWriter.h"
#include "bench/support/MedianReport.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationMixer.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"

#include <benchmark/benchmark.h>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t SKELETONS = 20;
constexpr uint32_t MIXERS = SKELETONS / 2;
constexpr uint32_t BONES = 40;
constexpr int16_t FRAMES = 60;
constexpr int32_t FPS = 30;
constexpr float FRAME_MS = 1000.0f / 60.0f;
constexpr float BLEND_MS = 300.0f;
constexpr float SWITCH_MS = 400.0f;
constexpr int FRAMES_PER_RUN = 240;

int parentOf(const uint32_t b) {
    return b == 0 ? -1 : static_cast<int>((b - 1) / 2);
}

// 40 bones; bones first..last get a rotation (packed) and a translation track each, a key
// every 2 frames.
zq_anim_writer::Animation makeAnimation(const uint32_t seed, const uint32_t first = 0,
                                        const uint32_t last = BONES - 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> uni(-1.0f, 1.0f);
    zq_anim_writer::Animation a;
    a.frameCount = FRAMES;
    a.fps = FPS;
    a.loopMode = 1;
    for (uint32_t b = 0; b < BONES; ++b) {
        a.parents.push_back(static_cast<int8_t>(parentOf(b)));
    }
    for (uint32_t b = first; b <= last; ++b) {
        zq_anim_writer::Track r;
        r.type = 28;
        r.bone = static_cast<int8_t>(b);
        zq_anim_writer::Track t;
        t.type = 29;
        t.bone = static_cast<int8_t>(b);
        for (uint16_t f = 0; f <= FRAMES; f = static_cast<uint16_t>(f + 2)) {
            r.frames.push_back(f);
            t.frames.push_back(f);
            float q[4] = {uni(gen) * 0.3f, uni(gen) * 0.3f, uni(gen) * 0.3f, 1.0f};
            const float n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + 1.0f);
            for (float& c : q) {
                r.values.push_back(c / n);
            }
            t.values.insert(t.values.end(), {uni(gen) * 0.1f, 1.0f + uni(gen) * 0.1f, 0.0f});
        }
        a.tracks.push_back(r);
        a.tracks.push_back(t);
    }
    return a;
}

ZqGlAnimation* load(const zq_anim_writer::Animation& a, const char16_t* name) {
    const std::vector<uint8_t> bytes = zq_anim_writer::write(a);
    return ZqGlAnimation::create(name, bytes.data(), static_cast<uint32_t>(bytes.size()), 0.0f);
}

// ---- the reference -------------------------------------------------------------------------

// One animation's decoded keys per bone, times in milliseconds.
struct RefTrack {
    std::vector<float> times;
    std::vector<glm::vec4> values;
};
struct RefAnimation {
    std::vector<RefTrack> rot;
    std::vector<RefTrack> trans;
    float total = 0.0f;
};

RefAnimation copyKeys(const ZqGlAnimation& a) {
    const ZqGlKeyFrame& set = *a.getKeyFrame();
    RefAnimation r;
    r.rot.resize(BONES);
    r.trans.resize(BONES);
    r.total = set.getTotalTime();
    for (uint32_t t = 0; t < set.getNrTracks(); ++t) {
        RefTrack& track = (set.getType(t) == ZqGlKeyFrame::TYPE_QUAT_PACKED
                               ? r.rot
                               : r.trans)[static_cast<size_t>(a.getBoneNrFromTrack(t))];
        for (uint32_t k = 0; k < set.getNrKeys(t); ++k) {
            track.times.push_back(set.frame2msec(set.getFrame(t, k)));
            const float* const v = set.getValues(t, k);
            track.values.emplace_back(v[0], v[1], v[2], set.getNrValues(t) == 4 ? v[3] : 1.0f);
        }
    }
    return r;
}

// The key pair around ms and the fraction between them.
inline void locate(const RefTrack& t, const float ms, size_t& a, size_t& b, float& f) {
    const size_t k =
        static_cast<size_t>(std::upper_bound(t.times.begin(), t.times.end(), ms) - t.times.begin());
    if (k == 0 || k == t.times.size()) {
        a = b = k == 0 ? 0 : t.times.size() - 1;
        f = 0.0f;
        return;
    }
    a = k - 1;
    b = k;
    f = (ms - t.times[a]) / (t.times[b] - t.times[a]);
}

inline glm::quat sampleRot(const RefTrack& t, const float ms) {
    size_t a = 0, b = 0;
    float f = 0.0f;
    locate(t, ms, a, b, f);
    const glm::vec4& p = t.values[a];
    const glm::vec4& q = t.values[b];
    return glm::slerp(glm::quat(p.w, p.x, p.y, p.z), glm::quat(q.w, q.x, q.y, q.z), f);
}

inline glm::vec4 sampleTrans(const RefTrack& t, const float ms) {
    size_t a = 0, b = 0;
    float f = 0.0f;
    locate(t, ms, a, b, f);
    return glm::mix(t.values[a], t.values[b], f);
}

struct RefLayer {
    const RefAnimation* current = nullptr;
    const RefAnimation* old = nullptr;
    float currentMs = 0.0f;
    float oldMs = 0.0f;
    float blendMs = 0.0f;
};

struct RefSkeleton {
    RefLayer layers[2];
    float sinceSwitch = 0.0f;
    glm::mat4 out[BONES];
};

// pairs[layer]: the two animations the layer alternates between.
void refFrame(RefSkeleton& s, const float dt, const RefAnimation* const pairs[2][2]) {
    s.sinceSwitch += dt;
    for (int l = 0; l < 2; ++l) {
        RefLayer& layer = s.layers[l];
        if (s.sinceSwitch >= SWITCH_MS) {
            layer.old = layer.current;
            layer.oldMs = layer.currentMs;
            layer.current = pairs[l][layer.current == pairs[l][0] ? 1 : 0];
            layer.currentMs = 0.0f;
            layer.blendMs = 0.0f;
        }
        layer.currentMs = std::fmod(layer.currentMs + dt, layer.current->total);
        if (layer.old != nullptr) {
            layer.oldMs = std::fmod(layer.oldMs + dt, layer.old->total);
        }
        layer.blendMs += dt;
        if (layer.blendMs >= BLEND_MS) {
            layer.old = nullptr;
        }
    }
    if (s.sinceSwitch >= SWITCH_MS) {
        s.sinceSwitch = 0.0f;
    }
    for (uint32_t b = 0; b < BONES; ++b) {
        const RefLayer& layer = s.layers[b < BONES / 2 ? 0 : 1];
        glm::quat q = sampleRot(layer.current->rot[b], layer.currentMs);
        glm::vec4 t = sampleTrans(layer.current->trans[b], layer.currentMs);
        if (layer.old != nullptr) {
            const float f = layer.blendMs / BLEND_MS;
            q = glm::slerp(sampleRot(layer.old->rot[b], layer.oldMs), q, f);
            t = glm::mix(sampleTrans(layer.old->trans[b], layer.oldMs), t, f);
        }
        glm::mat4 local = glm::mat4_cast(q);
        local[3] = t;
        const int parent = parentOf(b);
        s.out[b] = parent < 0 ? local : s.out[parent] * local;
    }
}

// ---- the runs ------------------------------------------------------------------------------

struct Pools {
    Pools() {
        ZqGlKeyFrame::sysInit();
        ZqGlKeyFramePlayer::sysInit();
        ZqGlAnimation::sysInit();
        ZqGlAnimationPlayer::sysInit();
        ZqGlAnimationMixer::sysInit();
    }
    ~Pools() {
        ZqGlAnimationMixer::sysQuit();
        ZqGlAnimationPlayer::sysQuit();
        ZqGlAnimation::sysQuit();
        ZqGlKeyFramePlayer::sysQuit();
        ZqGlKeyFrame::sysQuit();
    }
};

struct Scene {
    // [layer][which]: the animations each layer alternates between.
    ZqGlAnimation* anims[2][2] = {};
    RefAnimation refs[2][2];
    ZqGlAnimationMixer* mixers[MIXERS] = {};
    float sinceSwitch[MIXERS] = {};
    RefSkeleton skeletons[SKELETONS];

    explicit Scene(const bool split) {
        const std::u16string tag = split ? u"split" : u"full";
        for (uint32_t l = 0; l < 2; ++l) {
            for (uint32_t k = 0; k < 2; ++k) {
                const uint32_t seed = split ? 10 + 2 * l + k : 1 + (l + k) % 2;
                const std::u16string name = tag + char16_t(u'0' + l) + char16_t(u'0' + k);
                anims[l][k] =
                    split ? load(makeAnimation(seed, l * BONES / 2, l * BONES / 2 + BONES / 2 - 1),
                                 name.c_str())
                          : load(makeAnimation(seed), name.c_str());
                refs[l][k] = copyKeys(*anims[l][k]);
            }
        }
        for (uint32_t m = 0; m < MIXERS; ++m) {
            mixers[m] = makeMixer();
        }
        for (RefSkeleton& s : skeletons) {
            s.layers[0].current = &refs[0][0];
            s.layers[1].current = &refs[1][0];
        }
    }
    ~Scene() {
        for (ZqGlAnimationMixer* const m : mixers) {
            m->release();
        }
        for (auto& pair : anims) {
            for (ZqGlAnimation* const a : pair) {
                a->release();
            }
        }
    }

    ZqGlAnimationMixer* makeMixer() const {
        ZqGlAnimationMixer* const m = ZqGlAnimationMixer::create(anims[0][0]);
        unsigned char layerNrs[BONES];
        for (uint32_t b = 0; b < BONES; ++b) {
            layerNrs[b] = b < BONES / 2 ? 0 : 1;
        }
        m->setAnimation(0, anims[0][0], 0.0f, 0.0f);
        m->setAnimation(1, anims[1][0], 0.0f, 0.0f);
        m->setLayerNrArray(layerNrs, BONES);
        return m;
    }

    void zqStep(ZqGlAnimationMixer& mixer, float& since, const float dt) const {
        since += dt;
        if (since >= SWITCH_MS) {
            since = 0.0f;
            for (uint32_t l = 0; l < 2; ++l) {
                mixer.setAnimation(l, anims[l][mixer.getAnimation(l) == anims[l][0] ? 1 : 0],
                                   BLEND_MS, 0.0f);
            }
        }
        mixer.setRelativeTime(0, dt);
        mixer.setRelativeTime(1, dt);
        mixer.setBlendRelativeTime(dt);
    }

    void zqFrame() {
        for (uint32_t m = 0; m < MIXERS; ++m) {
            zqStep(*mixers[m], sinceSwitch[m], FRAME_MS * 0.5f);
            zqStep(*mixers[m], sinceSwitch[m], FRAME_MS * 0.5f);
        }
    }

    void refFrames() {
        const RefAnimation* const r[2][2] = {{&refs[0][0], &refs[0][1]},
                                             {&refs[1][0], &refs[1][1]}};
        for (RefSkeleton& s : skeletons) {
            refFrame(s, FRAME_MS, r);
        }
    }

    // Both sides, started together and run alike, must give the same matrices.
    double agreement() const {
        const RefAnimation* const r[2][2] = {{&refs[0][0], &refs[0][1]},
                                             {&refs[1][0], &refs[1][1]}};
        RefSkeleton one;
        one.layers[0].current = r[0][0];
        one.layers[1].current = r[1][0];
        ZqGlAnimationMixer* const mixer = makeMixer();
        float since = 0.0f;
        double worst = 0.0;
        for (int f = 0; f < 100; ++f) {
            zqStep(*mixer, since, FRAME_MS);
            refFrame(one, FRAME_MS, r);
            for (uint32_t b = 0; b < BONES; ++b) {
                for (int i = 0; i < 16; ++i) {
                    const double d =
                        std::fabs(mixer->getMatrix(b).m[i / 4][i % 4] - (&one.out[b][0][0])[i]);
                    worst = std::max(worst, d);
                }
            }
        }
        mixer->release();
        return worst;
    }
};

// One scene at a time: the mixer pool holds 16, a scene takes 10 (and 1 more to check).
Scene& scene(const bool split) {
    static Pools pools;
    static std::unique_ptr<Scene> current;
    static bool currentSplit = false;
    if (current == nullptr || currentSplit != split) {
        current.reset();
        current = std::make_unique<Scene>(split);
        currentSplit = split;
    }
    return *current;
}

void runZq(benchmark::State& state, const bool split) {
    Scene& s = scene(split);
    for (auto _ : state) {
        for (int f = 0; f < FRAMES_PER_RUN; ++f) {
            s.zqFrame();
        }
        benchmark::DoNotOptimize(s.mixers[0]->getMatrixArray());
    }
    state.SetItemsProcessed(state.iterations() * FRAMES_PER_RUN);
}

void runGlm(benchmark::State& state, const bool split) {
    Scene& s = scene(split);
    for (auto _ : state) {
        for (int f = 0; f < FRAMES_PER_RUN; ++f) {
            s.refFrames();
        }
        benchmark::DoNotOptimize(s.skeletons[0].out);
    }
    state.SetItemsProcessed(state.iterations() * FRAMES_PER_RUN);
}

// Full: full-body animations on both layers; Layers: each layer's animations carry only its
// bones' tracks.
void Full_zq(benchmark::State& state) {
    runZq(state, false);
}
void Full_glm(benchmark::State& state) {
    runGlm(state, false);
}
void Layers_zq(benchmark::State& state) {
    runZq(state, true);
}
void Layers_glm(benchmark::State& state) {
    runGlm(state, true);
}

BENCHMARK(Full_zq)->Unit(benchmark::kMicrosecond);
BENCHMARK(Full_glm)->Unit(benchmark::kMicrosecond);
BENCHMARK(Layers_zq)->Unit(benchmark::kMicrosecond);
BENCHMARK(Layers_glm)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    const double fullDiff = scene(false).agreement();
    const double layerDiff = scene(true).agreement();
    std::printf("largest difference between the two sides' matrices: full %.2e, per layer %.2e\n",
                fullDiff, layerDiff);
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    std::printf("\nCPU per frame (%u skeletons of %u bones, two cross-fading layers):\n", SKELETONS,
                BONES);
    const char* const scenes[2][2] = {{"Full", "full-body animations"},
                                      {"Layers", "per-layer animations"}};
    for (int arg = 0; arg < 2; ++arg) {
        const std::string name = scenes[arg][0];
        const double zq = reporter.time(name + "_zq") / FRAMES_PER_RUN;
        const double glm = reporter.time(name + "_glm") / FRAMES_PER_RUN;
        std::printf("  %-21s framework %6.1f us, glm reference %6.1f us\n", scenes[arg][1], zq,
                    glm);
    }
    for (int arg = 0; arg < 2; ++arg) {
        const std::string name = scenes[arg][0];
        const double glm = reporter.time(name + "_glm");
        zqbench::printFigure(std::string("animation / glm, ") + scenes[arg][1],
                             glm > 0 ? reporter.time(name + "_zq") / glm : 0,
                             zqbench::Goal::AT_MOST, 1.0);
    }
    return 0;
}
