// ZqDgFigure: the base of the twenty geometric figures (point, line, ray, segment, plane,
// triangle, rectangle, polygon, half-space, tetrahedron, sphere, capsule, cylinder,
// cylindroid, cone, ellipsoid, axis-aligned box, oriented box, frustum, polyhedron).
// A figure carries its type number; a query between two figures of any classes (intersection,
// distance, squared distance, closest points) goes through the calling class's tables,
// indexed by the other figure's type, to the typed member that answers the pair. A pair that
// no class answers gives false, FLT_MAX or no output. Figures are plain values, copied freely,
// queried on any thread; drawing goes through ZqGlLine on the drawing thread.
// Depends on: zq/math, and ZqGlLine for the debug drawing.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"

#include <cfloat>
#include <cstdint>
#include <initializer_list>

class ZqDgFigure {
public:
    enum TYPE : uint32_t {
        POINT = 0,
        LINE = 1,
        RAY = 2,
        SEGMENT = 3,
        PLANE = 4,
        TRIANGLE = 5,
        RECTANGLE = 6,
        POLYGON = 7,
        HALFSPACE = 8,
        TETRAHEDRON = 9,
        SPHERE = 10,
        CAPSULE = 11,
        CYLINDER = 12,
        CYLINDROID = 13,
        CONE = 14,
        ELLIPSOID = 15,
        AXIS_ALIGNED_BOUNDING_BOX = 16,
        ORIENTED_BOUNDING_BOX = 17,
        FRUSTUM = 18,
        POLYHEDRON = 19,
    };
    static constexpr uint32_t NR_FIGURE_TYPES = 20;

    // The four queries of the dispatch tables.
    enum class Query { Intersect, Distance, DistanceSquared, ClosestPoint };

    ZqDgFigure(const ZqDgFigure&) = default;
    ZqDgFigure& operator=(const ZqDgFigure&) = default;
    virtual ~ZqDgFigure() = default;

    // The class's name ("Point", "AABB", ...), a constant text for the life of the library.
    virtual const char16_t* getFigureName() const = 0;
    // Validity: every value finite and within [min, max], or within +-limit, plus the class's
    // own rules (unit directions, positive sizes).
    virtual bool isFinite(float min, float max) const = 0;
    virtual bool isFinite(float limit) const = 0;
    // The rigid transform in place: points as p * m with the translation, directions by the
    // upper 3x3 without renormalising.
    virtual void vRotTrans(const ZqMatrix& m) {}
    // The point on this figure to onThis, the point on the other to onOther; nothing is
    // written for an unsupported pair.
    virtual void vClosestPoint(const ZqDgFigure& other, ZqVector3* onThis,
                               ZqVector3* onOther) const {}
    // Signed where solids are involved (negative when overlapping); FLT_MAX when unsupported.
    virtual float vDistance(const ZqDgFigure& other) const { return FLT_MAX; }
    virtual float vDistanceSquared(const ZqDgFigure& other) const { return FLT_MAX; }
    virtual bool vIntersect(const ZqDgFigure& other) const { return false; }
    // Debug lines through ZqGlLine in its current colour; withShadow draws them again flattened
    // onto y = 0 in opaque black, which stays set.
    virtual void draw(bool withShadow) const = 0;

    TYPE getFigureType() const { return m_type; }

    // The answers of an unsupported pair; the tables' entries for such pairs.
    bool intersect(const ZqDgFigure& other) const { return false; }
    float distance(const ZqDgFigure& other) const { return FLT_MAX; }
    float distanceSquared(const ZqDgFigure& other) const { return FLT_MAX; }
    void closestPoint(const ZqDgFigure& other, ZqVector3* onThis, ZqVector3* onOther) const {}

    // Table entries of pairs that the figure family defines but that are not built yet: they
    // answer as an unsupported pair until their tests exist.
    bool intersectNotYetBuilt(const ZqDgFigure& other) const;
    float distanceNotYetBuilt(const ZqDgFigure& other) const;
    void closestPointNotYetBuilt(const ZqDgFigure& other, ZqVector3* onThis,
                                 ZqVector3* onOther) const;

    // The shared tolerance of the pair tests that name it (initially 0.0001).
    static void setEpsilon(float eps) { epsilon = eps; }
    static float getEpsilon() { return epsilon; }
    static float epsilon;

    static void sysInit() {}

protected:
    explicit ZqDgFigure(const TYPE type) : m_type(type) {}

