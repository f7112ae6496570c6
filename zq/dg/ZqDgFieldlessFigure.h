// The four figures without fields: ZqDgTetrahedron (type 9), ZqDgEllipsoid (15),
// ZqDgFrustum (18) and ZqDgPolyhedron (19). They carry their type and name only: never
// valid, no transform, no drawing, no pair tests.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgTetrahedron : public ZqDgFigure {
public:
    ZqDgTetrahedron() : ZqDgFigure(TETRAHEDRON) {}
    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override { return false; }
    bool isFinite(float limit) const override { return false; }
    void draw(bool withShadow) const override {}
};

class ZqDgEllipsoid : public ZqDgFigure {
public:
    ZqDgEllipsoid() : ZqDgFigure(ELLIPSOID) {}
    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override { return false; }
    bool isFinite(float limit) const override { return false; }
    void draw(bool withShadow) const override {}
};

class ZqDgFrustum : public ZqDgFigure {
public:
    ZqDgFrustum() : ZqDgFigure(FRUSTUM) {}
    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override { return false; }
    bool isFinite(float limit) const override { return false; }
    void draw(bool withShadow) const override {}
};

class ZqDgPolyhedron : public ZqDgFigure {
public:
    ZqDgPolyhedron() : ZqDgFigure(POLYHEDRON) {}
    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override { return false; }
    bool isFinite(float limit) const override { return false; }
    void draw(bool withShadow) const override {}
};
