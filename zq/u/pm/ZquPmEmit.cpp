#include "zq/u/pm/ZquPmEmit_internal.h"

#include <cmath>
#include <cstring>

namespace ZquPm {

namespace {

constexpr float DEG = 0.017453292f;

float u01() {
    return randFraction(10000);
}
float s11() {
    return randSignedFraction(10000);
}
float ang() {
    return randSignedFraction(31415);
}

} // namespace

ZqMatrix scaleRotation(const float sx, const float sy, const float sz, const float ax,
                       const float ay, const float az) {
    ZqMatrix m;
    m.setScale(sx, sy, sz);
    ZqMatrix r;
    m.mul(r.setRotY(ay));
    m.mul(r.setRotX(ax));
    m.mul(r.setRotZ(az));
    return m;
}

ZqMatrix emitterTransform(const EMITDATA& rec, const float f) {
    ZqMatrix m = scaleRotation(rec.size.x * f * 0.5f, rec.size.y * f * 0.5f, rec.size.z * f * 0.5f,
                               rec.rotation.x * DEG, rec.rotation.y * DEG, rec.rotation.z * DEG);
    m.setTrans(rec.position.x * f, rec.position.y * f, rec.position.z * f);
    return m;
}

ZqMatrix emitterTransform(const EMITDATA& rec, const float f, TransformCache& cache) {
    const float key[6] = {rec.size.x * f * 0.5f, rec.size.y * f * 0.5f, rec.size.z * f * 0.5f,
                          rec.rotation.x,        rec.rotation.y,        rec.rotation.z};
    if (!cache.valid || std::memcmp(key, cache.key, sizeof(key)) != 0) {
        cache.scaleRot = scaleRotation(key[0], key[1], key[2], rec.rotation.x * DEG,
                                       rec.rotation.y * DEG, rec.rotation.z * DEG);
        std::memcpy(cache.key, key, sizeof(key));
        cache.valid = true;
    }
    ZqMatrix m = cache.scaleRot;
    m.setTrans(rec.position.x * f, rec.position.y * f, rec.position.z * f);
    return m;
}

ZqVector3 spawnPoint(const EMITDATA& rec) {
    ZqVector3 p(0.0f, 0.0f, 0.0f);
    switch (rec.shape) {
    case 1: {
        const float u = u01();
        return rec.position * u + rec.position2 * (1.0f - u);
    }
    case 2: {
        const float t = ang();
        const float r = std::sqrt(u01());
        p.set(std::sin(t) * r, 0.0f, std::cos(t) * r);
        break;
    }
    case 3: {
        const float t = ang();
        p.set(std::sin(t), 0.0f, std::cos(t));
        break;
    }
    case 4: {
        const float a = s11();
        const float b = s11();
        p.set(a, 0.0f, b);
        break;
    }
    case 5: {
        const float a = s11();
        const float b = s11();
        const float c = s11();
        p.set(a, b, c);
        break;
    }
    case 6: {
        const float r = std::sqrt(u01());
        const float t = ang();
        const float s = s11();
        p.set(std::sin(t) * r, s, std::cos(t) * r);
        break;
    }
    case 7: {
        const float t = ang();
        const float s = s11();
        p.set(std::sin(t), s, std::cos(t));
        break;
    }
    case 8: {
        const float c = std::pow(u01(), 0.33333334f);
        const float s = s11();
        const float t = ang();
        const float q = std::sqrt(1.0f - s * s);
        p.set(std::sin(t) * q * c, s * c, std::cos(t) * q * c);
        break;
    }
    case 9: {
        const float s = s11();
        const float t = ang();
        const float q = std::sqrt(1.0f - s * s);
        p.set(std::sin(t) * q, s, std::cos(t) * q);
        break;
    }
    default:
        return rec.position;
    }
    return p.rotTrans(rec.transform);
}

void placeSpawn(const EmitContext& cx, ZqVector3& p, ZqVector3& b) {
    p = spawnPoint(cx.rec);
    b = cx.rec.position * cx.f;
    if (cx.rec.local != 0) {
        return;
    }
    if (!isMoving(cx.ep)) {
        p += cx.ep.position;
        b += cx.ep.position;
    } else {
        p.rotTrans(cx.ep.transform);
        b.rotTrans(cx.ep.transform);
    }
}

ZqVector3 startVelocity(const EmitContext& cx, const ZqVector3& part) {
    const float pct = static_cast<float>(cx.rec.effectVelocityPct) * 0.01f;
    return part + cx.ep.velocity * pct + cx.ep.motion2 * cx.rec.motion2Weight;
}

ZqVector3 startAcceleration(const EmitContext& cx) {
    ZqVector3 a1 = cx.rec.accelFrame;
    if (isMoving(cx.ep)) {
        a1.rotTrans(cx.ep.transform);
    }
    return a1 + cx.rec.accelPlain;
}

ZqVector3 axisSpread(const EMITDATA& rec) {
    const float z = randSpread(rec.spreadH);
    const float y = randSpread(rec.spreadV);
    const float x = randSpread(rec.spreadH);
    return ZqVector3(x, y, z);
}

} // namespace ZquPm
