// ZqGlFog: the one scene-wide fog (colour, start and density) and its timed blends. A request
// carries a priority and is taken only when it is at least the priority of the last request
// taken, so a weaker request cannot cut into a stronger one; the fog then moves from where it
// is to the request over the given time. Each frame the fog in force goes to the current
// effect's "gvFogParams" and "gvFogColor"; the effects do the fogging.
// Not for: per-object fog. Depends on the frame time (ZqSystem) and the current effect.
#pragma once

class ZqVector4;

class ZqGlFog {
public:
    ZqGlFog() = default;
    ZqGlFog(float r, float g, float b, float a, float param0, float param1)
        : m_r(r), m_g(g), m_b(b), m_a(a), m_param0(param0), m_param1(param1) {}
    virtual ~ZqGlFog() = default;
    ZqGlFog(const ZqGlFog&) = default;
    ZqGlFog& operator=(const ZqGlFog&) = default;

    // Colour only: the fog start and density stay as they are now. Colours are 0..1; an ARGB
    // value gives its red, green and blue bytes / 255 and its alpha byte is not used. time is
    // in milliseconds; 0 or less applies the request at once.
    static void set(float r, float g, float b, unsigned int priority, float time);
    static void set(const ZqVector4& colour, unsigned int priority, float time);
    static void set(unsigned int argb, unsigned int priority, float time);
    // Colour, start and density.
    static void set(float r, float g, float b, float start, float density, unsigned int priority,
                    float time);
    static void set(const ZqVector4& colour, float start, float density, unsigned int priority,
                    float time);
    static void set(unsigned int argb, float start, float density, unsigned int priority,
                    float time);
    // Back to the default fog, whatever the priority of the last request; the given priority
    // becomes the threshold.
    static void setDefault(unsigned int priority, float time);

    // The fog in force: red, green, blue and an alpha of 1.0; its start and density.
    static ZqVector4 getColor();
    static float getStart();
    static float getDensity();

    // Called by ZqGlSystem: defaults at start-up; each frame the blend step and the effect
    // parameters.
    static void sysInit();
    static void sysMain();

private:
    // Takes a request whose target is already in m_fogNext.
    static void start(unsigned int priority, float time);
    static void setColourBody(float r, float g, float b, unsigned int priority, float time);
    static void setBody(float r, float g, float b, float start, float density,
                        unsigned int priority, float time);

    float m_r = 0.0f;
    float m_g = 0.0f;
    float m_b = 0.0f;
    float m_a = 0.0f;
    // Minus the fog start and minus the fog density.
    float m_param0 = 0.0f;
    float m_param1 = 0.0f;

    static ZqGlFog m_fogCurr;
    static ZqGlFog m_fogNext;
    static ZqGlFog m_fogPrev;
    static ZqGlFog m_fogDefault;
    static float m_leftTime;
    static float m_durationReciprocal;
    static unsigned int m_priority;
};
