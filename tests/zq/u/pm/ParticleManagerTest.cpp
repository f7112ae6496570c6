// Emitters, pools and particle motion, checked against a double-precision reference that
// replays the generator's draws.
#include "tests/zq/u/pm/ParticleRefRand.h"
#include "zq/u/pm/ParticleManager_internal.h"
#include "zq/u/pm/ParticleMotion_internal.h"
#include "zq/u/pm/ZquPm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace ZquPm;

namespace {

struct D3 {
    double x = 0;
    double y = 0;
    double z = 0;
    D3 operator+(const D3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    D3 operator-(const D3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    D3 operator*(const double k) const { return {x * k, y * k, z * k}; }
    D3 norm() const {
        const double l = std::sqrt(x * x + y * y + z * z);
        return l == 0 ? D3{} : *this * (1.0 / l);
    }
};

D3 d3(const ZqVector3& v) {
    return {v.x, v.y, v.z};
}

D3 unitVector(RefRand& r) {
    const double a = r.s11();
    const double t = r.t();
    const double s = std::sqrt(1 - a * a);
    return {std::sin(t) * s, a, std::cos(t) * s};
}

// The spawn point of a record whose emitter transform is a plain scaling by size / 2 and a
// translation to the position (no rotation, scale influence 1).
D3 refSpawn(RefRand& r, const EMITDATA& e) {
    const D3 pos = d3(e.position);
    D3 p;
    switch (e.shape) {
    case 1: {
        const double u = r.u();
        return pos * u + d3(e.position2) * (1 - u);
    }
    case 2: {
        const double t = r.t();
        const double q = std::sqrt(r.u());
        p = {std::sin(t) * q, 0, std::cos(t) * q};
        break;
    }
    case 3: {
        const double t = r.t();
        p = {std::sin(t), 0, std::cos(t)};
        break;
    }
    case 4: {
        const double a = r.s11();
        p = {a, 0, r.s11()};
        break;
    }
    case 5: {
        const double a = r.s11();
        const double b = r.s11();
        p = {a, b, r.s11()};
        break;
    }
    case 6: {
        const double q = std::sqrt(r.u());
        const double t = r.t();
        p = {std::sin(t) * q, r.s11(), std::cos(t) * q};
        break;
    }
    case 7: {
        const double t = r.t();
        p = {std::sin(t), r.s11(), std::cos(t)};
        break;
    }
    case 8: {
        const double c = std::pow(r.u(), 0.33333334);
        const double s = r.s11();
        const double t = r.t();
        const double q = std::sqrt(1 - s * s);
        p = {std::sin(t) * q * c, s * c, std::cos(t) * q * c};
        break;
    }
    case 9: {
        const double s = r.s11();
        const double t = r.t();
        const double q = std::sqrt(1 - s * s);
        p = {std::sin(t) * q, s, std::cos(t) * q};
        break;
    }
    default:
        return pos;
    }
    return {p.x * e.size.x * 0.5 + pos.x, p.y * e.size.y * 0.5 + pos.y,
            p.z * e.size.z * 0.5 + pos.z};
}

EMITDATA rotRecord(const uint32_t shape, const uint32_t motion) {
    EMITDATA e = EMITDATA::defaults();
    e.kind = 0;
    e.shape = shape;
    e.motion = motion;
    e.count = 1;
    e.life = 1;
    e.particleLife = 100;
    e.position = ZqVector3(1.0f, 2.0f, 3.0f);
    e.position2 = ZqVector3(-1.0f, 0.0f, 1.0f);
    e.size = ZqVector3(4.0f, 2.0f, 6.0f);
    e.direction = ZqVector3(0.0f, 0.5f, 0.0f);
    e.spreadH = 0.25f;
    e.spreadV = 0.125f;
    e.accelFrame = ZqVector3(0.0f, -0.01f, 0.0f);
    e.accelPlain = ZqVector3(0.002f, 0.0f, 0.0f);
    e.effectVelocityPct = 50;
    e.motion2Weight = 0.5f;
    e.steerInterval = 1000;
    return e;
}

class Particles : public ::testing::Test {
protected:
    void SetUp() override {
        m_pm = ParticleManager::create();
        ASSERT_NE(m_pm, nullptr);
        setRandState(RandState{0x12345678u, 77, 99});
        m_ep.position = ZqVector3(10.0f, 0.0f, 0.0f);
        m_ep.velocity = ZqVector3(0.0f, 0.0f, 0.2f);
        m_ep.motion2 = ZqVector3(0.0f, 0.1f, 0.0f);
        m_ep.target = ZqVector3(0.0f, 50.0f, 0.0f);
    }
    std::unique_ptr<ParticleManager> m_pm;
    EmitParam m_ep;
};

TEST_F(Particles, EverySpawnShapeAndVelocityModeAgainstTheReference) {
    struct Case {
        uint32_t shape;
        uint32_t motion;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5},
                          {6, 6}, {7, 7}, {8, 0}, {9, 1}, {0, 1}, {12, 0}};
    constexpr int STEPS = 25;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " mode " << c.motion);
        m_pm->reset();
        const EMITDATA rec = rotRecord(c.shape, c.motion);
        ASSERT_TRUE(m_pm->startEmitter(&rec, &m_ep));
        RefRand ref(randState());
        // Birth draws: spawn point, then the unit vector and fraction of the spread.
        D3 p = refSpawn(ref, rec) + d3(m_ep.position);
        const D3 b = d3(rec.position) + d3(m_ep.position);
        const D3 uv = unitVector(ref);
        const double f = ref.u();
        const D3 d = d3(rec.direction) +
                     D3{rec.spreadH * uv.x * f, rec.spreadV * uv.y * f, rec.spreadH * uv.z * f};
        D3 part;
        switch (c.motion) {
        case 1: {
            const D3 dir = c.shape == 0 ? unitVector(ref) : (p - b).norm();
            part = {dir.x * rec.spreadH, dir.y * rec.spreadV, dir.z * rec.spreadH};
            break;
        }
        case 2:
            part = (d3(m_ep.target) - p).norm() * rec.spreadH;
            break;
        case 4:
            part = d.norm();
            break;
        case 5:
        case 6:
            part = d3(m_ep.velocity);
            break;
        default:
            part = d;
            break;
        }
        D3 v = part + d3(m_ep.velocity) * 0.5 + d3(m_ep.motion2) * 0.5;
        const D3 a = d3(rec.accelFrame) + d3(rec.accelPlain);
        const bool steered = c.motion == 3 || c.motion == 4;
        for (int i = 0; i < STEPS; ++i) {
            m_pm->update();
        }
        // Born in the first step, moved in the following ones.
        for (int i = 0; i < STEPS - 1; ++i) {
            p = p + v;
            if (!steered) {
                v = v + a;
            } else if (c.motion == 4) {
                v = d.norm() * 1.0;
            }
        }
        ASSERT_EQ(m_pm->rot().count(), 1u);
        const RotParticle* live = nullptr;
        for (uint16_t i = 1; i < m_pm->rot().capacity(); ++i) {
            if (m_pm->rot().at(i).owner == &m_ep) {
                live = &m_pm->rot().at(i);
            }
        }
        ASSERT_NE(live, nullptr);
        EXPECT_NEAR(live->position.x, p.x, 1e-3);
        EXPECT_NEAR(live->position.y, p.y, 1e-3);
        EXPECT_NEAR(live->position.z, p.z, 1e-3);
        if (c.motion != 4) {
            EXPECT_NEAR(live->velocity.x, v.x, 1e-4);
            EXPECT_NEAR(live->velocity.y, v.y, 1e-4);
            EXPECT_NEAR(live->velocity.z, v.z, 1e-4);
        }
    }
}

