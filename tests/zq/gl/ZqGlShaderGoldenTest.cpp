// The default effect's twelve techniques drawn by the running framework, one quad each: the
// plain ones through the model-view palette and the view-projection, the "2D" ones in clip
// space. Each quad has a vertex colour, the 2x2 texture red, green, blue, white on "gTex0", the
// render-state block's diffuse colour, and fog half-way to blue. Pixels are checked against
// what each technique computes, and the whole picture against its golden image.
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlEffect.h"
#include "zq/gl/ZqGlFog.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace gpu = zqp::gpu;
using zqtest::Image;

namespace {

constexpr uint16_t W = 192;
constexpr uint16_t H = 192;
constexpr uint32_t CELL_W = 64;
constexpr uint32_t CELL_H = 48;
constexpr uint32_t INSET = 4;

struct Vertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};

const gpu::VertexElement DECL[] = {{0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
                                   {0, 12, gpu::DECLTYPE_D3DCOLOR, 0, gpu::DECLUSAGE_COLOR, 0},
                                   {0, 16, gpu::DECLTYPE_FLOAT2, 0, gpu::DECLUSAGE_TEXCOORD, 0},
                                   gpu::declEnd()};

struct Rgb {
    float r, g, b;
};

constexpr uint32_t VERTEX_COLOUR = 0xFFFF80FFu;
constexpr Rgb VERTEX{1.0f, 128.0f / 255.0f, 1.0f};
constexpr Rgb DIFFUSE{1.0f, 1.0f, 0.5f};
constexpr Rgb FOG{0.0f, 0.0f, 1.0f};
constexpr float FOG_AMOUNT = 0.5f;
constexpr uint32_t TEXELS[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};

// Cells: a row for each of plain, plain with fog, 2D, 2D with fog; columns diffuse, texture,
// both. Technique t sits in row t / 3, column t % 3.
void cellOrigin(const unsigned int technique, uint32_t& x, uint32_t& y) {
    x = (technique % 3) * CELL_W;
    y = (technique / 3) * CELL_H;
}

// What technique t makes of texel T: colour from the vertex ("Diffuse"), texture 0 ("Tex"),
// always the block's diffuse colour, then fog.
Rgb expected(const unsigned int t, const Rgb& texel) {
    const unsigned int kind = t % 3; // 0 diffuse, 1 texture, 2 both
    const bool fog = t % 6 >= 3;
    Rgb c = DIFFUSE;
    if (kind != 1) {
        c = {c.r * VERTEX.r, c.g * VERTEX.g, c.b * VERTEX.b};
    }
    if (kind != 0) {
        c = {c.r * texel.r, c.g * texel.g, c.b * texel.b};
    }
    if (fog) {
        c = {c.r + (FOG.r - c.r) * FOG_AMOUNT, c.g + (FOG.g - c.g) * FOG_AMOUNT,
             c.b + (FOG.b - c.b) * FOG_AMOUNT};
    }
    return c;
}

void expectPixel(const Image& img, const uint32_t x, const uint32_t y, const Rgb& c,
                 const unsigned int technique) {
    const uint32_t p = img.at(x, y);
    const auto byte = [](const float f) { return std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f); };
    EXPECT_NEAR(static_cast<long>(p >> 16 & 0xFF), byte(c.r), 2) << "technique " << technique;
    EXPECT_NEAR(static_cast<long>(p >> 8 & 0xFF), byte(c.g), 2) << "technique " << technique;
    EXPECT_NEAR(static_cast<long>(p & 0xFF), byte(c.b), 2) << "technique " << technique;
}

