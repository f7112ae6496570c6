// Sprites: where the corners go, what a change rebuilds, hidden sprites on a shared vertex
// block, sizes from the texture, and a queued screen sprite sorted among transparent objects.
#include "dorvanex/scene/CSPSprite.h"
#include "tests/dorvanex/scene/render/SceneFixtures.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlTexture.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CSPSprite, ScreenCornersCarryTheHalfPixelShift) {
    struct Row {
        int line;
        float cx, cy, sx, sy;
        float v0x, v0y, v3x, v3y;
    };
    const Row rows[] = {
        {__LINE__, 0.5f, 0.5f, 1.0f, 1.0f, 67.5f, 83.5f, 131.5f, 115.5f},
        {__LINE__, 0.0f, 0.0f, 1.0f, 1.0f, 99.5f, 99.5f, 163.5f, 131.5f},
        {__LINE__, 0.5f, 0.5f, 2.0f, 0.5f, 35.5f, 91.5f, 163.5f, 107.5f},
    };
    for (const Row& row : rows) {
        CSPSprite2D s(64.0f, 32.0f);
        s.setPosition(100.0f, 100.0f);
        s.setCenter(row.cx, row.cy);
        s.setScale(row.sx, row.sy);
        EXPECT_TRUE(s.update());
        const GameVertex* const v = s.getVertices();
        EXPECT_FLOAT_EQ(v[0].x, row.v0x) << "line " << row.line;
        EXPECT_FLOAT_EQ(v[0].y, row.v0y) << "line " << row.line;
        EXPECT_FLOAT_EQ(v[3].x, row.v3x) << "line " << row.line;
        EXPECT_FLOAT_EQ(v[3].y, row.v3y) << "line " << row.line;
        EXPECT_FLOAT_EQ(v[1].x, row.v0x) << "vertex 1 is bottom-left";
        EXPECT_FLOAT_EQ(v[1].y, row.v3y);
        EXPECT_EQ(v[0].w, 1.0f);
        EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
        EXPECT_EQ(s.getDirty(), 0u);
        EXPECT_FALSE(s.update()) << "nothing left to do";
    }
}

TEST(CSPSprite, AColourChangeRebuildsNoPosition) {
    GameVertex block[4] = {};
    CSPSprite2D s(64.0f, 32.0f, block);
    s.update();
    for (GameVertex& v : block) {
        v.x = 1234.0f;
    }
    s.setColor(10, 20, 30, 40);
    EXPECT_TRUE(s.update());
    for (const GameVertex& v : block) {
        EXPECT_EQ(v.x, 1234.0f);
        EXPECT_EQ(v.color, 0x280A141Eu);
    }
    s.setAlpha(255);
    EXPECT_EQ(block[2].color, 0xFF0A141Eu);
}

TEST(CSPSprite, HidingASharedBlockCollapsesIt) {
    GameVertex block[4] = {};
    CSPSprite2D shared(64.0f, 32.0f, block);
    shared.setPosition(100.0f, 100.0f);
    shared.update();
    shared.setVisible(false);
    for (const GameVertex& v : block) {
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_EQ(v.z, 0.0f);
    }
    EXPECT_TRUE(shared.update()) << "the visibility bit";
    shared.setVisible(true);
    EXPECT_TRUE(shared.update());
    EXPECT_FLOAT_EQ(block[0].x, 67.5f);

    CSPSprite2D own(64.0f, 32.0f);
    own.setPosition(100.0f, 100.0f);
    own.update();
    own.setVisible(false);
    EXPECT_FLOAT_EQ(own.getVertices()[0].x, 67.5f) << "its own block keeps its corners";
}

