// The particle engine's fixed step against a plain loop that only integrates as many points
// (the floor), in one run. 99 emitters of all kinds, spawn shapes and motion modes keep the
// three pools full (2,197 live particles); one iteration is 600 steps. The program prints the
// engine's CPU time per step against its goal (1 % of a 16.7 ms frame) and as a multiple of
// the floor, which travels between machines. The floors do less work than the engine (no
// simulation, no keys, no emitters): their multiples are for reference, not like-for-like
// ratios, and carry no goal.
#include "bench/support/MedianReport.h"
#include "zq/u/pm/DxParticle_internal.h"
#include "zq/u/pm/ParticleManager_internal.h"
#include "zq/u/pm/ZquPm.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int STEPS = 600;
constexpr int POINTS = 2197;

std::vector<ZquPm::EMITDATA> records() {
    std::vector<ZquPm::EMITDATA> recs;
    for (uint32_t i = 0; i < 99; ++i) {
        ZquPm::EMITDATA e = ZquPm::EMITDATA::defaults();
        e.kind = i % 3;
        e.shape = i % 10;
        e.motion = i % 5;
        e.count = e.kind == 2 ? 7 : 17;
        e.particleLife = 60;
        e.size = ZqVector3(2.0f, 2.0f, 2.0f);
        e.direction = ZqVector3(0.0f, 0.05f, 0.0f);
        e.spreadH = 0.02f;
        e.spreadV = 0.02f;
        e.accelPlain = ZqVector3(0.0f, -0.001f, 0.0f);
        e.drag = 0.01f;
        e.alpha[0] = 0.0f;
        e.alpha[1] = 255.0f;
        e.psize[1] = 1.0f;
        e.size2[1] = 1.0f;
        e.phases[0] = e.phases[1] = 10;
        e.phases[6] = 20;
        e.angVel = 3.0f;
        e.blend = i % 2;
        e.modelShape = (i / 3) % 4;
        e.lineOrient = i % 6;
        e.steerInterval = 8;
        e.frameMode = 2;
        e.frameFirst = 0;
        e.frameLast = 3;
        e.frameSteps = 4;
        recs.push_back(e);
    }
    return recs;
}

void engine(benchmark::State& state) {
    auto pm = ParticleManager::create();
    const std::vector<ZquPm::EMITDATA> recs = records();
    ZquPm::EmitParam ep;
    for (const auto& r : recs) {
        pm->startEmitter(&r, &ep);
    }
    for (int i = 0; i < 60; ++i) {
        pm->update();
    }
    for (auto _ : state) {
        for (int i = 0; i < STEPS; ++i) {
            pm->update();
        }
    }
    state.counters["live"] = pm->rot().count() + pm->line().count() + pm->model().count();
}

void floorLoop(benchmark::State& state) {
    struct P {
        float p[3];
        float v[3];
        float a[3];
    };
    std::vector<P> pts(POINTS);
    for (int i = 0; i < POINTS; ++i) {
        pts[i] = P{{0.0f, 0.0f, 0.0f}, {0.01f * i, 0.02f, 0.0f}, {0.0f, -0.001f, 0.0f}};
    }
    for (auto _ : state) {
        for (int s = 0; s < STEPS; ++s) {
            for (P& q : pts) {
                for (int k = 0; k < 3; ++k) {
                    q.p[k] += q.v[k];
                    q.v[k] += q.a[k];
                }
            }
            benchmark::ClobberMemory();
        }
    }
    benchmark::DoNotOptimize(pts.data());
}

// One frame of the renderer's CPU side: a step, the batch build and the vertex fill of the
// rotating and line collections (models build their meshes in the batch build).
void frame(benchmark::State& state) {
    auto pm = ParticleManager::create();
    auto dx = DxParticle::create();
    const std::vector<ZquPm::EMITDATA> recs = records();
    ZquPm::EmitParam ep;
    for (const auto& r : recs) {
        pm->startEmitter(&r, &ep);
    }
    for (int i = 0; i < 60; ++i) {
        pm->update();
    }
    std::vector<DxParticle::RotVertex> rv(4 * DxParticle::MAX_RECORDS);
    std::vector<DxParticle::LineVertex> lv(4 * DxParticle::MAX_RECORDS);
    for (auto _ : state) {
        dx->clear();
        pm->update();
        dx->build(*pm);
        benchmark::DoNotOptimize(dx->fillRot(rv.data()) + dx->fillLine(lv.data()));
    }
}

// The floor of a frame: as many billboard vertices written plainly (position, corner, colour).
void floorBillboards(benchmark::State& state) {
    std::vector<DxParticle::RotVertex> out(4 * POINTS);
    std::vector<float> pos(3 * POINTS, 1.0f);
    for (auto _ : state) {
        for (int i = 0; i < POINTS; ++i) {
            for (int v = 0; v < 4; ++v) {
                const float sx = (v & 1) != 0 ? -0.5f : 0.5f;
                const float sy = (v & 2) != 0 ? -0.5f : 0.5f;
                out[4 * i + v] = DxParticle::RotVertex{
                    pos[3 * i], pos[3 * i + 1], pos[3 * i + 2], sx + 0.5f,  sy + 0.5f, sx,
                    sy,         0.0f,           1.0f,           0xFFFFFFFFu};
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("particles/600-steps", engine)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("floor/integrate-points", floorLoop)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("particles/frame-update-fill", frame)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("floor/write-billboards", floorBillboards)
        ->Unit(benchmark::kMicrosecond);
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double e = reporter.time("particles/600-steps");
    const double f = reporter.time("floor/integrate-points");
    const double fr = reporter.time("particles/frame-update-fill");
    const double fb = reporter.time("floor/write-billboards");
    const double perStep = e / STEPS * 1000.0;
    std::printf("\nparticle step %.1f us CPU; as a multiple of the integration floor %.1f; frame "
                "update + fill %.1f us, %.2f x the billboard floor (floors do less work)\n",
                perStep, f > 0 ? e / f : 0.0, fr, fb > 0 ? fr / fb : 0.0);
    zqbench::printFigure("particle step, % of a 16.7 ms frame", perStep / 16700.0 * 100.0,
                         zqbench::Goal::AT_MOST, 1.0);
    return 0;
}
