// ZqGlLight: up to four lights and one ambient colour, written into the standard light
// parameters every effect shares: one row per light slot in four 4x4 matrices (colours,
// view-space directions, view-space positions, attenuations) and the ambient colour. Slot i is
// the i-th live light, newest first. A default directional light exists from start-up.
// Not for: shading (the effects read the parameters as they like).
// Depends on: ZqFixList, the current effect (ZqGlShader) and the current camera's view.
#pragma once

#include "zq/math/ZqVector4.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>

class ZqVector3;

class ZqGlLight : public ZqFixList<ZqGlLight> {
public:
    // 0 directional; any other value positional.
    enum TYPE : uint32_t { TYPE_DIRECTIONAL = 0, TYPE_POSITIONAL = 1 };
    static constexpr uint32_t POOL_SIZE = 4;
    static constexpr uint32_t NR_SLOTS = 4;

    // A light of the colour, enabled, attenuation (1, 0, 0, 0), pointing down (directional)
    // or at the origin (positional); every light parameter is written. Null when the pool is
    // full.
    static ZqGlLight* create(uint32_t type, float r, float g, float b, float a);
    static ZqGlLight* create(uint32_t type, const ZqVector4& color);
    // Colour as A8R8G8B8, each byte / 255.
    static ZqGlLight* create(uint32_t type, uint32_t argb);
    // The colour becomes black and is written, then the light goes back to the pool;
    // returns 0.
    unsigned int release();

    void setColor(float r, float g, float b, float a);
    void setColor(const ZqVector4& color);
    void setColor(uint32_t argb);
    // Normalised, w = 0.
    void setDir(float x, float y, float z);
    void setDir(const ZqVector3& dir);
    void setDir(const ZqVector4& dir);
    // w = 1, also for a ZqVector4.
    void setPos(float x, float y, float z);
    void setPos(const ZqVector3& pos);
    void setPos(const ZqVector4& pos);
    // (a0, a1, a2, 0), or the four as given.
    void setAttenutation(float a0, float a1, float a2);
    void setAttenutation(const ZqVector4& attenuation);
    // Takes effect when the colours and attenuations are next written (every frame).
    void setEnable(bool on) { m_enable = on; }

    static void setAmbient(float r, float g, float b, float a);
    static void setAmbient(const ZqVector4& color);
    static void setAmbient(uint32_t argb);

    uint32_t getType() const { return m_type; }
    bool getEnable() const { return m_enable; }
    const ZqVector4& getColor() const { return m_color; }
    const ZqVector4& getDir() const { return m_dir; }
    const ZqVector4& getPos() const { return m_pos; }
    const ZqVector4& getAttenutation() const { return m_attenuation; }
    static const ZqVector4& getAmbient() { return m_ambientColor; }
    static ZqGlLight* getDefaultLight() { return m_pDefaultLight; }

    // The light parameters of the current effect: colours and attenuations of the enabled
    // lights (zero rows otherwise); directions and positions through the current camera's
    // view, (1, 0, 0, 0) in empty slots.
    static void setColorParam();
    static void setAttenutationParam();
    static void setDirPosParam();

    // Pool of 4, the default light (throws 1360 when it cannot be made) and the ambient colour.
    static void sysInit();
    static void sysQuit();

    ZqGlLight() = default;

private:
    static ZqGlLight* createBody(uint32_t type, const ZqVector4& color);
    static void setAmbientParam();

    bool m_enable = false;
    uint32_t m_type = TYPE_DIRECTIONAL;
    ZqVector4 m_color{0.0f, 0.0f, 0.0f, 0.0f};
    ZqVector4 m_dir{0.0f, -1.0f, 0.0f, 0.0f};
    ZqVector4 m_pos{0.0f, 0.0f, 0.0f, 1.0f};
    ZqVector4 m_attenuation{1.0f, 0.0f, 0.0f, 0.0f};

    static ZqGlLight* m_pDefaultLight;
    static ZqVector4 m_ambientColor;
};