TEST_F(Particles, LineAndModelSpreadPerAxis) {
    for (const uint32_t kind : {1u, 2u}) {
        SCOPED_TRACE(kind);
        m_pm->reset();
        EMITDATA rec = rotRecord(0, 0);
        rec.kind = kind;
        rec.modelShape = 1;
        rec.accelPlain = ZqVector3(0.0f, 0.0f, 0.0f);
        ASSERT_TRUE(m_pm->startEmitter(&rec, &m_ep));
        RefRand ref(randState());
        const double sz = ref.next() % 2500 * 1e-4;
        const double sy = ref.next() % 1250 * 1e-4;
        const double sx = ref.next() % 2500 * 1e-4;
        m_pm->update();
        m_pm->update();
        const D3 v = D3{sx, 0.5 + sy, sz} + d3(m_ep.velocity) * 0.5 + d3(m_ep.motion2) * 0.5 +
                     d3(rec.accelFrame);
        ZqVector3 got;
        if (kind == 1) {
            got = m_pm->line().at(m_pm->line().listHead(0)).velocity;
        } else {
            got = m_pm->model().at(m_pm->model().listHead(3 * PM_LISTS_PER_GROUP)).velocity;
        }
        EXPECT_NEAR(got.x, v.x, 1e-5);
        EXPECT_NEAR(got.y, v.y, 1e-5);
        EXPECT_NEAR(got.z, v.z, 1e-5);
    }
}

