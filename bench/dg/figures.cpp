// The hot figure pair tests against FCL (double precision) in the same run: sphere-sphere
// intersection, point in AABB, AABB overlap, oriented-box overlap, segment-segment closest
// points, capsule-capsule distance and the closest point of a triangle to a point, each over the
// same arrays of random pairs. AABB-segment has no FCL counterpart and runs on its own. After the
// usual table it prints each query's rate relative to FCL (goal: 1.0 or more). The sphere pair also
// runs through the figure dispatch, to show what the table lookup costs.
#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgTriangle.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>

#include <fcl/math/bv/AABB.h>
#include <fcl/math/bv/OBB.h>
#include <fcl/narrowphase/detail/primitive_shape_algorithm/capsule_capsule.h>
#include <fcl/narrowphase/detail/primitive_shape_algorithm/sphere_sphere.h>
#include <fcl/narrowphase/detail/primitive_shape_algorithm/sphere_triangle.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int COUNT = 256;

struct Data {
    std::vector<ZqDgSphere> sa, sb;
    std::vector<fcl::Sphered> fsa, fsb;
    std::vector<fcl::Transform3d> fta, ftb;
    std::vector<ZqDgPoint> p;
    std::vector<fcl::Vector3d> fp;
    std::vector<ZqDgAxisAlignedBoundingBox> ba, bb;
    std::vector<fcl::AABBd> fba, fbb;
    std::vector<ZqDgSegment> ga, gb;
    std::vector<fcl::Vector3d> fa1, fb1, fa2, fb2;
    std::vector<ZqDgCapsule> ca, cb;
    std::vector<fcl::Capsuled> fca, fcb;
    std::vector<fcl::Transform3d> ftca, ftcb;
    std::vector<ZqDgOrientedBoundingBox> oa, ob;
    std::vector<fcl::OBBd> foa, fob;
    std::vector<ZqDgTriangle> tri;
    std::vector<fcl::Vector3d> ft0, ft1, ft2;

    Data() {
        std::mt19937 gen(11);
        std::uniform_real_distribution<float> uni(-10.0f, 10.0f);
        std::uniform_real_distribution<float> size(0.5f, 5.0f);
        auto vec = [&] { return ZqVector3(uni(gen), uni(gen), uni(gen)); };
        auto dv = [](const ZqVector3& v) { return fcl::Vector3d(v.x, v.y, v.z); };
        for (int i = 0; i < COUNT; ++i) {
            const ZqDgSphere s1(vec(), size(gen));
            const ZqDgSphere s2(vec(), size(gen));
            sa.push_back(s1);
            sb.push_back(s2);
            fsa.emplace_back(s1.m_radius);
            fsb.emplace_back(s2.m_radius);
            fta.emplace_back(fcl::Translation3d(dv(s1.m_center)));
            ftb.emplace_back(fcl::Translation3d(dv(s2.m_center)));

            const ZqVector3 q = vec();
            p.emplace_back(q.x, q.y, q.z);
            fp.push_back(dv(q));
            const ZqVector3 c1 = vec();
            const ZqVector3 h1(size(gen), size(gen), size(gen));
            const ZqVector3 c2 = vec();
            const ZqVector3 h2(size(gen), size(gen), size(gen));
            ba.emplace_back(c1.x, c1.y, c1.z, h1.x, h1.y, h1.z);
            bb.emplace_back(c2.x, c2.y, c2.z, h2.x, h2.y, h2.z);
            fba.emplace_back(dv(c1 - h1), dv(c1 + h1));
            fbb.emplace_back(dv(c2 - h2), dv(c2 + h2));

            const ZqVector3 a1 = vec();
            const ZqVector3 b1 = vec();
            const ZqVector3 a2 = vec();
            const ZqVector3 b2 = vec();
            ga.emplace_back(a1, b1);
            gb.emplace_back(a2, b2);
            fa1.push_back(dv(a1));
            fb1.push_back(dv(b1));
            fa2.push_back(dv(a2));
            fb2.push_back(dv(b2));

            // Capsules: FCL's lies along z around its origin, placed by a transform.
            for (int k = 0; k < 2; ++k) {
                const ZqDgCapsule c(vec(), vec(), size(gen));
                const fcl::Vector3d s0 = dv(c.m_start);
                const fcl::Vector3d s1 = dv(c.m_end);
                fcl::Transform3d tf = fcl::Transform3d::Identity();
                tf.translation() = 0.5 * (s0 + s1);
                tf.linear() = Eigen::Quaterniond::FromTwoVectors(fcl::Vector3d::UnitZ(), s1 - s0)
                                  .toRotationMatrix();
                (k == 0 ? ca : cb).push_back(c);
                (k == 0 ? fca : fcb).emplace_back(c.m_radius, (s1 - s0).norm());
                (k == 0 ? ftca : ftcb).push_back(tf);
            }

            // Oriented boxes: the same centre, axes (FCL's as matrix columns) and half sizes.
            for (int k = 0; k < 2; ++k) {
                const ZqVector3 a0 = ZqVector3().normalize(vec());
                const ZqVector3 a1 = ZqVector3().normalize(ZqVector3().cross(a0, vec()));
                const ZqVector3 axes[3] = {a0, a1, ZqVector3().cross(a0, a1)};
                const float half[3] = {size(gen), size(gen), size(gen)};
                const ZqVector3 c = vec();
                fcl::Matrix3d m;
                m << dv(axes[0]), dv(axes[1]), dv(axes[2]);
                (k == 0 ? oa : ob).emplace_back(c, axes, half);
                (k == 0 ? foa : fob)
                    .emplace_back(m, dv(c), fcl::Vector3d(half[0], half[1], half[2]));
            }

            const ZqDgTriangle t(vec(), vec(), vec());
            tri.push_back(t);
            ft0.push_back(dv(t.m_p0));
            ft1.push_back(dv(t.m_p1));
            ft2.push_back(dv(t.m_p2));
        }
    }
};

