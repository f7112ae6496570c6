#include "zq/dg/ZqDgBody.h"

#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqError.h"

ZqVector3 ZqDgBody::gravity(0.0f, -0.0980665f, 0.0f);
ZqVector3 ZqDgBody::wind(0.0f, 0.0f, 0.0f);

namespace {

// The links follow the joints in the one block, at the links' alignment.
size_t linksOffset(const uint32_t joints) {
    const size_t a = alignof(ZqDgBody::Link);
    return (joints * sizeof(ZqDgBody::Joint) + a - 1) / a * a;
}

} // namespace

ZqDgBody::~ZqDgBody() {
    quit();
}

bool ZqDgBody::initBody(const uint32_t joints, const uint32_t links, const float mu) {
    if (joints < 2 || joints > MAX_JOINTS || links > MAX_LINKS) {
        return false;
    }
    quit();
    const size_t offset = linksOffset(joints);
    const size_t size = offset + links * sizeof(Link);
    auto* const block = static_cast<uint8_t*>(zqCalloc(1, static_cast<unsigned int>(size)));
    if (block == nullptr) {
        throw ZqError::BODY_MEMORY;
    }
    m_pJoints = reinterpret_cast<Joint*>(block);
    m_pLinks = links != 0 ? reinterpret_cast<Link*>(block + offset) : nullptr;
    m_nrJoints = static_cast<uint16_t>(joints);
    m_nrLinks = static_cast<uint16_t>(links);
    m_mu = mu;
    return true;
}

bool ZqDgBody::init(const uint32_t joints, const uint32_t links, const ZqVector3* const positions,
                    const uint16_t* const pairs, const float k, const float attenuate,
                    const float mu) {
    if (!initBody(joints, links, mu)) {
        return false;
    }
    if (positions != nullptr) {
        for (uint32_t i = 0; i < joints; ++i) {
            initJoint(i, positions[i], attenuate);
        }
    }
    initLinksFrom(0, links, pairs, k);
    return true;
}

bool ZqDgBody::init(const ZqGlModel* const model, const ZqMatrix& matrix, const uint32_t extraLinks,
                    const uint16_t* const pairs, const float k, const float attenuate,
                    const float mu) {
    if (model == nullptr) {
        return false;
    }
    const uint32_t bones = model->getNrBones();
    if (bones < 2) {
        return false;
    }
    if (!initBody(bones, bones - 1 + extraLinks, mu)) {
        return false;
    }
    initJoints(*model, matrix, attenuate);
    initLinks(*model, k);
    initLinksFrom(bones - 1, extraLinks, pairs, k);
    return true;
}

bool ZqDgBody::init(const ZqGlModel* const model, const ZqMatrix& matrix, const float k,
                    const float attenuate, const float mu) {
    return init(model, matrix, 0, nullptr, k, attenuate, mu);
}

void ZqDgBody::quit() {
    ZqMemAlloc::deallocate(m_pJoints);
    m_pJoints = nullptr;
    m_pLinks = nullptr;
    m_nrJoints = 0;
    m_nrLinks = 0;
}

void ZqDgBody::initLinksFrom(const uint32_t first, const uint32_t count,
                             const uint16_t* const pairs, const float k) {
    for (uint32_t i = 0; i < count; ++i) {
        if (pairs != nullptr) {
            initLink(first + i, pairs[2 * i], pairs[2 * i + 1], k);
        } else {
            initLink(first + i, 0, 1, k);
        }
    }
}

void ZqDgBody::initJoints(const ZqGlModel& model, const ZqMatrix& matrix, const float attenuate) {
    for (uint32_t i = 0; i < m_nrJoints; ++i) {
        initJoint(i, ZqVector3().setFromMatrixPosition(model.getBoneBindMatrix(i)) * matrix,
                  attenuate);
    }
}

void ZqDgBody::initJoints(const ZqGlModel& model, const ZqMatrix& matrix) {
    for (uint32_t i = 0; i < m_nrJoints; ++i) {
        initJoint(i, ZqVector3().setFromMatrixPosition(model.getBoneBindMatrix(i)) * matrix,
                  m_pJoints[i].attenuate);
    }
}

void ZqDgBody::initLinks(const ZqGlModel& model, const float k) {
    uint32_t next = 0;
    for (uint32_t b = 0; b < m_nrJoints; ++b) {
        const int parent = model.getBoneParentNr(b);
        if (parent != -1) {
            initLink(next++, static_cast<uint32_t>(parent), b, k);
        }
    }
}

