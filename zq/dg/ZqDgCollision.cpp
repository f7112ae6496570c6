// ZqDgCollision: reading the collision data, parent frames, the figure list and the pool.
#include "zq/dg/ZqDgCollision.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgCollisionFormat.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgRectangle.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgTriangle.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

uint8_t ZqDgCollision::m_vFigureTypeConvTab[12] = {};

namespace {

// The largest magnitude a built figure may hold.
constexpr float FIGURE_LIMIT = 1.0e7f;

struct FileFree {
    void operator()(void* p) const { ZqMemAlloc::deallocate(p); }
};
using FileData = std::unique_ptr<void, FileFree>;

FileData loadCollisionFile(const char16_t* const fileName, uint32_t& size) {
    size = 0;
    if (fileName == nullptr) {
        return nullptr;
    }
    return FileData(ZqFile::load(fileName, zqcol::HEADER_SIZE, &size));
}

// What the chain walk learns of one record before anything is built.
struct Record {
    uint64_t start = 0;
    uint16_t kind = 0;
    uint16_t parent = zqcol::NO_PARENT;
    bool hasTransform = false;
    uint64_t transformAt = 0;
};

ZqVector3 point(const ZqByteReader& r, const uint64_t at) {
    float v[3] = {};
    for (uint32_t i = 0; i < 3; ++i) {
        r.f32(at + 4 * i, v[i]);
    }
    return ZqVector3(v[0], v[1], v[2]);
}

float number(const ZqByteReader& r, const uint64_t at) {
    float v = 0.0f;
    r.f32(at, v);
    return v;
}

// The figure of one record, its data at `at` (already checked to lie in the record).
std::unique_ptr<ZqDgFigure> makeFigure(const ZqByteReader& r, const uint16_t kind,
                                       const uint64_t at) {
    switch (kind) {
    case zqcol::KIND_POINT: {
        const ZqVector3 p = point(r, at);
        return std::make_unique<ZqDgPoint>(p.x, p.y, p.z);
    }
    case zqcol::KIND_SEGMENT:
        return std::make_unique<ZqDgSegment>(point(r, at), point(r, at + 12));
    case zqcol::KIND_RAY: {
        auto ray = std::make_unique<ZqDgRay>();
        ray->set(point(r, at), point(r, at + 12));
        return ray;
    }
    case zqcol::KIND_LINE: {
        auto line = std::make_unique<ZqDgLine>();
        const ZqVector3 p0 = point(r, at);
        line->set(p0, point(r, at + 12) - p0);
        return line;
    }
    case zqcol::KIND_PLANE:
        return std::make_unique<ZqDgPlane>(point(r, at), -number(r, at + 12));
    case zqcol::KIND_HALFSPACE:
        return std::make_unique<ZqDgHalfspace>(point(r, at), -number(r, at + 12));
    case zqcol::KIND_SPHERE:
        return std::make_unique<ZqDgSphere>(point(r, at), number(r, at + 12));
    case zqcol::KIND_AABB: {
        const ZqVector3 h = point(r, at + 12);
        const float halves[3] = {h.x, h.y, h.z};
        return std::make_unique<ZqDgAxisAlignedBoundingBox>(point(r, at), halves);
    }
    case zqcol::KIND_OBB: {
        // Rows 0 to 2 of the stored matrix are the axes, row 3 the centre; the half sizes
        // follow the 64 matrix bytes.
        ZqVector3 axes[3];
        for (uint32_t i = 0; i < 3; ++i) {
            axes[i] = point(r, at + 16 * i).normalize();
        }
        const ZqVector3 h = point(r, at + 64);
        const float halves[3] = {h.x, h.y, h.z};
        return std::make_unique<ZqDgOrientedBoundingBox>(point(r, at + 48), axes, halves);
    }
    case zqcol::KIND_TRIANGLE:
        return std::make_unique<ZqDgTriangle>(point(r, at), point(r, at + 12), point(r, at + 24));
    case zqcol::KIND_POLYGON: {
        uint32_t count = 0;
        r.u32(at, count);
        if (count > ZqDgPolygon::MAX_POINTS) {
            return std::make_unique<ZqDgPolygon>();
        }
        ZqVector3 points[ZqDgPolygon::MAX_POINTS];
        for (uint32_t i = 0; i < count; ++i) {
            points[i] = point(r, at + 4 + uint64_t{zqcol::POLYGON_POINT_BYTES} * i);
        }
        return std::make_unique<ZqDgPolygon>(count, points);
    }
    case zqcol::KIND_CAPSULE:
        return std::make_unique<ZqDgCapsule>(point(r, at), point(r, at + 12), number(r, at + 24));
    default:
        return nullptr;
    }
}

// The record's frame: the rotation of its quaternion with its position as the translation.
ZqMatrix transformOf(const ZqByteReader& r, const Record& rec) {
    ZqMatrix m = ZqMatrix::UNIT;
    if (rec.hasTransform) {
        const ZqVector3 q = point(r, rec.transformAt + zqcol::TRANSFORM_ROTATION);
        m.setFromQuat(q.x, q.y, q.z, number(r, rec.transformAt + zqcol::TRANSFORM_ROTATION + 12));
        const ZqVector3 p = point(r, rec.transformAt);
        m.setTrans(p.x, p.y, p.z);
    }
    return m;
}

// Checks the header and walks the record chain; false for anything malformed, including a
// figure or transform block that does not lie wholly inside its record.
bool readRecords(const ZqByteReader& r, std::vector<Record>& out) {
    const uint8_t* const magic = r.bytes(0, sizeof zqcol::MAGIC);
    uint32_t versionA = 0, versionB = 0, totalSize = 0, count = 0, first = 0;
    uint8_t one = 0, zero = 0;
    if (magic == nullptr || std::memcmp(magic, zqcol::MAGIC, sizeof zqcol::MAGIC) != 0 ||
        !r.u32(zqcol::OFFSET_VERSION_A, versionA) || versionA != zqcol::VERSION ||
        !r.u32(zqcol::OFFSET_VERSION_B, versionB) || versionB != zqcol::VERSION ||
        !r.u8(zqcol::OFFSET_FLAG_ONE, one) || one != 1 || !r.u8(zqcol::OFFSET_FLAG_ZERO, zero) ||
        zero != 0 || !r.u32(zqcol::OFFSET_TOTAL_SIZE, totalSize) || totalSize != r.size() ||
        !r.u32(zqcol::OFFSET_RECORD_COUNT, count) || count > zqcol::MAX_RECORDS ||
        !r.u32(zqcol::OFFSET_FIRST_RECORD, first)) {
        return false;
    }
    const uint64_t end = r.size();
    uint64_t start = first;
    out.clear();
    for (uint32_t k = 0; k < count; ++k) {
        uint16_t index = 0, flags = 0, kind = 0, parent = 0;
        uint32_t size = 0;
        if (end <= start + zqcol::RECORD_HEAD_SIZE || !r.u16(start + zqcol::RECORD_INDEX, index) ||
            index != k || !r.u16(start + zqcol::RECORD_FLAGS, flags) ||
            ((flags & zqcol::FLAG_LAST) != 0 && k + 1 != count) ||
            !r.u16(start + zqcol::RECORD_KIND, kind) || kind >= zqcol::NR_KINDS ||
            !r.u16(start + zqcol::RECORD_PARENT, parent) ||
            (parent != zqcol::NO_PARENT && parent >= count) ||
            !r.u32(start + zqcol::RECORD_SIZE, size) || start + size > end) {
            return false;
        }
        // The figure data, and the transform block after it, must lie inside the record.
        const uint64_t dataAt = start + zqcol::RECORD_HEAD_SIZE;
        uint64_t dataBytes = zqcol::KIND_DATA_BYTES[kind];
        if (kind == zqcol::KIND_POLYGON) {
            uint32_t points = 0;
            if (!r.u32(dataAt, points)) {
                return false;
            }
            dataBytes += uint64_t{points} * zqcol::POLYGON_POINT_BYTES;
        }
        Record rec;
        rec.start = start;
        rec.kind = kind;
        rec.parent = parent;
        rec.hasTransform = (flags & zqcol::FLAG_TRANSFORM) != 0;
        rec.transformAt = dataAt + dataBytes;
        const uint64_t used = rec.transformAt + (rec.hasTransform ? zqcol::TRANSFORM_SIZE : 0);
        if (used > start + size) {
            return false;
        }
        out.push_back(rec);
        start += size;
    }
    return true;
}

} // namespace