TEST(CSPSprite, SizesAndCoordinatesFromTheTexture) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        ZqGlTexture* const t = ZqGlTexture::createDynamic(256, 128);
        ASSERT_NE(t, nullptr);
        struct Row {
            int line;
            float w, h;
            float expectW, expectH;
        };
        const Row rows[] = {{__LINE__, 0.0f, 0.0f, 256.0f, 128.0f},
                            {__LINE__, 64.0f, 0.0f, 64.0f, 128.0f},
                            {__LINE__, 0.0f, 32.0f, 256.0f, 32.0f}};
        for (const Row& row : rows) {
            const CSPSprite2D s(t, row.w, row.h);
            EXPECT_EQ(s.getWidth(), row.expectW) << "line " << row.line;
            EXPECT_EQ(s.getHeight(), row.expectH) << "line " << row.line;
            EXPECT_FLOAT_EQ(s.getVertices()[3].u, row.expectW / 256.0f);
            EXPECT_FLOAT_EQ(s.getVertices()[3].v, row.expectH / 128.0f);
        }
        // A pixel rectangle; negative values keep their coordinates.
        CSPSprite2D s(t, 32.0f, 32.0f, 64.0f, 32.0f, -1.0f, -1.0f);
        EXPECT_FLOAT_EQ(s.getVertices()[0].u, 0.25f);
        EXPECT_FLOAT_EQ(s.getVertices()[0].v, 0.25f);
        EXPECT_FLOAT_EQ(s.getVertices()[3].u, 96.0f / 256.0f);
        EXPECT_FLOAT_EQ(s.getVertices()[3].v, 64.0f / 128.0f);
        s.setSourceRect(0.0f, -1.0f, 128.0f, -1.0f);
        EXPECT_FLOAT_EQ(s.getVertices()[0].u, 0.0f);
        EXPECT_FLOAT_EQ(s.getVertices()[0].v, 0.25f);
        EXPECT_FLOAT_EQ(s.getVertices()[3].u, 0.5f);
        t->release();
    }));
    // Without a texture a width of 0 stays 0.
    const CSPSprite2D none(nullptr, 0.0f, 0.0f);
    EXPECT_EQ(none.getWidth(), 0.0f);
    EXPECT_EQ(none.getVertices()[3].u, 0.0f);
}

namespace {

// Remembers the default effect's technique as it begins drawing: what the object drawn
// before it left.
class Probe : public CRenderBase {
public:
    Probe(const float key, std::vector<unsigned>* const seen) : m_key(key), m_seen(seen) {}
    bool isTransparent() const override { return true; }
    void beginDraw() override { m_seen->push_back(ZqGlShader::getCurrentTechniqueNr()); }
    void setTransparentStates() override {
        ZqGlShader::getDefaultShader()->setTechnique(ZqGlShader::TECHNIQUE_DIFFUSE);
    }
    float getSortKey() const override { return m_key; }

private:
    float m_key;
    std::vector<unsigned>* m_seen;
};

} // namespace

TEST(CSPSprite, AQueuedScreenSpriteSortsByItsDepth) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        ASSERT_TRUE(createGameVertexDeclarations());
        scenetest::RenderSet set;
        std::vector<unsigned> seen;
        ZqGlShader::getDefaultShader()->setTechnique(ZqGlShader::TECHNIQUE_DIFFUSE);
        set.queue->add(1, set.objects->create<Probe>(5.0f, &seen), false);
        set.queue->add(1, set.objects->create<Probe>(1.0f, &seen), false);
        CSPSprite2D sprite(16.0f, 16.0f);
        sprite.setQueued(true);
        sprite.setDepth(-3.0f);
        sprite.draw();
        EXPECT_EQ(set.queue->getListSize(1, CRenderQueue::LIST_TRANSPARENT), 3u);
        set.queue->drawGroup(0.0f, 1);
        // Far to near: 5, the sprite at 3 (its 2D technique without texture), then 1.
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0], ZqGlShader::TECHNIQUE_DIFFUSE);
        EXPECT_EQ(seen[1], ZqGlShader::TECHNIQUE_DIFFUSE_2D);
        set.queue->clear();
        releaseGameVertexDeclarations();
    }));
}