Data& data() {
    static Data d;
    return d;
}

void finish(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * COUNT);
}

void SphereSphere_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.sa[i].intersect(d.sb[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void SphereSphere_dispatch(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            const ZqDgFigure& a = d.sa[i];
            const ZqDgFigure& b = d.sb[i];
            hits += a.vIntersect(b) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void SphereSphere_fcl(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += fcl::detail::sphereSphereIntersect<double>(d.fsa[i], d.fta[i], d.fsb[i],
                                                               d.ftb[i], nullptr)
                        ? 1
                        : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void PointAabb_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.ba[i].intersect(d.p[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void PointAabb_fcl(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.fba[i].contain(d.fp[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void AabbAabb_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.ba[i].intersect(d.bb[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void AabbAabb_fcl(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.fba[i].overlap(d.fbb[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void ObbObb_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.oa[i].intersect(d.ob[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void ObbObb_fcl(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.foa[i].overlap(d.fob[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void AabbSegment_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < COUNT; ++i) {
            hits += d.ba[i].intersect(d.ga[i]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    finish(state);
}

void SegmentSegment_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < COUNT; ++i) {
            ZqVector3 p1;
            ZqVector3 p2;
            d.ga[i].closestPoint(d.gb[i], &p1, &p2);
            sum += p1.x + p2.x;
        }
        benchmark::DoNotOptimize(sum);
    }
    finish(state);
}

void SegmentSegment_fcl(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 0; i < COUNT; ++i) {
            double s = 0.0;
            double t = 0.0;
            fcl::Vector3d p1;
            fcl::Vector3d p2;
            fcl::detail::closestPtSegmentSegment<double>(d.fa1[i], d.fb1[i], d.fa2[i], d.fb2[i], &s,
                                                         &t, &p1, &p2);
            sum += p1.x() + p2.x();
        }
        benchmark::DoNotOptimize(sum);
    }
    finish(state);
}

void CapsuleCapsule_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < COUNT; ++i) {
            sum += d.ca[i].distance(d.cb[i]);
        }
        benchmark::DoNotOptimize(sum);
    }
    finish(state);
}

void CapsuleCapsule_fcl(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 0; i < COUNT; ++i) {
            double dist = 0.0;
            fcl::Vector3d p1;
            fcl::Vector3d p2;
            fcl::detail::capsuleCapsuleDistance<double>(d.fca[i], d.ftca[i], d.fcb[i], d.ftcb[i],
                                                        &dist, &p1, &p2);
            sum += dist;
        }
        benchmark::DoNotOptimize(sum);
    }
    finish(state);
}

void TrianglePoint_zq(benchmark::State& state) {
    const Data& d = data();
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < COUNT; ++i) {
            ZqVector3 onTri;
            ZqVector3 onPoint;
            d.tri[i].closestPoint(d.p[i], &onTri, &onPoint);
            sum += onTri.x;
        }
        benchmark::DoNotOptimize(sum);
    }
    finish(state);
}

// FCL's nearest point of a triangle, through its sphere-triangle distance with a sphere of
// no radius at the point.
void TrianglePoint_fcl(benchmark::State& state) {
    const Data& d = data();
    const fcl::Sphered point(0.0);
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 0; i < COUNT; ++i) {
            fcl::Transform3d tf = fcl::Transform3d::Identity();
            tf.translation() = d.fp[i];
            double dist = 0.0;
            fcl::Vector3d onSphere;
            fcl::Vector3d onTri;
            fcl::detail::sphereTriangleDistance<double>(point, tf, d.ft0[i], d.ft1[i], d.ft2[i],
                                                        &dist, &onSphere, &onTri);
            sum += onTri.x();
        }
        benchmark::DoNotOptimize(sum);
    }
    finish(state);
}

BENCHMARK(SphereSphere_zq);
BENCHMARK(SphereSphere_dispatch);
BENCHMARK(SphereSphere_fcl);
BENCHMARK(PointAabb_zq);
BENCHMARK(PointAabb_fcl);
BENCHMARK(AabbAabb_zq);
BENCHMARK(AabbAabb_fcl);
BENCHMARK(ObbObb_zq);
BENCHMARK(ObbObb_fcl);
BENCHMARK(AabbSegment_zq);
BENCHMARK(SegmentSegment_zq);
BENCHMARK(SegmentSegment_fcl);
BENCHMARK(CapsuleCapsule_zq);
BENCHMARK(CapsuleCapsule_fcl);
BENCHMARK(TrianglePoint_zq);
BENCHMARK(TrianglePoint_fcl);

} // namespace

int main(int argc, char** argv) {
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const auto row = [&](const char* label, const std::string& ours, const std::string& peer) {
        const double zq = reporter.rate(ours);
        const double fcl = reporter.rate(peer);
        if (zq > 0.0 && fcl > 0.0) {
            std::printf("%-16s %14.3g %14.3g %12.2f\n", label, zq, fcl, zq / fcl);
        }
    };
    std::printf("\n%-16s %14s %14s %12s\n", "query", "zq queries/s", "FCL queries/s", "zq / FCL");
    for (const char* op : {"SphereSphere", "PointAabb", "AabbAabb", "ObbObb", "SegmentSegment",
                           "CapsuleCapsule", "TrianglePoint"}) {
        row(op, std::string(op) + "_zq", std::string(op) + "_fcl");
    }
    row("SphereDispatch", "SphereSphere_dispatch", "SphereSphere_fcl");
    if (const double seg = reporter.rate("AabbSegment_zq"); seg > 0.0) {
        std::printf("%-16s %14.3g %14s %12s\n", "AabbSegment", seg, "-", "-");
    }
    std::printf("\n");
    for (const char* op : {"SphereSphere", "PointAabb", "AabbAabb", "ObbObb", "SegmentSegment",
                           "CapsuleCapsule", "TrianglePoint"}) {
        const double fcl = reporter.rate(std::string(op) + "_fcl");
        zqbench::printFigure(std::string(op) + " zq / FCL rate",
                             fcl > 0 ? reporter.rate(std::string(op) + "_zq") / fcl : 0,
                             zqbench::Goal::AT_LEAST, 1.0);
    }
    benchmark::Shutdown();
    return 0;
}
