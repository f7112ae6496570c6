// The hot math operations against glm in the same run: matrix multiply, inverse, point
// transform and quaternion slerp, each over the same arrays of random operands. After the
// usual table it prints each operation's time relative to glm (below 1.0: faster). Both
// sides run the same loops over raw arrays, so neither pays for reloading container state.
#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqQuat.h"
#include "zq/math/ZqVector3.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int COUNT = 256;

struct Data {
    std::vector<ZqMatrix> a, b, out;
    std::vector<glm::mat4> ga, gb, gout;
    std::vector<ZqVector3> v, vout;
    std::vector<glm::vec3> gv, gvout;
    std::vector<ZqQuat> qa, qb, qout;
    std::vector<glm::quat> gqa, gqb, gqout;
    std::vector<float> t;

    Data() {
        std::mt19937 gen(7);
        std::uniform_real_distribution<float> uni(-1.0f, 1.0f);
        for (int i = 0; i < COUNT; ++i) {
            ZqMatrix m;
            ZqMatrix n;
            for (int k = 0; k < 16; ++k) {
                m.m[k / 4][k % 4] = uni(gen) + (k % 5 == 0 ? 2.0f : 0.0f);
                n.m[k / 4][k % 4] = uni(gen) + (k % 5 == 0 ? 2.0f : 0.0f);
            }
            a.push_back(m);
            b.push_back(n);
            glm::mat4 g;
            std::memcpy(&g[0][0], &m.m[0][0], 64);
            ga.push_back(g);
            std::memcpy(&g[0][0], &n.m[0][0], 64);
            gb.push_back(g);
            const ZqVector3 p(uni(gen) * 10, uni(gen) * 10, uni(gen) * 10);
            v.push_back(p);
            gv.emplace_back(p.x, p.y, p.z);
            ZqQuat q(uni(gen), uni(gen), uni(gen), uni(gen));
            ZqQuat r(uni(gen), uni(gen), uni(gen), uni(gen));
            q.normalize();
            r.normalize();
            qa.push_back(q);
            qb.push_back(r);
            gqa.emplace_back(q.w, q.x, q.y, q.z);
            gqb.emplace_back(r.w, r.x, r.y, r.z);
            t.push_back((uni(gen) + 1.0f) * 0.5f);
        }
        out.resize(COUNT);
        gout.resize(COUNT);
        vout.resize(COUNT);
        gvout.resize(COUNT);
        qout.resize(COUNT);
        gqout.resize(COUNT);
    }
};

Data& data() {
    static Data d;
    return d;
}

void finish(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * COUNT);
}

void MatMul_zq(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        ZqMatrix* const out = d.out.data();
        const ZqMatrix* const a = d.a.data();
        const ZqMatrix* const b = d.b.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i].mul(a[i], b[i]);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void MatMul_glm(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        glm::mat4* const out = d.gout.data();
        const glm::mat4* const a = d.ga.data();
        const glm::mat4* const b = d.gb.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i] = b[i] * a[i];
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void Inverse_zq(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        ZqMatrix* const out = d.out.data();
        const ZqMatrix* const a = d.a.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i].inverse(a[i]);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void Inverse_glm(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        glm::mat4* const out = d.gout.data();
        const glm::mat4* const a = d.ga.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i] = glm::inverse(a[i]);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void Transform_zq(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        const ZqMatrix& m = d.a[state.iterations() % COUNT];
        ZqVector3* const out = d.vout.data();
        const ZqVector3* const v = d.v.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i].rotTrans(v[i], m);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void Transform_glm(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        const glm::mat4& m = d.ga[state.iterations() % COUNT];
        glm::vec3* const out = d.gvout.data();
        const glm::vec3* const v = d.gv.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i] = glm::vec3(m * glm::vec4(v[i], 1.0f));
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void Slerp_zq(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        ZqQuat* const out = d.qout.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i].slerp(d.qa[i], d.qb[i], d.t[i]);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

void Slerp_glm(benchmark::State& state) {
    Data& d = data();
    for (auto _ : state) {
        glm::quat* const out = d.gqout.data();
        for (int i = 0; i < COUNT; ++i) {
            out[i] = glm::slerp(d.gqa[i], d.gqb[i], d.t[i]);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

BENCHMARK(MatMul_zq);
BENCHMARK(MatMul_glm);
BENCHMARK(Inverse_zq);
BENCHMARK(Inverse_glm);
BENCHMARK(Transform_zq);
BENCHMARK(Transform_glm);
BENCHMARK(Slerp_zq);
BENCHMARK(Slerp_glm);

} // namespace

int main(int argc, char** argv) {
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    std::printf("\n%-12s %10s\n", "operation", "zq / glm");
    for (const char* op : {"MatMul", "Inverse", "Transform", "Slerp"}) {
        const double zq = reporter.time(std::string(op) + "_zq");
        const double glm = reporter.time(std::string(op) + "_glm");
        if (zq > 0.0 && glm > 0.0) {
            std::printf("%-12s %10.2f\n", op, zq / glm);
        }
    }
    benchmark::Shutdown();
    return 0;
}
