// One cloth step (64 joints, 128 links, ten passes) against a tree of 32 volumes, set against
// its floor: a plain loop over plain arrays doing the same link relaxations (per pass one
// spring pass and one exact-length pass over the 128 links) with no collision and no pool.
// Goal: the cloth step within 3x the floor.
#include "bench/support/MedianReport.h"
#include "tools/model/ZqModelWriter.h"
#include "zq/dg/ZqDgClothSimulator.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSystem.h"
#include "zq/gl/ZqGlModel.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr uint32_t SIDE = 8;
constexpr float SPACING = 0.15f;

// A cape of 8 x 8 joints hanging from its two top corners, which are pinned just inside the
// body's back, so that it is pushed out and rests against the back: 112 row and column links
// and 16 shear links.
void makeCape(std::vector<ZqVector3>& positions, std::vector<uint16_t>& pairs,
              std::vector<uint32_t>& flags) {
    for (uint32_t r = 0; r < SIDE; ++r) {
        for (uint32_t c = 0; c < SIDE; ++c) {
            positions.emplace_back(-0.5f + c * SPACING, 4.1f - r * SPACING, -0.1f);
            const auto at = [](const uint32_t rr, const uint32_t cc) {
                return static_cast<uint16_t>(rr * SIDE + cc);
            };
            if (c + 1 < SIDE) {
                pairs.insert(pairs.end(), {at(r, c), at(r, c + 1)});
            }
            if (r + 1 < SIDE) {
                pairs.insert(pairs.end(), {at(r, c), at(r + 1, c)});
            }
        }
    }
    for (uint32_t i = 0; i + 1 < SIDE; ++i) {
        pairs.insert(pairs.end(), {static_cast<uint16_t>(i * SIDE + i),
                                   static_cast<uint16_t>((i + 1) * SIDE + i + 1)});
        pairs.insert(pairs.end(), {static_cast<uint16_t>(i * SIDE + SIDE - 1 - i),
                                   static_cast<uint16_t>((i + 1) * SIDE + SIDE - 2 - i)});
    }
    pairs.insert(pairs.end(), {0, static_cast<uint16_t>(SIDE + 1)});
    pairs.insert(pairs.end(),
                 {static_cast<uint16_t>(SIDE - 1), static_cast<uint16_t>(2 * SIDE - 2)});
    flags.assign(positions.size(), 0);
    flags[0] = flags[SIDE - 1] = ZqDgClothSimulator::JOINT_PINNED;
}

// A body of 32 boxes: a 4 x 8 lattice of bones in front of the cape.
ZqGlModel* makeBody() {
    zq_model_writer::Model m;
    for (uint32_t i = 0; i < 32; ++i) {
        zq_model_writer::Bone b;
        b.name = "bone" + std::to_string(i);
        b.parent = i == 0 ? -1 : 0;
        b.bind = zq_model_writer::Matrix::translation(0.0f, 0.0f, 0.0f);
        const float x = -0.75f + 0.5f * static_cast<float>(i % 4);
        const float y = 0.25f + 0.5f * static_cast<float>(i / 4);
        const float lo[3] = {x - 0.22f, y - 0.22f, -0.2f};
        const float hi[3] = {x + 0.22f, y + 0.22f, 0.2f};
        for (int k = 0; k < 3; ++k) {
            b.boxMin[k] = lo[k];
            b.boxMax[k] = hi[k];
        }
        m.bones.push_back(b);
    }
    m.materials.emplace_back();
    const std::vector<uint8_t> bytes = zq_model_writer::write(m);
    return ZqGlModel::create(0, u"body", bytes.data(), static_cast<unsigned int>(bytes.size()));
}

