// The game's own textured quads: screen sprites (CSPSprite2D, pixels), quads placed in the
// world (CSPSprite3D) and quads that always face the camera (CSPBillboard). Each keeps four
// 28-byte vertices (a triangle strip: 0 top-left, 1 bottom-left, 2 top-right, 3 bottom-right
// in texture terms) and rebuilds only what its dirty bits name. A screen sprite draws itself at
// once unless queued; a world sprite, or a queued one, goes through the render queue, where it
// is sorted with the transparent models by its depth, and must then live until the queue is
// cleared. Drawing goes through the game's sprite states (setSpriteRenderState,
// drawSpriteQuad). Main thread only.
#pragma once

#include "dorvanex/core/render/GameRender.h"
#include "zq/zq.h"

#include <cstdint>
#include <memory>

class ZqGlTexture;

class CSPSpriteBase {
public:
    enum DIRTY : uint32_t {
        DIRTY_COLOR = 1,
        DIRTY_UV = 2,
        DIRTY_GEOMETRY = 4,
        DIRTY_VISIBILITY = 8,
        DIRTY_WORLD = 16,
        DIRTY_ALL = 31,
    };
    enum BLEND : uint32_t { BLEND_ALPHA = 0, BLEND_ADD = 1 };
    static constexpr uint32_t NR_VERTICES = 4;
    static constexpr uint32_t DEFAULT_GROUP = 1;

    // vertices: a block of four the caller keeps alive, or null for one of the sprite's own.
    CSPSpriteBase(uint32_t kind, float width, float height, GameVertex* vertices);
    // A negative source width or height takes the quad's.
    CSPSpriteBase(uint32_t kind, ZqGlTexture* texture, float width, float height, float u, float v,
                  float sourceWidth, float sourceHeight, GameVertex* vertices);
    // A width or height of 0 takes the texture's (0 without a texture).
    CSPSpriteBase(uint32_t kind, ZqGlTexture* texture, float width, float height,
                  GameVertex* vertices);
    virtual ~CSPSpriteBase();
    CSPSpriteBase(const CSPSpriteBase&) = delete;
    CSPSpriteBase& operator=(const CSPSpriteBase&) = delete;

    // Rebuilds the vertices as needed; true when anything changed.
    virtual bool update() = 0;

    void setSize(float width, float height);
    void setCenter(float x, float y);
    void setCenterY(float y);
    // Colour components 0..255.
    void setColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    void setColor32(uint32_t argb);
    void setAlpha(uint8_t a);
    // Pixels of the texture; a negative value leaves its coordinates as they are.
    void setSourceRect(float x, float y, float width, float height);
    void setBlendMode(const uint32_t mode) { m_blendMode = mode; }
    void setQueued(const bool on) { m_queued = on; }
    void setZWrite(const bool on) { m_zWrite = on; }
    void setVisible(bool visible);
    void setDepth(const float depth) { m_depth = depth; }

    // Immediate (screen sprite, not queued) or through the render queue in group.
    void draw(uint32_t group);
    void draw() { draw(DEFAULT_GROUP); }

    uint32_t getKind() const { return m_kind; }
    uint32_t getBlendMode() const { return m_blendMode; }
    bool getZWrite() const { return m_zWrite; }
    bool isVisible() const { return m_visible; }
    bool isQueued() const { return m_queued; }
    const ZqGlTexture* getTexture() const { return m_pTexture; }
    const GameVertex* getVertices() const { return m_pVertices; }
    float getDepth() const { return m_depth; }
    float getWidth() const { return m_width; }
    float getHeight() const { return m_height; }
    uint32_t getDirty() const { return m_dirty; }

protected:
    // The quad's top-left corner relative to its centre point.
    float left() const { return -m_width * m_centerX; }
    float top() const { return -m_height * m_centerY; }
    // Answers whether any dirty bit was set, clearing them.
    bool takeDirty();

    float m_centerX = 0.5f;
    float m_centerY = 0.5f;
    float m_width = 0.0f;
    float m_height = 0.0f;
    GameVertex* m_pVertices = nullptr;
    ZqGlTexture* m_pTexture = nullptr;
    bool m_ownsVertices = false;
    bool m_visible = true;
    uint32_t m_dirty = DIRTY_ALL;
    float m_depth = 0.0f;
    uint32_t m_kind = VERTEX_KIND_SCREEN;
    uint32_t m_blendMode = BLEND_ALPHA;
    bool m_queued = false;
    bool m_zWrite = true;

private:
    void initVertices(GameVertex* vertices);

    std::unique_ptr<GameVertex[]> m_ownVertices;
};

class CSPSprite2D : public CSPSpriteBase {
public:
    CSPSprite2D(float width, float height, GameVertex* vertices = nullptr);
    CSPSprite2D(ZqGlTexture* texture, float width, float height, float u, float v,
                float sourceWidth, float sourceHeight, GameVertex* vertices = nullptr);
    CSPSprite2D(ZqGlTexture* texture, float width, float height, GameVertex* vertices = nullptr);

    // Pixels, with the 0.5 shift that puts texel centres on pixel centres.
    bool update() override;
    void setPosition(float x, float y);
    void setScale(float x, float y);
    // Radians.
    void setAngle(float angle);
    float getX() const { return m_x; }
    float getY() const { return m_y; }

private:
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    float m_angle = 0.0f;
    float m_sin = 0.0f;
    float m_cos = 1.0f;
};

class CSPSprite3D : public CSPSpriteBase {
public:
    CSPSprite3D(ZqGlTexture* texture, float width, float height, float u, float v,
                float sourceWidth, float sourceHeight, GameVertex* vertices = nullptr);

    // The depth from the current camera (when on), then the corners (y up) through the world
    // matrix.
    bool update() override;
    // For change: marks the world matrix dirty.
    ZqMatrix& getWorldMatrix() {
        m_dirty |= DIRTY_WORLD;
        return m_world;
    }
    const ZqMatrix& peekWorldMatrix() const { return m_world; }
    void setDepthUpdate(const bool on) { m_depthUpdate = on; }

protected:
    void updateDepth();
    // The four corners through m.
    void buildCorners(const ZqMatrix& m);

    ZqMatrix m_world = ZqMatrix::UNIT;
    bool m_depthUpdate = true;
};

class CSPBillboard : public CSPSprite3D {
public:
    using CSPSprite3D::CSPSprite3D;

    // Faces the current camera: rebuilt in every call while visible.
    bool update() override;

private:
    ZqMatrix m_billboard = ZqMatrix::UNIT;
};