TEST_F(Particles, EmissionScheduleAndEmitterEnd) {
    struct Case {
        uint32_t delay;
        uint32_t life;
        uint32_t interval;
        std::vector<int> emitted; // per step: particles alive after it
        int line;
    };
    const Case cases[] = {
        {0, 3, 2, {1, 1, 2, 2, 2}, __LINE__},
        {0, 4, 0, {1, 2, 3, 4, 4}, __LINE__},
        {2, 2, 1, {0, 0, 1, 2, 2}, __LINE__},
    };
    for (const Case& c : cases) {
        m_pm->reset();
        m_ep.emitterCount = 0;
        EMITDATA rec = rotRecord(0, 0);
        rec.delay = c.delay;
        rec.life = c.life;
        rec.interval = c.interval;
        rec.velocity = ZqVector3(1.0f, 0.0f, 0.0f);
        ASSERT_TRUE(m_pm->startEmitter(&rec, &m_ep));
        std::vector<int> got;
        for (size_t i = 0; i < c.emitted.size(); ++i) {
            m_pm->update();
            got.push_back(m_pm->rot().count());
        }
        EXPECT_EQ(got, c.emitted) << "line " << c.line;
        EXPECT_EQ(m_pm->emitterCount(), 0u) << "line " << c.line;
        EXPECT_EQ(m_ep.emitterCount, 0u) << "line " << c.line;
        EXPECT_EQ(m_ep.particleCount, static_cast<uint32_t>(c.emitted.back()));
        m_pm->releaseEffect(&m_ep);
        EXPECT_EQ(m_ep.particleCount, 0u);
    }
}

TEST_F(Particles, EmitterSlotsAreLimitedTo99) {
    const EMITDATA rec = rotRecord(0, 0);
    for (int i = 0; i < 99; ++i) {
        ASSERT_TRUE(m_pm->startEmitter(&rec, &m_ep));
    }
    EXPECT_FALSE(m_pm->startEmitter(&rec, &m_ep));
    EXPECT_EQ(m_ep.emitterCount, 99u);
    m_pm->releaseEffect(&m_ep);
    EXPECT_EQ(m_ep.emitterCount, 0u);
    EXPECT_EQ(m_pm->emitterCount(), 0u);
    EXPECT_TRUE(m_pm->startEmitter(&rec, &m_ep));
}