class Scene {
public:
    bool prepare() {
        gpu::Device& d = *ZqGlSystem::getD3dDevice();
        if (d.createVertexDeclaration(DECL, m_decl) != gpu::Result::Ok ||
            d.createTexture(2, 2, 1, 0, gpu::Format::A8R8G8B8, gpu::Pool::Managed, m_texture) !=
                gpu::Result::Ok) {
            return false;
        }
        gpu::LockedRect locked;
        if (m_texture->lockRect(0, locked, nullptr, 0) != gpu::Result::Ok) {
            return false;
        }
        for (int row = 0; row < 2; ++row) {
            auto* const line = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.bits) +
                                                           row * locked.pitch);
            line[0] = TEXELS[row * 2];
            line[1] = TEXELS[row * 2 + 1];
        }
        m_texture->unlockRect(0);
        return true;
    }

    void draw() {
        gpu::Device& d = *ZqGlSystem::getD3dDevice();
        ZqGlShader* const fx = ZqGlShader::getDefaultShader();
        // Textures are not made by the texture class here, so the device texture goes to the
        // effect's "gTex0" directly.
        ZqGlEffect* const effect = fx->getEffect();
        effect->params().setTexture(effect->findParam("gTex0"), m_texture);
        ZqGlState::getCurrent()->setDiffuse(DIFFUSE.r, DIFFUSE.g, DIFFUSE.b, 1.0f);
        ZqGlState::setTextureMagFilter(0, ZqGlState::TEXFILTER_POINT);
        ZqGlState::setTextureMinFilter(0, ZqGlState::TEXFILTER_POINT);
        // Edge pixels sample at v = 0 exactly; clamped, they cannot wrap to the far row.
        ZqGlState::setTextureAddressingU(0, ZqGlState::TEXADDR_CLAMP);
        ZqGlState::setTextureAddressingV(0, ZqGlState::TEXADDR_CLAMP);
        // View space to clip space: x and y as they are, depth = -z.
        ZqMatrix proj;
        proj.setScale(1.0f, 1.0f, -1.0f, 1.0f);
        fx->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, proj);
        // The frame's camera looks down +z; here view space is world space.
        ZqGlCamera::getCurrent()->setWorldViewMatrix(ZqMatrix::UNIT);
        ZqMatrix model;
        model.setIdentity();
        model.setTrans(0.0f, 0.0f, -0.5f);
        fx->setParamModelViewMatrix(model);

        for (unsigned int t = 0; t < 12; ++t) {
            uint32_t cx = 0;
            uint32_t cy = 0;
            cellOrigin(t, cx, cy);
            const float x0 = static_cast<float>(cx + INSET) / W * 2.0f - 1.0f;
            const float x1 = static_cast<float>(cx + CELL_W - INSET) / W * 2.0f - 1.0f;
            const float y0 = 1.0f - static_cast<float>(cy + INSET) / H * 2.0f;
            const float y1 = 1.0f - static_cast<float>(cy + CELL_H - INSET) / H * 2.0f;
            // 2D quads are in clip space, where depth 0.5 is also their fog distance; the
            // plain ones at view depth 0.5 come out the same.
            const float z = t >= 6 ? 0.5f : 0.0f;
            const Vertex v[4] = {{x0, y0, z, VERTEX_COLOUR, 0, 0},
                                 {x0, y1, z, VERTEX_COLOUR, 0, 1},
                                 {x1, y0, z, VERTEX_COLOUR, 1, 0},
                                 {x1, y1, z, VERTEX_COLOUR, 1, 1}};
            ASSERT_TRUE(fx->setTechnique(t));
            ASSERT_EQ(fx->beginTechnique(), 1u);
            ASSERT_TRUE(fx->beginPass(0));
            d.setVertexDeclaration(m_decl.get());
            EXPECT_EQ(d.drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, v, sizeof v[0]),
                      gpu::Result::Ok);
            fx->endPass();
            fx->endTechnique();
        }
        m_picture = zqtest::readRenderTarget(d);
    }

    Image m_picture;

private:
    std::shared_ptr<gpu::VertexDeclaration> m_decl;
    std::shared_ptr<gpu::Texture> m_texture;
};

Rgb rgbOf(const uint32_t argb) {
    return {static_cast<float>(argb >> 16 & 0xFF) / 255.0f,
            static_cast<float>(argb >> 8 & 0xFF) / 255.0f,
            static_cast<float>(argb & 0xFF) / 255.0f};
}

