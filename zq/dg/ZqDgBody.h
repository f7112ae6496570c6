// ZqDgBody: point masses (joints) joined by springs (links), integrated Verlet style under a
// class-wide gravity and wind. The common base of the cloth simulator and the rigid body; it is
// never made on its own (the building members are for those classes). A body comes from given
// joint positions and link pairs, or from a model's skeleton: one joint per bone, one link per
// bone-to-parent connection. A step is moveJointsVelocities, the owner's constraint work
// (calcLinks passes, collisions), then calcJointsVelocities.
// Not for: threads (main thread only; gravity and wind are unguarded).
// Depends on: zq/math, ZqGlModel's skeleton for the model form, ZqGlLine for draw.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"

#include <cstdint>

class ZqGlModel;

class ZqDgBody {
public:
    static constexpr uint32_t MAX_JOINTS = 511;
    static constexpr uint32_t MAX_LINKS = 1023;

    struct Joint {
        ZqVector3 position;
        ZqVector3 oldPosition;
        // Displacement per step.
        ZqVector3 velocity;
        // Damping applied to the velocity every step (1 keeps all of it).
        float attenuate;
        // One-shot friction factor; 1 is none, set back to 1 once applied.
        float mu;
    };

    struct Link {
        // Null in a slot no link was made for (a skeleton with several roots).
        Joint* joint0;
        Joint* joint1;
        float length;
        float k;
    };

    virtual ~ZqDgBody();

    // Indices below are not checked: callers keep them below the counts.
    void initJoints(const ZqGlModel& model, const ZqMatrix& matrix, float attenuate);
    void initJoints(const ZqGlModel& model, const ZqMatrix& matrix);
    void initLinks(const ZqGlModel& model, float k);
    void initJoint(uint32_t i, const ZqVector3& position, float attenuate);
    void initLink(uint32_t i, uint32_t j0, uint32_t j1, float k);
    void setLinkJoints(uint32_t i, uint32_t j0, uint32_t j1);

    uint32_t getNrJoints() const { return m_nrJoints; }
    uint32_t getNrLinks() const { return m_nrLinks; }

    ZqVector3& getJointPos(const uint32_t i) { return m_pJoints[i].position; }
    const ZqVector3& getJointPos(const uint32_t i) const { return m_pJoints[i].position; }
    void setJointPos(const uint32_t i, const ZqVector3& v) { m_pJoints[i].position = v; }
    ZqVector3& getJointOldPos(const uint32_t i) { return m_pJoints[i].oldPosition; }
    void setJointOldPos(const uint32_t i, const ZqVector3& v) { m_pJoints[i].oldPosition = v; }
    ZqVector3& getJointVelocity(const uint32_t i) { return m_pJoints[i].velocity; }
    void setJointVelocity(const uint32_t i, const ZqVector3& v) { m_pJoints[i].velocity = v; }
    float getJointAttenuate(const uint32_t i) const { return m_pJoints[i].attenuate; }
    void setJointAttenuate(const uint32_t i, const float a) { m_pJoints[i].attenuate = a; }
    void setJointAttenuates(float a);
    float getJointMu(const uint32_t i) const { return m_pJoints[i].mu; }
    void setJointMu(const uint32_t i, const float m) { m_pJoints[i].mu = m; }

    ZqVector3& getLinkJoint0Pos(const uint32_t i) { return m_pLinks[i].joint0->position; }
    ZqVector3& getLinkJoint1Pos(const uint32_t i) { return m_pLinks[i].joint1->position; }
    void setLinkJoint0Pos(const uint32_t i, const ZqVector3& v) {
        m_pLinks[i].joint0->position = v;
    }
    void setLinkJoint1Pos(const uint32_t i, const ZqVector3& v) {
        m_pLinks[i].joint1->position = v;
    }
    void setLinkJoint0Mu(const uint32_t i, const float m) { m_pLinks[i].joint0->mu = m; }
    void setLinkJoint1Mu(const uint32_t i, const float m) { m_pLinks[i].joint1->mu = m; }
    float getLinkK(const uint32_t i) const { return m_pLinks[i].k; }
    void setLinkK(const uint32_t i, const float k) { m_pLinks[i].k = k; }
    void setLinkKs(float k);
    // The rest length.
    float getLinkLength(const uint32_t i) const { return m_pLinks[i].length; }
    // Moves joint 1 of the link (of every made link, in order) back to the rest length from
    // joint 0.
    void resetLinkLength(uint32_t i);
    void resetLinksLength();
    void calcLinkCenterPoint(uint32_t i, ZqVector3* out) const;

    // The integration steps: velocities from the last move (wind, damping, friction,
    // gravity), positions moved by the velocities, and one relaxation pass over the links.
    void calcJointsVelocities();
    void moveJointsVelocities();
    void calcLinks();

    float getMu() const { return m_mu; }
    void setMu(const float m) { m_mu = m; }

    // Gravity = g x 0.01 per step; wind is added unscaled.
    static void setGravity(const ZqVector3& g) { gravity = g * 0.01f; }
    static void setWind(const ZqVector3& w) { wind = w; }
    static ZqVector3 gravity;
    static ZqVector3 wind;

    // Every link as a line between its joints: in one colour; even links in color0 and odd
    // ones in color1; links 0, 4 and 8 in color1, color2 and color3 and the others in color0.
    void draw(uint32_t color) const;
    void draw(uint32_t color0, uint32_t color1) const;
    void draw(uint32_t color0, uint32_t color1, uint32_t color2, uint32_t color3) const;

    ZqDgBody(const ZqDgBody&) = delete;
    ZqDgBody& operator=(const ZqDgBody&) = delete;

protected:
    ZqDgBody() = default;

    // False for joints outside 2..511 or more than 1023 links; throws 512 when the block
    // cannot be allocated.
    bool initBody(uint32_t joints, uint32_t links, float mu);
    // Joints from positions (all zero when null), link i joining the joints of pairs[2i] and
    // pairs[2i + 1] (joints 0 and 1 when pairs is null) at their present distance.
    bool init(uint32_t joints, uint32_t links, const ZqVector3* positions, const uint16_t* pairs,
              float k, float attenuate, float mu);
    // One joint per bone, one link per bone with a parent, then extraLinks links from pairs.
    // False for a null model.
    bool init(const ZqGlModel* model, const ZqMatrix& matrix, uint32_t extraLinks,
              const uint16_t* pairs, float k, float attenuate, float mu);
    bool init(const ZqGlModel* model, const ZqMatrix& matrix, float k, float attenuate, float mu);
    // Frees the block.
    void quit();

private:
    // The link's direction and length, from the old positions when the joints coincide.
    static float linkVector(const Link& link, ZqVector3* d);
    void initLinksFrom(uint32_t first, uint32_t count, const uint16_t* pairs, float k);
    void drawLink(uint32_t i, uint32_t color) const;

    uint16_t m_nrJoints = 0;
    uint16_t m_nrLinks = 0;
    float m_mu = 0.0f;
    Joint* m_pJoints = nullptr;
    Link* m_pLinks = nullptr;
};