TEST_F(Particles, PoolsFillOverflowAndReleaseInEveryKind) {
    EmitParam other;
    EMITDATA rec = rotRecord(0, 0);
    rec.count = 600;
    rec.life = 0;
    rec.particleLife = 1000;
    for (const uint32_t kind : {0u, 1u, 2u}) {
        rec.kind = kind;
        m_pm->startEmitter(&rec, &m_ep);
        m_pm->startEmitter(&rec, &other);
    }
    m_pm->update();
    m_pm->update();
    EXPECT_EQ(m_pm->rot().count(), 999u);
    EXPECT_EQ(m_pm->line().count(), 999u);
    EXPECT_EQ(m_pm->model().count(), 199u);
    EXPECT_EQ(m_pm->model().triangles(), 199u * 2u);
    EXPECT_EQ(m_ep.particleCount + other.particleCount, 999u + 999u + 199u);
    m_pm->releaseEffect(&m_ep);
    EXPECT_EQ(m_ep.particleCount, 0u);
    EXPECT_EQ(m_pm->emitterCount(), 3u);
    const uint32_t left = m_pm->rot().count() + m_pm->line().count() + m_pm->model().count();
    EXPECT_EQ(left, other.particleCount);
    m_pm->releaseEffect(&other);
    EXPECT_EQ(m_pm->rot().count() + m_pm->line().count() + m_pm->model().count(), 0u);
    EXPECT_EQ(m_pm->model().triangles(), 0u);
}

TEST_F(Particles, LastTextureSlotKeepsItsOwnDrawList) {
    ZqGlTexture* table[PM_TEXTURE_SLOTS] = {};
    auto* const tex = reinterpret_cast<ZqGlTexture*>(&table); // only compared, never used
    table[99] = tex;
    m_pm->setTextureTable(table);
    PMTEXTURE list;
    list.textures[0] = tex;
    list.textureCount = 1;
    m_ep.texList = &list;
    EMITDATA rec = rotRecord(0, 0);
    rec.texture = 0;
    rec.blend = 2;
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    const uint32_t list100 = 2 * PM_LISTS_PER_GROUP + 100;
    ASSERT_NE(m_pm->rot().listHead(list100), 0u);
    EXPECT_EQ(m_pm->rot().at(m_pm->rot().listHead(list100)).texIndex, 100u);
    EXPECT_EQ(m_pm->getTexNo(nullptr), -1);
    // A blend mode outside 0..2 has no draw list and emits nothing.
    m_pm->reset();
    rec.blend = 3;
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    EXPECT_EQ(m_pm->rot().count(), 0u);
}

TEST_F(Particles, WalksSkipEmptyDrawListsOnly) {
    // Lists on both sides of the mask's word edges, the pool's last list among them; the
    // occupancy follows each list's first particle in and its last one out.
    ModelParticleManager& pool = m_pm->model();
    const uint32_t last = pool.listCount() - 1;
    EXPECT_EQ(pool.nextList(0), pool.listCount());
    struct At {
        uint32_t group;
        int texSlot;
    };
    const At places[] = {{11, 99}, {0, 62}, {0, -1}, {0, 62}, {0, 63}, {1, 26}};
    std::vector<uint16_t> born;
    for (const At& a : places) {
        born.push_back(pool.alloc(&m_ep, a.texSlot, a.group));
        ASSERT_NE(born.back(), 0u);
    }
    const auto lists = [&pool] {
        std::vector<uint32_t> v;
        for (uint32_t l = pool.nextList(0); l < pool.listCount(); l = pool.nextList(l + 1)) {
            v.push_back(l);
        }
        return v;
    };
    EXPECT_EQ(lists(), (std::vector<uint32_t>{0, 63, 64, 128, last}));
    EXPECT_EQ(pool.nextList(65), 128u);
    pool.free(born[1]); // list 63 keeps its second particle
    pool.free(born[5]);
    pool.free(born[0]);
    EXPECT_EQ(lists(), (std::vector<uint32_t>{0, 63, 64}));
    pool.free(born[3]);
    EXPECT_EQ(lists(), (std::vector<uint32_t>{0, 64}));
    m_pm->reset();
    EXPECT_EQ(pool.nextList(0), pool.listCount());
}

