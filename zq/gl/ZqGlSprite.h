// ZqGlSprite: rectangles of textures on the screen, two ways. A sprite object is a texel
// rectangle of a texture made into a four-vertex primitive once (sprites of the same
// rectangle share it) and drawn many times inside a begin/end batch, at a position or with a
// matrix, through the batch's own camera. simpleDraw is the immediate way: one texel
// rectangle written in clip space into one shared quad and drawn at once with the default
// effect's "Tex2D", without touching the camera.
// Not for: text, lines, models. Depends on: ZqGlPrimitive, ZqGlTexture, ZqGlShader,
// ZqGlCamera, ZqGlSystem's render-target size. Drawing runs on the main thread inside the
// frame; creation and release hold the sprite pool's lock (and the texture pool's while the
// texture reference is taken).
#pragma once

#include "zq/gl/ZqGlSpriteQuad.h"
#include "zq/math/ZqMatrix.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>

class ZqGlCamera;
class ZqGlPrimitive;
class ZqGlShader;
class ZqGlTexture;

class ZqGlSprite : public ZqFixList<ZqGlSprite> {
public:
    static constexpr uint32_t POOL_SIZE = 1024;
    // The batch camera's depth range.
    static constexpr float CAMERA_NEAR = 64.0f;
    static constexpr float CAMERA_FAR = 65536.0f;

    // The pool, the shared quad "*sprite" and the batch camera; failing to make the quad or
    // the camera throws 1264.
    static void sysInit();
    static void sysQuit();
    // After a device reset: the batch camera's perspective and viewport for the game size.
    static void onResetDevice();

    // A sprite showing the texel rectangle (x, y, w, h) of a texture, holding one reference
    // to it; null for a null texture, a full pool or a quad that cannot be made.
    static ZqGlSprite* create(ZqGlTexture* texture, uint16_t x, uint16_t y, uint16_t w, uint16_t h);
    // Drops the quad and the texture and gives the sprite back; returns the pool's result.
    unsigned int release();

    // The batch: begin makes the batch camera current and starts a technique of an effect
    // (default: the default effect's "Tex"); draw puts this sprite at (x, y, z) or through a
    // model matrix; end closes the technique and makes the previous camera current again.
    static void begin(ZqGlShader* shader, unsigned int technique);
    static void begin();
    void draw(float x, float y, float z) const;
    void draw(const ZqMatrix& model) const;
    static void end();

    // Immediate draws of the texel rectangle (u, v, w, h) of a texture with its top-left
    // corner at pixel (x, y) of the render target: at its texel size, scaled to sw x sh
    // pixels, or also turned by the sine s and cosine c about the pivot (px, py) given in
    // texels of the rectangle (the pivot lands on (x, y); a positive s turns clockwise).
    static void simpleDraw(ZqGlTexture* texture, float x, float y, float z, uint16_t u, uint16_t v,
                           uint16_t w, uint16_t h);
    static void simpleDraw(ZqGlTexture* texture, float x, float y, float z, float sw, float sh,
                           uint16_t u, uint16_t v, uint16_t w, uint16_t h);
    static void simpleDraw(ZqGlTexture* texture, float x, float y, float z, float sw, float sh,
                           float px, float py, float s, float c, uint16_t u, uint16_t v, uint16_t w,
                           uint16_t h);

    ZqGlTexture* getTexture() const { return m_pTexture; }
    ZqGlPrimitive* getPrimitive() const { return m_pPrimitive; }

    // The batch camera; the frame points it at the screen.
    static inline ZqGlCamera* m_pCamera = nullptr;

private:
    friend class ZqFixList<ZqGlSprite>;

    ZqGlSprite() = default;
    ~ZqGlSprite() override = default;

    bool createBody(ZqGlTexture* texture, uint16_t x, uint16_t y, uint16_t w, uint16_t h);
    void drawWith(const ZqMatrix& model) const;
    // Writes the shared quad and draws it with the default effect's "Tex2D".
    static void drawQuad(ZqGlTexture* texture, const zq_sprite::Quad& quad);

    ZqGlPrimitive* m_pPrimitive = nullptr;
    ZqGlTexture* m_pTexture = nullptr;

    static inline ZqGlPrimitive* m_pSimplePrimitive = nullptr;
    static inline ZqGlCamera* m_pCameraBack = nullptr;
    static inline ZqMatrix m_mModelWorld = ZqMatrix(1.0f);
};