struct Scene {
    Scene() {
        ZqGlModel::sysInit();
        ZqDgSystem::sysInit();
        model = makeBody();
        tree = ZqDgObbTree::create(0, model, nullptr);
        const std::vector<ZqMatrix> pose(32, ZqMatrix::UNIT);
        tree->update(pose.data(), ZqMatrix::UNIT);
        std::vector<uint32_t> flags;
        makeCape(positions, pairs, flags);
        cloth =
            ZqDgClothSimulator::create(SIDE * SIDE, uint32_t(pairs.size() / 2), positions.data(),
                                       flags.data(), pairs.data(), 0.5f, 0.95f, 1.0f);
        // Let the cape fall onto the body first, so that every timed step collides.
        for (int i = 0; i < 200; ++i) {
            cloth->update(tree, ZqMatrix::UNIT);
        }
        for (uint32_t i = 0; i < cloth->getNrJoints(); ++i) {
            const ZqDgPoint p(cloth->getJointPos(i).x, cloth->getJointPos(i).y,
                              cloth->getJointPos(i).z);
            for (uint32_t b = 0; b < tree->getNrObbs(); ++b) {
                if (tree->getObb(b).distance(p) < 0.01f) {
                    ++touching;
                    break;
                }
            }
        }
    }
    ~Scene() {
        cloth->release();
        tree->release();
        model->release();
        ZqDgSystem::sysQuit();
        ZqGlModel::sysQuit();
    }

    ZqGlModel* model = nullptr;
    ZqDgObbTree* tree = nullptr;
    ZqDgClothSimulator* cloth = nullptr;
    // Joints lying on a volume once the cape has settled.
    uint32_t touching = 0;
    std::vector<ZqVector3> positions;
    std::vector<uint16_t> pairs;
};

Scene& scene() {
    static Scene s;
    return s;
}

void ClothUpdate_zq(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        s.cloth->update(s.tree, ZqMatrix::UNIT);
        benchmark::ClobberMemory();
    }
}

// The floor: the same relaxations on a plain copy of the cape.
void ClothUpdate_floor(benchmark::State& state) {
    Scene& s = scene();
    std::vector<ZqVector3> p = s.positions;
    const size_t links = s.pairs.size() / 2;
    std::vector<float> rest(links);
    for (size_t l = 0; l < links; ++l) {
        rest[l] = (p[s.pairs[2 * l + 1]] - p[s.pairs[2 * l]]).length();
    }
    for (auto _ : state) {
        for (uint32_t pass = 0; pass < ZqDgClothSimulator::NR_PASSES; ++pass) {
            for (size_t l = 0; l < links; ++l) {
                ZqVector3& a = p[s.pairs[2 * l]];
                ZqVector3& b = p[s.pairs[2 * l + 1]];
                const ZqVector3 d = b - a;
                const float len = d.length();
                if (len != 0.0f) {
                    const float f = (rest[l] - len) * 0.5f / len;
                    a -= d * f;
                    b += d * f;
                }
            }
            for (size_t l = 0; l < links; ++l) {
                const ZqVector3& a = p[s.pairs[2 * l]];
                ZqVector3& b = p[s.pairs[2 * l + 1]];
                const ZqVector3 d = b - a;
                const float len = d.length();
                b = a + d * (len != 0.0f ? rest[l] / len : 0.0f);
            }
        }
        benchmark::DoNotOptimize(p.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(ClothUpdate_zq);
BENCHMARK(ClothUpdate_floor);

} // namespace

int main(int argc, char** argv) {
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double ours = reporter.time("ClothUpdate_zq");
    const double floor = reporter.time("ClothUpdate_floor");
    if (ours > 0.0 && floor > 0.0) {
        std::printf("\n%-14s %12s %12s %10s\n", "step", "cloth", "floor", "ratio");
        std::printf("%-14s %12.0f %12.0f %10.2f\n", "64j/128l/32b", ours, floor, ours / floor);
        std::printf("joints resting on a volume: %u of 64\n", scene().touching);
    }
    zqbench::printFigure("cloth step / plain relaxation (less work)", floor > 0 ? ours / floor : 0,
                         zqbench::Goal::AT_MOST, 3.0);
    benchmark::Shutdown();
    return 0;
}