ZqDgCollision::~ZqDgCollision() = default;

void ZqDgCollision::sysInit() {
    static constexpr uint8_t TYPES[12] = {
        ZqDgFigure::POINT,
        ZqDgFigure::SEGMENT,
        ZqDgFigure::RAY,
        ZqDgFigure::LINE,
        ZqDgFigure::PLANE,
        ZqDgFigure::HALFSPACE,
        ZqDgFigure::SPHERE,
        ZqDgFigure::AXIS_ALIGNED_BOUNDING_BOX,
        ZqDgFigure::ORIENTED_BOUNDING_BOX,
        ZqDgFigure::TRIANGLE,
        ZqDgFigure::POLYGON,
        ZqDgFigure::CAPSULE,
    };
    std::memcpy(m_vFigureTypeConvTab, TYPES, sizeof TYPES);
    init(POOL_SIZE);
}

void ZqDgCollision::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        quit();
    }
}

ZqDgCollision* ZqDgCollision::create(const char16_t* const name, const void* const data,
                                     const unsigned int size) {
    if (zq_refname::length(name) == 0 || m_pCriticalSection == nullptr ||
        (data != nullptr && (size < zqcol::HEADER_SIZE || size > zqcol::MAX_DATA_SIZE))) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgCollision* const s = ZqRefList::create(name);
    if (s == nullptr || s->getRefCountBody() != 1) {
        return s;
    }
    if (!s->createBody(data, size)) {
        ZqRefList::release(s);
        return nullptr;
    }
    return s;
}