    // p with y = 0: the shadow copy of a drawing point on the ground plane.
    static ZqVector3 flat(const ZqVector3& p) { return ZqVector3(p.x, 0.0f, p.z); }
    // Sets opaque black, the colour of the shadow copies (left set afterwards).
    static void setShadowColor();
    // Draws nrLines lines given by pairs of indices into points with the two-point line
    // drawing, then with the shadow flag the shadow colour and the same lines flattened.
    static void drawIndexed(const ZqVector3* points, const uint8_t* pairs, uint32_t nrLines,
                            bool withShadow);

    TYPE m_type;
};

// The dispatch of one class with tables: each table holds one member pointer per other
// figure type; unsupported entries hold the base's answering members.
template <class F> struct ZqDgFigureTables {
    using IntersectEntry = bool (F::*)(const ZqDgFigure&) const;
    using DistanceEntry = float (F::*)(const ZqDgFigure&) const;
    using ClosestPointEntry = void (F::*)(const ZqDgFigure&, ZqVector3*, ZqVector3*) const;

    // Every entry answers as an unsupported pair until the class fills in its own.
    constexpr ZqDgFigureTables() {
        for (uint32_t i = 0; i < ZqDgFigure::NR_FIGURE_TYPES; ++i) {
            intersectFigureTab[i] = IntersectEntry(&ZqDgFigure::intersect);
            distanceFigureTab[i] = DistanceEntry(&ZqDgFigure::distance);
            distanceSquaredFigureTab[i] = DistanceEntry(&ZqDgFigure::distanceSquared);
            closestPointFigureTab[i] = ClosestPointEntry(&ZqDgFigure::closestPoint);
        }
    }
    // Marks the other type's entries of a pair whose tests are not built yet.
    constexpr void notYetBuiltIntersect(const uint32_t other) {
        intersectFigureTab[other] = IntersectEntry(&ZqDgFigure::intersectNotYetBuilt);
    }
    constexpr void notYetBuiltDistance(const uint32_t other) {
        distanceFigureTab[other] = DistanceEntry(&ZqDgFigure::distanceNotYetBuilt);
        distanceSquaredFigureTab[other] = DistanceEntry(&ZqDgFigure::distanceNotYetBuilt);
    }
    constexpr void notYetBuiltClosestPoint(const uint32_t other) {
        closestPointFigureTab[other] = ClosestPointEntry(&ZqDgFigure::closestPointNotYetBuilt);
    }

    IntersectEntry intersectFigureTab[ZqDgFigure::NR_FIGURE_TYPES];
    DistanceEntry distanceFigureTab[ZqDgFigure::NR_FIGURE_TYPES];
    DistanceEntry distanceSquaredFigureTab[ZqDgFigure::NR_FIGURE_TYPES];
    ClosestPointEntry closestPointFigureTab[ZqDgFigure::NR_FIGURE_TYPES];

    // One table look-up by the other figure's type and one call; no range check, every
    // figure carries a type below NR_FIGURE_TYPES.
    bool intersect(const F& self, const ZqDgFigure& other) const {
        return (self.*intersectFigureTab[other.getFigureType()])(other);
    }
    float distance(const F& self, const ZqDgFigure& other) const {
        return (self.*distanceFigureTab[other.getFigureType()])(other);
    }
    float distanceSquared(const F& self, const ZqDgFigure& other) const {
        return (self.*distanceSquaredFigureTab[other.getFigureType()])(other);
    }
    void closestPoint(const F& self, const ZqDgFigure& other, ZqVector3* onThis,
                      ZqVector3* onOther) const {
        (self.*closestPointFigureTab[other.getFigureType()])(other, onThis, onOther);
    }

    // True when the entry of that query and other type is a not-yet-built pair.
    bool isNotYetBuilt(const ZqDgFigure::Query q, const uint32_t other) const {
        switch (q) {
        case ZqDgFigure::Query::Intersect:
            return intersectFigureTab[other] == IntersectEntry(&ZqDgFigure::intersectNotYetBuilt);
        case ZqDgFigure::Query::Distance:
            return distanceFigureTab[other] == DistanceEntry(&ZqDgFigure::distanceNotYetBuilt);
        case ZqDgFigure::Query::DistanceSquared:
            return distanceSquaredFigureTab[other] ==
                   DistanceEntry(&ZqDgFigure::distanceNotYetBuilt);
        case ZqDgFigure::Query::ClosestPoint:
            return closestPointFigureTab[other] ==
                   ClosestPointEntry(&ZqDgFigure::closestPointNotYetBuilt);
        }
        return false;
    }
};
