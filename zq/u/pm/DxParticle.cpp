#include "zq/u/pm/DxParticle_internal.h"

#include "zq/u/pm/ParticleManager_internal.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

namespace {

constexpr float PI = 3.14159265f;

// The low byte of truncI32(v), worked out in single precision: NaN and values at or below
// -2^31 give 0, values at or above 2^31 the low byte of 2^31 - 1.
uint32_t lowByte(const float v) {
    if (!(v > -2147483648.0f)) {
        return 0;
    }
    if (v >= 2147483648.0f) {
        return 0xFFu;
    }
    return static_cast<uint32_t>(static_cast<int32_t>(v)) & 0xFFu;
}

uint32_t argb(const float alpha, const ZquPm::Rgb& c) {
    const uint32_t a = lowByte(alpha);
    return a << 24 | static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b;
}

// Sine and cosine of the 256 stored angle steps, as the fill computes them, side by side.
struct AngleTable {
    float sinCos[256][2];
    AngleTable() {
        for (int i = 0; i < 256; ++i) {
            const float a = static_cast<float>(i) * (2.0f * PI / 256.0f) - PI;
            sinCos[i][0] = std::sin(a);
            sinCos[i][1] = std::cos(a);
        }
    }
};

const AngleTable& angles() {
    static const AngleTable table;
    return table;
}

// The ring points of a tube or cone of n segments (n + 1 of them, the last closing the ring),
// kept for the last segment count used: meshes of one emitter share it.
struct RingTable {
    uint32_t n = 0;
    float c[DxParticle::MODEL_VERTICES + 1];
    float s[DxParticle::MODEL_VERTICES + 1];
};

const RingTable& ringTable(const uint32_t n) {
    thread_local RingTable t;
    if (t.n != n) {
        for (uint32_t i = 0; i <= n; ++i) {
            // The sine takes the sign of the angle and is formed from the cosine.
            const float a = static_cast<float>(i) * (2.0f * PI / static_cast<float>(n)) - PI;
            t.c[i] = std::cos(a);
            t.s[i] = std::sqrt(std::fmax(0.0f, 1.0f - t.c[i] * t.c[i]));
            if (a < 0.0f) {
                t.s[i] = -t.s[i];
            }
        }
        t.n = n;
    }
    return t;
}

// DxParticle::frameRect, inline for the fills and the model entries.
inline void rectOf(const ZquPm::PMTEXTURE* const list, const int frame, float rect[4]) {
    if (list != nullptr && frame >= 0 && static_cast<size_t>(frame) < list->frames.size()) {
        const ZquPm::FrameRect& f = list->frames[frame];
        rect[0] = f.umin;
        rect[1] = f.vmin;
        rect[2] = f.umin + f.du;
        rect[3] = f.vmin + f.dv;
    } else {
        rect[0] = 0.0f;
        rect[1] = 0.0f;
        rect[2] = 1.0f;
        rect[3] = 1.0f;
    }
}

// Four floats in one register (GCC and Clang vector extension): a quad's four vertices are
// ten such chunks, put together from a few per-record values and stored whole.
typedef float Float4 __attribute__((vector_size(16)));
typedef uint32_t Bits4 __attribute__((vector_size(16)));
typedef uint64_t Bits2 __attribute__((vector_size(16)));

template <int A, int B, int C, int D> Float4 pick(const Float4 a, const Float4 b) {
    return __builtin_shufflevector(a, b, A, B, C, D);
}

Float4 load4(const void* const p) {
    Float4 v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

// Two floats in the low lanes, the others 0.
Float4 load2(const void* const p) {
    uint64_t u = 0;
    std::memcpy(&u, p, sizeof(u));
    return Float4(Bits2{u, 0});
}

void store4(void* const p, const Float4 v) {
    std::memcpy(p, &v, sizeof(v));
}

// x, y, z of a vector in the low lanes, 0 in the fourth.
Float4 load3(const ZqVector3& p) {
    const Float4 xy = load2(&p.x);
    return Float4{xy[0], xy[1], p.z, 0.0f};
}

// The root matrix of the previous record, its rows in registers: neighbours share their
// root. A point goes through it as (x, y, z, 1) * m with ZqVector3::rotTrans's grouping,
// (x m1 + y m2) + (z m3 + m4) lane by lane, so the result is the same to the bit. The
// fourth lane is left over: callers store the three floats with whatever follows them in the
// record and write that field afterwards.
struct RootCache {
    const ZqMatrix* root = nullptr;
    Float4 r1{}, r2{}, r3{}, r4{};

    Float4 through(const ZqVector3& p, const ZqMatrix* const r) {
        const Float4 v = load3(p);
        if (r == nullptr) {
            return v;
        }
        if (r != root) {
            r1 = load4(&r->_11);
            r2 = load4(&r->_21);
            r3 = load4(&r->_31);
            r4 = load4(&r->_41);
            root = r;
        }
        const Float4 x = pick<0, 0, 0, 0>(v, v);
        const Float4 y = pick<1, 1, 1, 1>(v, v);
        const Float4 z = pick<2, 2, 2, 2>(v, v);
        return (x * r1 + y * r2) + (z * r3 + r4);
    }
};

} // namespace

std::unique_ptr<DxParticle> DxParticle::create() {
    try {
        return std::make_unique<DxParticle>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

DxParticle::DxParticle() {
    m_rot.records.resize(MAX_RECORDS);
    m_rot.batches.resize(MAX_BATCHES);
    m_line.records.resize(MAX_RECORDS);
    m_line.batches.resize(MAX_BATCHES);
    m_model.records.resize(MAX_MODELS);
    for (ModelEntry& e : m_model.records) {
        e.vertices.resize(MODEL_VERTICES);
        e.indices.resize(MODEL_INDICES);
    }
}

void DxParticle::clear() {
    m_rot.count = m_rot.batchCount = 0;
    m_rot.blend = -1;
    m_line.count = m_line.batchCount = 0;
    m_line.blend = -1;
    m_model.count = m_model.batchCount = 0;
    m_model.blend = -1;
}

void DxParticle::openRotBatch(const uint32_t blend, const uint32_t texIndex) {
    if (m_rot.batchCount < MAX_BATCHES) {
        m_rot.batches[m_rot.batchCount++] = Batch{blend, texIndex, m_rot.count, 0};
    }
}

int DxParticle::addRot(const RotRecord& r) {
    if (m_rot.count >= MAX_RECORDS || m_rot.batchCount == 0) {
        return -1;
    }
    m_rot.records[m_rot.count++] = r;
    ++m_rot.batches[m_rot.batchCount - 1].count;
    return static_cast<int>(m_rot.count);
}

void DxParticle::openLineBatch(const uint32_t blend, const uint32_t texIndex) {
    if (m_line.batchCount < MAX_BATCHES) {
        m_line.batches[m_line.batchCount++] = Batch{blend, texIndex, m_line.count, 0};
    }
}

int DxParticle::addLine(const LineRecord& r) {
    if (m_line.count >= MAX_RECORDS || m_line.batchCount == 0) {
        return -1;
    }
    m_line.records[m_line.count++] = r;
    ++m_line.batches[m_line.batchCount - 1].count;
    return static_cast<int>(m_line.count);
}

int DxParticle::addModel(const ModelEntry& values) {
    if (m_model.count >= MAX_MODELS) {
        return -1;
    }
    ModelEntry& e = m_model.records[m_model.count];
    e.shape = values.shape;
    e.blend = values.blend;
    e.texList = values.texList;
    e.texIndex = values.texIndex;
    e.world = values.world;
    e.segments = values.segments;
    e.shapeParam = values.shapeParam;
    e.frame = values.frame;
    e.argb = values.argb;
    e.shapeFlag = values.shapeFlag;
    return addModelSlot();
}

inline int DxParticle::addModelSlot() {
    const uint32_t k = m_model.count;
    ModelEntry& e = m_model.records[k];
    // The slot's mesh is kept when everything it is made of is what it was made from last
    // time (compared bit for bit: -0 is not 0 to a mesh). Compared field by field:
    // a key assembled in memory first would be read back before its stores land.
    float rect[4];
    rectOf(e.texList, e.frame, rect);
    const auto bits = [](const float f) {
        uint32_t u = 0;
        std::memcpy(&u, &f, sizeof(u));
        return u;
    };
    MeshKey& kept = m_meshKeys[k];
    const bool sameShape = kept.valid && kept.shape == e.shape && kept.shapeFlag == e.shapeFlag &&
                           kept.segments == e.segments && kept.shapeParam == bits(e.shapeParam) &&
                           kept.rect[0] == bits(rect[0]) && kept.rect[1] == bits(rect[1]) &&
                           kept.rect[2] == bits(rect[2]) && kept.rect[3] == bits(rect[3]);
    if (sameShape) {
        // A fade changes only the colour every vertex carries.
        if (kept.argb != e.argb) {
            const uint32_t argb = e.argb;
            ModelVertex* const v = e.vertices.data();
            for (uint32_t i = 0; i < e.vertexCount; ++i) {
                v[i].argb = argb;
            }
            kept.argb = argb;
        }
        return static_cast<int>(++m_model.count);
    }
    kept.valid = false;
    if (!buildMesh(e)) {
        return static_cast<int>(m_model.count);
    }
    kept.shape = e.shape;
    kept.shapeFlag = e.shapeFlag;
    kept.segments = e.segments;
    kept.argb = e.argb;
    kept.shapeParam = bits(e.shapeParam);
    for (int i = 0; i < 4; ++i) {
        kept.rect[i] = bits(rect[i]);
    }
    kept.valid = true;
    return static_cast<int>(++m_model.count);
}

void DxParticle::build(const ParticleManager& pm) {
    // Records are written in place, one tight pass per draw list; a list whose records no
    // longer fit still opens its batch, as the adders would.
    RootCache rc;
    const RotParticleManager& rp = pm.rot();
    for (uint32_t l = rp.nextList(0); l < rp.listCount(); l = rp.nextList(l + 1)) {
        uint16_t i = rp.listHead(l);
        if (i == 0) {
            continue;
        }
        const RotParticle& first = rp.at(i);
        openRotBatch(first.blend, first.texIndex);
        if (m_rot.batchCount == 0) {
            continue;
        }
        RotRecord* const recs = m_rot.records.data();
        uint32_t n = m_rot.count;
        for (; i != 0 && n < MAX_RECORDS; i = rp.drawNext(i)) {
            const RotParticle& p = rp.at(i);
            prefetchRecord(rp.at(rp.drawNext(rp.drawNext(i))));
            RotRecord& r = recs[n++];
            r.texList = p.owner != nullptr ? p.owner->texList : nullptr;
            r.frame = p.frame.current;
            store4(&r.position, rc.through(p.position, p.root));
            r.argb = argb(p.alpha.value, p.colour.current);
            r.size = p.size.value;
            r.size2 = p.size2.value;
            r.angle = static_cast<uint8_t>(lowByte(p.angle * 0.7111111f));
        }
        m_rot.batches[m_rot.batchCount - 1].count += n - m_rot.count;
        m_rot.count = n;
    }
    const LineParticleManager& lp = pm.line();
    for (uint32_t l = lp.nextList(0); l < lp.listCount(); l = lp.nextList(l + 1)) {
        uint16_t i = lp.listHead(l);
        if (i == 0) {
            continue;
        }
        openLineBatch(lp.at(i).blend, lp.at(i).texIndex);
        if (m_line.batchCount == 0) {
            continue;
        }
        LineRecord* const recs = m_line.records.data();
        uint32_t n = m_line.count;
        for (; i != 0 && n < MAX_RECORDS; i = lp.drawNext(i)) {
            const LineParticle& p = lp.at(i);
            prefetchRecord(lp.at(lp.drawNext(lp.drawNext(i))));
            LineRecord& r = recs[n++];
            r.texList = p.owner != nullptr ? p.owner->texList : nullptr;
            r.frame = p.frame.current;
            store4(&r.head, rc.through(p.head, p.root));
            store4(&r.tail, rc.through(p.tail, p.root));
            r.headArgb = argb(p.alpha.value, p.colour.current);
            r.tailArgb = argb(p.fadeTail != 0 ? 0.0f : p.alpha.value, p.tailCurrent);
            r.width = p.width.value;
        }
        m_line.batches[m_line.batchCount - 1].count += n - m_line.count;
        m_line.count = n;
    }
    // Model entries are written straight into their slot (what addModel would copy there).
    const ModelParticleManager& mp = pm.model();
    for (uint32_t l = mp.nextList(0); l < mp.listCount(); l = mp.nextList(l + 1)) {
        for (uint16_t i = mp.listHead(l); i != 0 && m_model.count < MAX_MODELS;
             i = mp.drawNext(i)) {
            const ModelParticle& p = mp.at(i);
            prefetchRecord(mp.at(mp.drawNext(mp.drawNext(i))));
            ModelEntry& e = m_model.records[m_model.count];
            e.shape = static_cast<uint16_t>(p.shape);
            e.blend = p.blend;
            e.texList = p.owner != nullptr ? p.owner->texList : nullptr;
            e.texIndex = static_cast<int16_t>(p.texIndex);
            if (p.root != nullptr) {
                e.world.mul(p.world, *p.root);
            } else {
                e.world = p.world;
            }
            e.argb = argb(p.alpha.value, p.colour.current);
            e.frame = static_cast<uint16_t>(p.frame.current);
            e.segments = p.segments;
            e.shapeParam = p.shapeParam;
            e.shapeFlag = p.shapeFlag;
            addModelSlot();
        }
    }
}

void DxParticle::frameRect(const ZquPm::PMTEXTURE* const list, const int frame, float rect[4]) {
    rectOf(list, frame, rect);
}

namespace {

// The frame rectangle of the previous record, in the lane order (A, B, C, D) of
// (umin, vmin, umax, vmax) a fill wants; looked up again only when the list or frame changes
// (neighbours in a batch mostly share both; without a list every frame has the whole texture).
template <int A, int B, int C, int D> struct RectCache {
    const ZquPm::PMTEXTURE* list = nullptr;
    int frame = 0;
    bool valid = false;
    Float4 rect = {0.0f, 0.0f, 0.0f, 0.0f};

    Float4 get(const ZquPm::PMTEXTURE* const l, const int fr) {
        if (!valid || l != list || (l != nullptr && fr != frame)) {
            float f[4];
            rectOf(l, fr, f);
            rect = Float4{f[A], f[B], f[C], f[D]};
            list = l;
            frame = fr;
            valid = true;
        }
        return rect;
    }
};

// The sign bits that negate the lanes of -hx and -hy, and of -w.
constexpr Bits4 NEGATE_HIGH = {0u, 0u, 0x80000000u, 0x80000000u};
constexpr Bits4 NEGATE_SECOND = {0u, 0x80000000u, 0u, 0u};

} // namespace

// Both fills build each quad's ten 16-byte chunks with one two-source shuffle each (two lanes
// from either source, any of its four), from a few registers made per record.
uint32_t DxParticle::fillRot(RotVertex* const out) const {
    static_assert(sizeof(RotVertex) == 40 &&
                      offsetof(RotRecord, argb) == offsetof(RotRecord, position) + 12 &&
                      offsetof(RotRecord, size2) == offsetof(RotRecord, size) + 4,
                  "a rotating record's position and colour, and its sizes, are read as chunks");
    const AngleTable& table = angles();
    const Float4 half = {0.5f, 0.5f, 0.0f, 0.0f};
    RectCache<3, 1, 2, 0> rc; // vmax vmin umax umin
    unsigned char* v = reinterpret_cast<unsigned char*>(out);
    uint32_t q = 0;
    for (uint32_t b = 0; b < m_rot.batchCount; ++b) {
        const Batch& batch = m_rot.batches[b];
        const RotRecord* r = m_rot.records.data() + batch.first;
        const RotRecord* const end = r + batch.count;
        for (; r != end; ++r) {
            // Vertex order: (umax, vmax, +x, +y), (umin, vmax, -x, +y), (umax, vmin, +x, -y),
            // (umin, vmin, -x, -y); each vertex x y z u v ox oy sin cos colour.
            const Float4 rr = rc.get(r->texList, r->frame);
            const unsigned char* const base = reinterpret_cast<const unsigned char*>(r);
            const Float4 p = load4(base + offsetof(RotRecord, position));           // x y z colour
            const Float4 hs = load2(base + offsetof(RotRecord, size)) * half;       // hx hy
            const Float4 sc = load2(&table.sinCos[r->angle]);                       // sin cos
            const Float4 y = Float4(Bits4(pick<0, 1, 0, 1>(hs, hs)) ^ NEGATE_HIGH); // hx hy -hx -hy
            const Float4 zu = pick<2, 2, 6, 7>(p, rr);                              // z z umax umin
            const Float4 vh = pick<0, 1, 4, 6>(rr, y); // vmax vmin hx -hx
            const Float4 g = pick<1, 3, 4, 4>(y, sc);  // hy -hy sin sin
            const Float4 k = pick<1, 1, 7, 7>(sc, p);  // cos cos colour colour
            const Float4 c0 = pick<0, 1, 4, 6>(p, zu); // x y z umax
            const Float4 c2 = pick<0, 2, 4, 5>(k, p);  // cos colour x y
            store4(v, c0);
            store4(v + 16, pick<0, 2, 4, 6>(vh, g)); // vmax hx hy sin
            store4(v + 32, c2);
            store4(v + 48, pick<0, 3, 4, 7>(zu, vh)); // z umin vmax -hx
            store4(v + 64, pick<0, 2, 4, 6>(g, k));   // hy sin cos colour
            store4(v + 80, c0);
            store4(v + 96, pick<1, 2, 5, 6>(vh, g)); // vmin hx -hy sin
            store4(v + 112, c2);
            store4(v + 128, pick<0, 3, 5, 7>(zu, vh)); // z umin vmin -hx
            store4(v + 144, pick<1, 2, 4, 6>(g, k));   // -hy sin cos colour
            v += 4 * sizeof(RotVertex);
        }
        q += batch.count;
    }
    return q;
}

uint32_t DxParticle::fillLine(LineVertex* const out) const {
    static_assert(sizeof(LineVertex) == 40 &&
                      offsetof(LineRecord, tail) == offsetof(LineRecord, head) + 12 &&
                      offsetof(LineRecord, headArgb) == offsetof(LineRecord, tail) + 12 &&
                      offsetof(LineRecord, tailArgb) == offsetof(LineRecord, headArgb) + 4,
                  "a line record's points and colours are read as chunks");
    RectCache<0, 2, 1, 3> rc; // umin umax vmin vmax
    unsigned char* v = reinterpret_cast<unsigned char*>(out);
    uint32_t q = 0;
    for (uint32_t b = 0; b < m_line.batchCount; ++b) {
        const Batch& batch = m_line.batches[b];
        const LineRecord* r = m_line.records.data() + batch.first;
        const LineRecord* const end = r + batch.count;
        for (; r != end; ++r) {
            // Vertex order: head (umin, vmin, +w), head (umax, vmin, -w), tail (umin, vmax,
            // +w), tail (umax, vmax, -w); each vertex x y z u v dx dy dz w colour.
            const Float4 rr = rc.get(r->texList, r->frame);
            const unsigned char* const base = reinterpret_cast<const unsigned char*>(r);
            const Float4 h = load4(base + offsetof(LineRecord, head));        // head x y z
            const Float4 t = load4(base + offsetof(LineRecord, tail));        // tail x y z
            const Float4 cols = load2(base + offsetof(LineRecord, headArgb)); // colours
            const Float4 d = h - t;                                           // dx dy dz
            const Float4 hw = {r->width * 0.5f, 0.0f, 0.0f, 0.0f};
            const Float4 w =
                Float4(Bits4(pick<0, 0, 4, 5>(hw, cols)) ^ NEGATE_SECOND); // w -w ch ct
            const Float4 zh = pick<2, 2, 4, 5>(h, rr);                     // hz hz umin umax
            const Float4 zt = pick<2, 2, 4, 5>(t, rr);                     // tz tz umin umax
            const Float4 vd = pick<2, 3, 4, 4>(rr, d);                     // vmin vmax dx dx
            store4(v, pick<0, 1, 4, 6>(h, zh));                            // hx hy hz umin
            store4(v + 16, pick<0, 2, 5, 6>(vd, d));                       // vmin dx dy dz
            store4(v + 32, pick<0, 2, 4, 5>(w, h));                        // w ch hx hy
            store4(v + 48, pick<0, 3, 4, 6>(zh, vd));                      // hz umax vmin dx
            store4(v + 64, pick<1, 2, 5, 6>(d, w));                        // dy dz -w ch
            store4(v + 80, pick<0, 1, 4, 6>(t, zt));                       // tx ty tz umin
            store4(v + 96, pick<1, 2, 5, 6>(vd, d));                       // vmax dx dy dz
            store4(v + 112, pick<0, 3, 4, 5>(w, t));                       // w ct tx ty
            store4(v + 128, pick<0, 3, 5, 6>(zt, vd));                     // tz umax vmax dx
            store4(v + 144, pick<1, 2, 5, 7>(d, w));                       // dy dz -w ct
            v += 4 * sizeof(LineVertex);
        }
        q += batch.count;
    }
    return q;
}

bool DxParticle::buildMesh(ModelEntry& e) {
    float f[4];
    frameRect(e.texList, e.frame, f);
    const float b = e.shapeFlag != 0 ? 0.5f : 0.0f;
    const uint32_t n = e.segments;
    const auto put = [&e](const uint32_t i, const float x, const float y, const float z,
                          const float u,
                          const float v) { e.vertices[i] = ModelVertex{x, y, z, u, v, e.argb}; };
    const auto ring = [](const uint32_t i, const uint32_t segs, float& c, float& s) {
        const RingTable& t = ringTable(segs);
        c = t.c[i];
        s = t.s[i];
    };
    switch (e.shape) {
    case 0: {
        put(0, 0.5f, 0.0f, 0.5f, f[0], f[1]);
        put(1, -0.5f, 0.0f, 0.5f, f[2], f[1]);
        put(2, 0.5f, 0.0f, -0.5f, f[0], f[3]);
        put(3, -0.5f, 0.0f, -0.5f, f[2], f[3]);
        const uint16_t idx[6] = {0, 1, 2, 3, 2, 1};
        for (int i = 0; i < 6; ++i) {
            e.indices[i] = idx[i];
        }
        e.vertexCount = 4;
        e.indexCount = 6;
        return true;
    }
    case 1: {
        const float pos[8][3] = {{0.5f, b + 0.5f, 0.0f}, {-0.5f, b + 0.5f, 0.0f},
                                 {0.5f, b - 0.5f, 0.0f}, {-0.5f, b - 0.5f, 0.0f},
                                 {0.0f, b + 0.5f, 0.5f}, {0.0f, b + 0.5f, -0.5f},
                                 {0.0f, b - 0.5f, 0.5f}, {0.0f, b - 0.5f, -0.5f}};
        const float uv[4][2] = {{f[0], f[1]}, {f[2], f[1]}, {f[0], f[3]}, {f[2], f[3]}};
        for (uint32_t i = 0; i < 8; ++i) {
            put(i, pos[i][0], pos[i][1], pos[i][2], uv[i % 4][0], uv[i % 4][1]);
        }
        const uint16_t idx[12] = {0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5};
        for (int i = 0; i < 12; ++i) {
            e.indices[i] = idx[i];
        }
        e.vertexCount = 8;
        e.indexCount = 12;
        return true;
    }
    case 2: {
        if (n == 0 || 2 * n + 2 > MODEL_VERTICES || 6 * n > MODEL_INDICES) {
            return false;
        }
        const float r = e.shapeParam;
        for (uint32_t i = 0; i <= n; ++i) {
            float c = 0.0f;
            float s = 0.0f;
            ring(i, n, c, s);
            const float u = f[0] + static_cast<float>(i) * (f[2] - f[0]) / static_cast<float>(n);
            put(2 * i, 0.5f * r * c, b + 0.5f, 0.5f * r * s, u, f[1]);
            put(2 * i + 1, 0.5f * c, b - 0.5f, 0.5f * s, u, f[3]);
        }
        for (uint32_t i = 0; i < n; ++i) {
            const uint16_t k = static_cast<uint16_t>(2 * i);
            const uint16_t idx[6] = {k,
                                     static_cast<uint16_t>(k + 1),
                                     static_cast<uint16_t>(k + 2),
                                     static_cast<uint16_t>(k + 3),
                                     static_cast<uint16_t>(k + 2),
                                     static_cast<uint16_t>(k + 1)};
            for (int j = 0; j < 6; ++j) {
                e.indices[6 * i + j] = idx[j];
            }
        }
        e.vertexCount = 2 * n + 2;
        e.indexCount = 6 * n;
        return true;
    }
    case 3: {
        if (n == 0 || 3 * n > MODEL_VERTICES) {
            return false;
        }
        const float du = (f[2] - f[0]) / static_cast<float>(n);
        for (uint32_t i = 0; i < n; ++i) {
            float c0 = 0.0f;
            float s0 = 0.0f;
            float c1 = 0.0f;
            float s1 = 0.0f;
            ring(i, n, c0, s0);
            ring(i + 1, n, c1, s1);
            put(3 * i, 0.0f, b + 0.5f, 0.0f, f[0] + (static_cast<float>(i) + 0.5f) * du, f[1]);
            put(3 * i + 1, 0.5f * c0, b - 0.5f, 0.5f * s0, f[0] + static_cast<float>(i) * du, f[3]);
            put(3 * i + 2, 0.5f * c1, b - 0.5f, 0.5f * s1, f[0] + static_cast<float>(i + 1) * du,
                f[3]);
            for (uint32_t j = 0; j < 3; ++j) {
                e.indices[3 * i + j] = static_cast<uint16_t>(3 * i + j);
            }
        }
        e.vertexCount = 3 * n;
        e.indexCount = 3 * n;
        return true;
    }
    default:
        return false;
    }
}