TEST_F(Particles, LifeVariationScaleAndBaseLife) {
    EMITDATA rec = rotRecord(0, 0);
    rec.particleLife = 0;
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    EXPECT_EQ(m_pm->rot().count(), 0u) << "base life 0 creates nothing";

    // A hostile count whose particles are mostly skipped ends its emission in bounded time.
    rec.particleLife = 1;
    rec.lifeVariation = 150;
    rec.count = 0xFFFFFFFFu;
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    EXPECT_LE(m_pm->rot().count(), 999u);
    rec.lifeVariation = 0;
    rec.count = 1;

    // Life 1: freed in its first update, unmoved.
    m_pm->reset();
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    EXPECT_EQ(m_pm->rot().count(), 1u);
    m_pm->update();
    EXPECT_EQ(m_pm->rot().count(), 0u);

    // Scale percentage 0 ignores the effect scale; 100 applies it fully.
    for (const uint32_t pct : {0u, 100u}) {
        m_pm->reset();
        m_ep.scale = 3.0f;
        rec.particleLife = 10;
        rec.scalePct = pct;
        rec.psize[0] = rec.psize[1] = rec.psize[2] = 2.0f;
        m_pm->startEmitter(&rec, &m_ep);
        m_pm->update();
        EXPECT_FLOAT_EQ(m_pm->rot().at(m_pm->rot().listHead(0)).size.value, pct == 0 ? 2.0f : 6.0f);
    }
    m_ep.scale = 1.0f;
}

TEST_F(Particles, FirstEmissionUsesTheRecordsOwnPlaceAndLeavesTheRecordAlone) {
    EMITDATA rec = rotRecord(4, 0);
    rec.local = 1;
    rec.position = ZqVector3(100.0f, 0.0f, 0.0f);
    rec.size = ZqVector3(2.0f, 2.0f, 2.0f);
    rec.velocity = ZqVector3(5.0f, 0.0f, 0.0f);
    rec.count = 20;
    // A stale transform in the loaded record (another instance's last place).
    rec.transform.setTrans(-500.0f, 0.0f, 0.0f);
    const EMITDATA copy = rec;
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    for (uint16_t i = m_pm->rot().listHead(0); i != 0; i = m_pm->rot().drawNext(i)) {
        EXPECT_NEAR(m_pm->rot().at(i).position.x, 100.0f, 1.0f + 1e-4f);
    }
    EXPECT_EQ(rec.transform._41, copy.transform._41);
    EXPECT_EQ(rec.position.x, copy.position.x);
    // The emitter itself moved.
    EXPECT_FLOAT_EQ(m_pm->findEmitter(&rec, &m_ep)->transform._41, 105.0f);
}

TEST_F(Particles, StillEmittersKeepTheirTransformUntilAnInputChanges) {
    // A still emitter keeps the transform it made; a change of the effect's scale, and a new
    // emitter in the slot whose first step lands on the old one's place, make it again.
    EMITDATA still = rotRecord(0, 0);
    still.life = 0;
    still.scalePct = 100;
    still.position = ZqVector3(5.0f, 0.0f, 0.0f);
    ASSERT_TRUE(m_pm->startEmitter(&still, &m_ep));
    for (int i = 0; i < 3; ++i) {
        m_pm->update();
    }
    EXPECT_EQ(m_pm->findEmitter(&still, &m_ep)->transform._11, 2.0f);
    m_ep.scale = 2.0f;
    m_pm->update();
    EXPECT_EQ(m_pm->findEmitter(&still, &m_ep)->transform._11, 4.0f);
    EXPECT_EQ(m_pm->findEmitter(&still, &m_ep)->transform._41, 10.0f);
    m_ep.scale = 1.0f;
    m_pm->update();
    m_pm->releaseEffect(&m_ep);

    EMITDATA moving = still;
    moving.position = ZqVector3(4.0f, 0.0f, 0.0f);
    moving.velocity = ZqVector3(1.0f, 0.0f, 0.0f);
    ASSERT_TRUE(m_pm->startEmitter(&moving, &m_ep));
    EXPECT_EQ(m_pm->findEmitter(&moving, &m_ep)->transform._41, 4.0f);
    m_pm->update();
    EXPECT_EQ(m_pm->findEmitter(&moving, &m_ep)->transform._41, 5.0f);
    m_pm->update();
    EXPECT_EQ(m_pm->findEmitter(&moving, &m_ep)->transform._41, 6.0f);
}