ZqDgCollision* ZqDgCollision::create(const char16_t* const name, const char16_t* const fileName) {
    if (zq_refname::length(name) == 0 || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqDgCollision* const s = ZqRefList::create(name);
    if (s == nullptr || s->getRefCountBody() != 1 || fileName == nullptr) {
        return s;
    }
    uint32_t size = 0;
    const FileData data = loadCollisionFile(fileName, size);
    if (data == nullptr || !s->createBody(data.get(), size)) {
        ZqRefList::release(s);
        return nullptr;
    }
    return s;
}

ZqDgCollision* ZqDgCollision::reload(const void* const data, const unsigned int size) {
    if (data == nullptr || m_pCriticalSection == nullptr || search(this) == nullptr) {
        return nullptr;
    }
    const std::u16string name = getName();
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        return nullptr;
    }
    // The new figures are built in an element of their own, so that refused data leaves this
    // set as it was.
    ZqDgCollision* const fresh = ZqRefList::createForce(name.c_str());
    if (fresh == nullptr) {
        return nullptr;
    }
    const bool ok = fresh->createBody(data, size);
    if (ok) {
        reloadBody(*fresh);
    }
    fresh->removeAllFigures();
    ZqRefList::release(fresh);
    return ok ? this : nullptr;
}

ZqDgCollision* ZqDgCollision::reload(const char16_t* const fileName) {
    if (fileName == nullptr || m_pCriticalSection == nullptr || search(this) == nullptr) {
        return nullptr;
    }
    uint32_t size = 0;
    FileData data;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        data = loadCollisionFile(fileName, size);
    }
    return data != nullptr ? reload(data.get(), size) : nullptr;
}

unsigned int ZqDgCollision::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    if (getRefCountBody() == 0) {
        releaseBody();
        return 0;
    }
    const unsigned int left = ZqRefList::release(this);
    if (left == 0) {
        releaseBody();
    }
    return left;
}

unsigned int ZqDgCollision::addFigure(ZqDgFigure* const figure) {
    m_figures.emplace_back(figure);
    return getNrFigures();
}

unsigned int ZqDgCollision::removeFigure(const unsigned int i) {
    m_figures.erase(m_figures.begin() + i);
    return getNrFigures();
}

void ZqDgCollision::removeAllFigures() {
    m_figures.clear();
}

void ZqDgCollision::draw() const {
    for (const auto& f : m_figures) {
        f->draw(false);
    }
}

void ZqDgCollision::draw(const unsigned int i) const {
    m_figures[i]->draw(false);
}

void ZqDgCollision::reloadBody(ZqDgCollision& other) {
    m_figures = std::move(other.m_figures);
    other.m_figures.clear();
}

bool ZqDgCollision::createBody(const void* const data, const uint32_t size) {
    removeAllFigures();
    if (data == nullptr) {
        return true;
    }
    const ZqByteReader r(data, size);
    std::vector<Record> records;
    if (!readRecords(r, records)) {
        return false;
    }
    try {
        for (const Record& rec : records) {
            std::unique_ptr<ZqDgFigure> f =
                makeFigure(r, rec.kind, rec.start + zqcol::RECORD_HEAD_SIZE);
            if (f == nullptr || f->getFigureType() != m_vFigureTypeConvTab[rec.kind]) {
                removeAllFigures();
                return false;
            }
            m_figures.push_back(std::move(f));
        }
    } catch (const std::bad_alloc&) {
        removeAllFigures();
        return false;
    }
    // A record's figure is given in the frame of its parent, which hangs in its own parent's
    // frame and so on up. A valid chain has fewer ancestors than there are records; a longer
    // one comes back on itself and is refused.
    const size_t count = records.size();
    for (size_t k = 0; k < count; ++k) {
        uint16_t p = records[k].parent;
        if (p != zqcol::NO_PARENT) {
            ZqMatrix m = transformOf(r, records[p]);
            size_t steps = 1;
            for (p = records[p].parent; p != zqcol::NO_PARENT; p = records[p].parent) {
                if (++steps >= count) {
                    removeAllFigures();
                    return false;
                }
                m.mul(transformOf(r, records[p]));
            }
            m_figures[k]->vRotTrans(m);
        }
        if (!m_figures[k]->isFinite(FIGURE_LIMIT)) {
            removeAllFigures();
            return false;
        }
    }
    return true;
}
