// Screen-space drawing in pixels straight on the graphics device, for the font layer and the
// 2D lines: ZqGlScreenSprite batches textured, tinted rectangles; ZqGlScreenLine draws line
// strips with a width, a 32-step on/off pattern and optional antialiasing. Pixel centres lie
// on whole coordinates. Each saves the device states it changes when it begins and puts them
// back when it ends; the texture of stage 0 and the shaders are left unset (every effect pass
// sets its own).
// Not for: anything in world space or drawn through an effect.
// Depends on: the graphics device (zq/platform/gpu through ZqGlSystem).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class ZqVector2;
namespace zqp::gpu {
class Device;
class Texture;
class VertexDeclaration;
} // namespace zqp::gpu

// The render, sampler and stage states screen drawing changes, as they were before.
class ZqGlScreenStates {
public:
    void save(zqp::gpu::Device& device);
    void restore(zqp::gpu::Device& device) const;

private:
    std::vector<uint32_t> m_values;
    std::shared_ptr<zqp::gpu::VertexDeclaration> m_declaration;
};

class ZqGlScreenSprite {
public:
    // Flags of begin.
    static constexpr uint32_t ALPHABLEND = 0x10;
    static constexpr uint32_t SORT_TEXTURE = 0x80;

    // False when the device refuses the vertex layout.
    bool create();
    void release();

    // Starts a batch; false when there is no device or a batch is already open.
    bool begin(uint32_t flags);
    // Queues the texel rectangle (u, v, w, h) of a texture of texWidth by texHeight with its
    // top-left texel on pixel (x, y), tinted by argb. Outside a batch it is drawn at once.
    void draw(const std::shared_ptr<zqp::gpu::Texture>& texture, uint32_t texWidth,
              uint32_t texHeight, int32_t u, int32_t v, int32_t w, int32_t h, int32_t x, int32_t y,
              uint32_t argb);
    // Draws what is queued and ends the batch.
    void end();
    bool isBegun() const { return m_begun; }

    struct Vertex {
        float x, y, z, rhw;
        uint32_t color;
        float u, v;
    };

private:
    void flush(zqp::gpu::Device& device);

    std::shared_ptr<zqp::gpu::VertexDeclaration> m_declaration;
    bool m_begun = false;
    uint32_t m_flags = 0;
    ZqGlScreenStates m_saved;
    // Six vertices (two triangles) per queued rectangle, and each rectangle's texture.
    std::vector<Vertex> m_vertices;
    std::vector<std::shared_ptr<zqp::gpu::Texture>> m_textures;
};

class ZqGlScreenLine {
public:
    // False when the device refuses the vertex layout. The pattern's texture is made at the
    // first begin; when it cannot be made, nothing is drawn.
    bool create();
    void release();

    void setWidth(float width) { m_width = width; }
    // Bit i on: step i of the pattern is drawn; each step is `scale` pixels long.
    void setPattern(uint32_t bits);
    void setPatternScale(float scale) { m_patternScale = scale; }
    void setAntialias(bool on) { m_antialias = on; }
    float getWidth() const { return m_width; }
    uint32_t getPattern() const { return m_pattern; }
    float getPatternScale() const { return m_patternScale; }
    bool getAntialias() const { return m_antialias; }

    bool begin();
    // One strip through the points in pixels; outside begin/end it begins and ends itself.
    void draw(const ZqVector2* points, uint32_t count, uint32_t argb);
    void end();
    bool isBegun() const { return m_begun; }

private:
    bool makePatternTexture();
    bool uploadPattern();

    std::shared_ptr<zqp::gpu::VertexDeclaration> m_declaration;
    std::shared_ptr<zqp::gpu::Texture> m_patternTexture;
    bool m_patternDirty = true;
    bool m_begun = false;
    float m_width = 1.0f;
    uint32_t m_pattern = 0xFFFFFFFFu;
    float m_patternScale = 1.0f;
    bool m_antialias = false;
    ZqGlScreenStates m_saved;
    std::vector<ZqGlScreenSprite::Vertex> m_vertices;
};