void ZqDgBody::initJoint(const uint32_t i, const ZqVector3& position, const float attenuate) {
    Joint& j = m_pJoints[i];
    j.position = position;
    j.oldPosition = position;
    j.velocity.setZero();
    j.attenuate = attenuate;
    j.mu = 1.0f;
}

void ZqDgBody::initLink(const uint32_t i, const uint32_t j0, const uint32_t j1, const float k) {
    setLinkJoints(i, j0, j1);
    m_pLinks[i].k = k;
}

void ZqDgBody::setLinkJoints(const uint32_t i, const uint32_t j0, const uint32_t j1) {
    Link& l = m_pLinks[i];
    l.joint0 = &m_pJoints[j0];
    l.joint1 = &m_pJoints[j1];
    l.length = l.joint0->position.distance(l.joint1->position);
}

void ZqDgBody::setJointAttenuates(const float a) {
    for (uint32_t i = 0; i < m_nrJoints; ++i) {
        m_pJoints[i].attenuate = a;
    }
}

void ZqDgBody::setLinkKs(const float k) {
    for (uint32_t i = 0; i < m_nrLinks; ++i) {
        m_pLinks[i].k = k;
    }
}

float ZqDgBody::linkVector(const Link& link, ZqVector3* const d) {
    *d = link.joint1->position - link.joint0->position;
    float len = zqSqrt(d->lengthSquared());
    if (len == 0.0f) {
        *d = link.joint1->oldPosition - link.joint0->oldPosition;
        len = zqSqrt(d->lengthSquared());
    }
    return len;
}

void ZqDgBody::resetLinkLength(const uint32_t i) {
    const Link& l = m_pLinks[i];
    ZqVector3 d;
    const float len = linkVector(l, &d);
    const float s = len != 0.0f ? l.length / len : 0.0f;
    l.joint1->position = l.joint0->position + d * s;
}

void ZqDgBody::resetLinksLength() {
    for (uint32_t i = 0; i < m_nrLinks; ++i) {
        if (m_pLinks[i].joint0 != nullptr) {
            resetLinkLength(i);
        }
    }
}

void ZqDgBody::calcLinkCenterPoint(const uint32_t i, ZqVector3* const out) const {
    const Link& l = m_pLinks[i];
    *out = (l.joint0->position + l.joint1->position) * 0.5f;
}

void ZqDgBody::calcJointsVelocities() {
    for (uint32_t i = 0; i < m_nrJoints; ++i) {
        Joint& j = m_pJoints[i];
        j.velocity = j.position - j.oldPosition;
        j.velocity += wind;
        j.velocity *= j.attenuate;
        if (j.mu != 1.0f) {
            j.velocity *= m_mu * j.mu;
            j.mu = 1.0f;
        }
        j.velocity += gravity;
        j.oldPosition = j.position;
    }
}

void ZqDgBody::moveJointsVelocities() {
    for (uint32_t i = 0; i < m_nrJoints; ++i) {
        m_pJoints[i].position += m_pJoints[i].velocity;
    }
}

// Gauss-Seidel style: each link moves its joints at once, so later links see the earlier
// corrections within the same pass.
void ZqDgBody::calcLinks() {
    for (uint32_t i = 0; i < m_nrLinks; ++i) {
        const Link& l = m_pLinks[i];
        if (l.joint0 == nullptr) {
            continue;
        }
        ZqVector3 d;
        const float len = linkVector(l, &d);
        if (len == 0.0f) {
            continue;
        }
        const ZqVector3 push = d * ((l.length - len) * l.k / len);
        l.joint0->position -= push;
        l.joint1->position += push;
    }
}

void ZqDgBody::drawLink(const uint32_t i, const uint32_t color) const {
    const Link& l = m_pLinks[i];
    if (l.joint0 == nullptr) {
        return;
    }
    ZqGlLine::m_color = color;
    ZqGlLine::draw(l.joint0->position, l.joint1->position);
}

void ZqDgBody::draw(const uint32_t color) const {
    for (uint32_t i = 0; i < m_nrLinks; ++i) {
        drawLink(i, color);
    }
}

void ZqDgBody::draw(const uint32_t color0, const uint32_t color1) const {
    for (uint32_t i = 0; i < m_nrLinks; ++i) {
        drawLink(i, (i & 1) == 0 ? color0 : color1);
    }
}

void ZqDgBody::draw(const uint32_t color0, const uint32_t color1, const uint32_t color2,
                    const uint32_t color3) const {
    for (uint32_t i = 0; i < m_nrLinks; ++i) {
        const uint32_t c = i == 0 ? color1 : (i == 4 ? color2 : (i == 8 ? color3 : color0));
        drawLink(i, c);
    }
}