TEST(ZqGlShaderGolden, EachDefaultTechniqueDrawsWhatItsNameSays) {
    zqtest::ScriptTask root;
    Scene scene;
    bool prepared = false;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            prepared = scene.prepare();
            // Fog amount = (distance - start) x -density: start 0 and density -1 give 0.5 at
            // distance 0.5.
            ZqGlFog::set(FOG.r, FOG.g, FOG.b, 0.0f, -1.0f, 0, 0.0f);
            return prepared;
        }
        return false;
    };
    root.onDraw = [&] {
        if (prepared) {
            scene.draw();
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    ASSERT_TRUE(prepared);
    const Image& img = scene.m_picture;
    ASSERT_EQ(img.width, W);
    ASSERT_EQ(img.height, H);

    for (unsigned int t = 0; t < 12; ++t) {
        uint32_t cx = 0;
        uint32_t cy = 0;
        cellOrigin(t, cx, cy);
        const uint32_t w = CELL_W - 2 * INSET;
        const uint32_t h = CELL_H - 2 * INSET;
        // A point inside each texel's quarter of the quad.
        for (int texel = 0; texel < 4; ++texel) {
            const uint32_t x = cx + INSET + w / 4 + (texel % 2) * w / 2;
            const uint32_t y = cy + INSET + h / 4 + (texel / 2) * h / 2;
            expectPixel(img, x, y, expected(t, rgbOf(TEXELS[texel])), t);
        }
        // Outside the quad: the frame's clear colour.
        EXPECT_EQ(img.at(cx + 1, cy + 1) & 0xFFFFFFu, 0u) << "technique " << t;
    }
    EXPECT_TRUE(zqtest::matchesGolden(img, "gl/default_techniques.png", 2, 0));
}

// Vertex blending in the plain techniques: with one weight switched on, palette entry
// inBlendIndices.y takes the weight and entry inBlendIndices.x what is left.
struct BlendVertex {
    float x, y, z;
    float weight;
    uint8_t indices[4];
};

const gpu::VertexElement BLEND_DECL[] = {
    {0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
    {0, 12, gpu::DECLTYPE_FLOAT1, 0, gpu::DECLUSAGE_BLENDWEIGHT, 0},
    {0, 16, gpu::DECLTYPE_UBYTE4, 0, gpu::DECLUSAGE_BLENDINDICES, 0},
    gpu::declEnd()};

TEST(ZqGlShaderGolden, ThePaletteBlendsByTheVertexWeights) {
    zqtest::ScriptTask root;
    Image img;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        gpu::Device& d = *ZqGlSystem::getD3dDevice();
        std::shared_ptr<gpu::VertexDeclaration> decl;
        ASSERT_EQ(d.createVertexDeclaration(BLEND_DECL, decl), gpu::Result::Ok);
        ZqGlShader* const fx = ZqGlShader::getDefaultShader();
        ZqMatrix proj;
        proj.setScale(1.0f, 1.0f, -1.0f, 1.0f);
        fx->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, proj);
        // The frame's camera looks down +z; here view space is world space.
        ZqGlCamera::getCurrent()->setWorldViewMatrix(ZqMatrix::UNIT);
        // Entries 2 and 3 move left and right; entry 0 would throw the quads out of sight.
        ZqMatrix palette[4];
        for (int i = 0; i < 4; ++i) {
            palette[i].setIdentity();
        }
        palette[0].setTrans(0.0f, 5.0f, -0.5f);
        palette[2].setTrans(-0.5f, 0.0f, -0.5f);
        palette[3].setTrans(0.5f, 0.0f, -0.5f);
        fx->setParamModelViewMatrixArray(palette, 4);
        const float flags[3] = {1.0f, 0.0f, 0.0f};
        fx->setParamFloatArray(ZqGlShader::PARAM_VERTEX_BLEND_FLAGS, flags, 3);
        ZqGlState::getCurrent()->setCullMode(ZqGlState::CULLMODE_NONE);
        ASSERT_TRUE(fx->setTechnique(ZqGlShader::TECHNIQUE_DIFFUSE));
        fx->beginTechnique();
        fx->beginPass(0);
        d.setVertexDeclaration(decl.get());
        // Weight 0 (all on entry 2), 1 (all on entry 3) and 0.5 (half-way), one row each.
        const float weights[3] = {0.0f, 1.0f, 0.5f};
        for (int q = 0; q < 3; ++q) {
            const float y = 0.5f - 0.5f * static_cast<float>(q);
            const float w = weights[q];
            const BlendVertex v[4] = {{-0.1f, y + 0.1f, 0, w, {2, 3, 0, 0}},
                                      {-0.1f, y - 0.1f, 0, w, {2, 3, 0, 0}},
                                      {0.1f, y + 0.1f, 0, w, {2, 3, 0, 0}},
                                      {0.1f, y - 0.1f, 0, w, {2, 3, 0, 0}}};
            EXPECT_EQ(d.drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, v, sizeof v[0]),
                      gpu::Result::Ok);
        }
        fx->endPass();
        fx->endTechnique();
        img = zqtest::readRenderTarget(d);
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    ASSERT_EQ(img.width, W);
    // Clip (x, y) to a pixel.
    auto at = [&](const float x, const float y) {
        return img.at(static_cast<uint32_t>((x + 1.0f) * 0.5f * W),
                      static_cast<uint32_t>((1.0f - y) * 0.5f * H)) &
               0xFFFFFFu;
    };
    EXPECT_EQ(at(-0.5f, 0.5f), 0xFFFFFFu);
    EXPECT_EQ(at(0.0f, 0.5f), 0u);
    EXPECT_EQ(at(0.5f, 0.0f), 0xFFFFFFu);
    EXPECT_EQ(at(0.0f, 0.0f), 0u);
    EXPECT_EQ(at(0.0f, -0.5f), 0xFFFFFFu);
    EXPECT_EQ(at(-0.5f, -0.5f), 0u);
    EXPECT_EQ(at(0.5f, -0.5f), 0u);
}

} // namespace