TEST_F(Particles, AnglesWrapAndHostileAnglesEnd) {
    EXPECT_FLOAT_EQ(wrapDegrees(370.0f), 10.0f);
    EXPECT_FLOAT_EQ(wrapDegrees(-30.0f), 330.0f);
    EXPECT_FLOAT_EQ(wrapDegrees(720.0f), 360.0f);
    EXPECT_FLOAT_EQ(wrapDegrees(360.0f), 360.0f);
    const float huge = wrapDegrees(3e38f);
    EXPECT_GE(huge, 0.0f);
    EXPECT_LE(huge, 360.0f);
    EXPECT_TRUE(std::isinf(wrapDegrees(INFINITY)));
    EXPECT_TRUE(std::isnan(wrapDegrees(NAN)));

    EMITDATA rec = rotRecord(0, 0);
    rec.angVel = 3e38f;
    rec.angAcc = 3e38f;
    m_pm->startEmitter(&rec, &m_ep);
    for (int i = 0; i < 5; ++i) {
        m_pm->update();
    }
    EXPECT_EQ(m_pm->rot().count(), 1u);
}

TEST_F(Particles, HomingAndWandering) {
    // Homing without a live target steers at the stored target only.
    EMITDATA rec = rotRecord(0, 3);
    rec.direction = ZqVector3(1.0f, 0.0f, 0.0f);
    rec.spreadH = rec.spreadV = 0.0f;
    rec.effectVelocityPct = 0;
    rec.motion2Weight = 0.0f;
    rec.steerInterval = 1;
    rec.steerWeight = 100;
    rec.steerSpeed = 2.0f;
    m_ep.position = ZqVector3(0.0f, 0.0f, 0.0f);
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    m_pm->update();
    const RotParticle& h = m_pm->rot().at(m_pm->rot().listHead(0));
    const ZqVector3 want = ZqVector3().normalize(m_ep.target - h.position) * 2.0f;
    EXPECT_NEAR(h.velocity.x, want.x, 1e-5f);
    EXPECT_NEAR(h.velocity.y, want.y, 1e-5f);
    EXPECT_NEAR(h.velocity.z, want.z, 1e-5f);

    // Wandering, interval 10: initial direction, then a perpendicular one, every 10 steps.
    m_pm->reset();
    rec.motion = 4;
    rec.steerInterval = 10;
    rec.steerSpeed = 1.0f;
    rec.turnAxis = ZqVector3(0.0f, 1.0f, 0.0f);
    m_pm->startEmitter(&rec, &m_ep);
    m_pm->update();
    const uint16_t w = m_pm->rot().listHead(0);
    std::vector<float> zs;
    for (int i = 1; i <= 30; ++i) {
        m_pm->update();
        if (i % 10 == 0 || i % 10 == 9) {
            zs.push_back(m_pm->rot().at(w).velocity.z);
        }
    }
    EXPECT_FLOAT_EQ(zs[0], 0.0f);
    EXPECT_FLOAT_EQ(std::fabs(zs[1]), 1.0f);
    EXPECT_FLOAT_EQ(std::fabs(zs[2]), 1.0f);
    EXPECT_FLOAT_EQ(zs[3], 0.0f);
    EXPECT_FLOAT_EQ(zs[4], 0.0f);
    EXPECT_FLOAT_EQ(std::fabs(zs[5]), 1.0f);
}

} // namespace
