// The render-state block as values: the reset block, the packing of the 20 states, colour and
// reference conversions, copying and the pool. What reaches the device is checked with a
// device in ZqGlDeviceTest.cpp.
#include "zq/gl/ZqGlState.h"
#include "zq/math/ZqVector4.h"

#include <gtest/gtest.h>

namespace {

class ZqGlStateTest : public ::testing::Test {
protected:
    void SetUp() override { ZqGlState::sysInit(); }
    void TearDown() override { ZqGlState::sysQuit(); }
};

TEST_F(ZqGlStateTest, AFreshBlockHoldsTheResetValues) {
    ZqGlState* const s = ZqGlState::create();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getColorWriteEnable(), 15u);
    EXPECT_TRUE(s->getZWriteEnable());
    EXPECT_TRUE(s->getAlphaBlendEnable());
    EXPECT_TRUE(s->getAlphaTestEnable());
    EXPECT_FALSE(s->getStencilEnable());
    EXPECT_FALSE(s->getScissorTestEnable());
    EXPECT_FALSE(s->getFsaaEnable());
    EXPECT_EQ(s->getZMode(), ZqGlState::ZBUFFERMODE_ON);
    EXPECT_EQ(s->getSrcBlend(), ZqGlState::BLEND_SRCALPHA);
    EXPECT_EQ(s->getDestBlend(), ZqGlState::BLEND_INVSRCALPHA);
    EXPECT_EQ(s->getBlendOp(), ZqGlState::BLENDOP_ADD);
    EXPECT_EQ(s->getCullMode(), ZqGlState::CULLMODE_CW);
    EXPECT_EQ(s->getFillMode(), ZqGlState::FILLMODE_SOLID);
    EXPECT_EQ(s->getZFunc(), ZqGlState::CMPFUNC_LESSEQUAL);
    EXPECT_EQ(s->getAlphaFunc(), ZqGlState::CMPFUNC_ALWAYS);
    EXPECT_EQ(s->getAlphaRef(), 0u);
    EXPECT_EQ(s->getStencilFunc(), ZqGlState::CMPFUNC_ALWAYS);
    EXPECT_EQ(s->getStencilPass(), ZqGlState::STENCILOP_KEEP);
    EXPECT_EQ(s->getStencilZFail(), ZqGlState::STENCILOP_KEEP);
    EXPECT_EQ(s->getStencilFail(), ZqGlState::STENCILOP_KEEP);
    EXPECT_EQ(s->getBlendFactor(), 0xFFFFFFFFu);
    EXPECT_EQ(s->getStencilRef(), 0u);
    EXPECT_EQ(s->getStencilMask(), 0xFFFFFFFFu);
    EXPECT_EQ(s->getStencilWriteMask(), 0xFFFFFFFFu);
    EXPECT_EQ(s->getAmbient(), 0x00000000u);
    EXPECT_EQ(s->getDiffuse(), 0xFFFFFFFFu);
    EXPECT_EQ(s->getShininess(), 10.0f);
    ZqRect r(1, 1, 1, 1);
    s->getScissorRect(&r);
    EXPECT_EQ(r, ZqRect(0, 0, 800, 600));
    s->release();
}

// Every field set to its largest value, then each in turn back to its smallest: no field
// spills into a neighbour.
TEST_F(ZqGlStateTest, FieldsAreIndependent) {
    ZqGlState* const s = ZqGlState::create();
    ASSERT_NE(s, nullptr);
    s->setColorWriteEnable(0);
    s->setZWriteEnable(false);
    s->setAlphaBlendEnable(false);
    s->setAlphaTestEnable(false);
    s->setStencilEnable(true);
    s->setScissorTestEnable(true);
    s->setFsaaEnable(true);
    s->setZMode(ZqGlState::ZBUFFERMODE_W);
    s->setSrcBlend(ZqGlState::BLEND_INVBLENDFACTOR);
    s->setDestBlend(ZqGlState::BLEND_ZERO);
    s->setBlendOp(ZqGlState::BLENDOP_MAX);
    s->setCullMode(ZqGlState::CULLMODE_CCW);
    s->setFillMode(ZqGlState::FILLMODE_POINT);
    s->setZFunc(ZqGlState::CMPFUNC_NEVER);
    s->setAlphaFunc(ZqGlState::CMPFUNC_GREATER);
    s->setAlphaRef(uint8_t{255});
    s->setStencilFunc(ZqGlState::CMPFUNC_EQUAL);
    s->setStencilPass(ZqGlState::STENCILOP_DECR);
    s->setStencilZFail(ZqGlState::STENCILOP_INCR);
    s->setStencilFail(ZqGlState::STENCILOP_INVERT);
    EXPECT_EQ(s->getColorWriteEnable(), 0u);
    EXPECT_FALSE(s->getZWriteEnable());
    EXPECT_FALSE(s->getAlphaBlendEnable());
    EXPECT_FALSE(s->getAlphaTestEnable());
    EXPECT_TRUE(s->getStencilEnable());
    EXPECT_TRUE(s->getScissorTestEnable());
    EXPECT_TRUE(s->getFsaaEnable());
    EXPECT_EQ(s->getZMode(), ZqGlState::ZBUFFERMODE_W);
    EXPECT_EQ(s->getSrcBlend(), ZqGlState::BLEND_INVBLENDFACTOR);
    EXPECT_EQ(s->getDestBlend(), ZqGlState::BLEND_ZERO);
    EXPECT_EQ(s->getBlendOp(), ZqGlState::BLENDOP_MAX);
    EXPECT_EQ(s->getCullMode(), ZqGlState::CULLMODE_CCW);
    EXPECT_EQ(s->getFillMode(), ZqGlState::FILLMODE_POINT);
    EXPECT_EQ(s->getZFunc(), ZqGlState::CMPFUNC_NEVER);
    EXPECT_EQ(s->getAlphaFunc(), ZqGlState::CMPFUNC_GREATER);
    EXPECT_EQ(s->getAlphaRef(), 255u);
    EXPECT_EQ(s->getStencilFunc(), ZqGlState::CMPFUNC_EQUAL);
    EXPECT_EQ(s->getStencilPass(), ZqGlState::STENCILOP_DECR);
    EXPECT_EQ(s->getStencilZFail(), ZqGlState::STENCILOP_INCR);
    EXPECT_EQ(s->getStencilFail(), ZqGlState::STENCILOP_INVERT);
    // A value wider than its field keeps only its own bits.
    s->setColorWriteEnable(0x1F);
    EXPECT_EQ(s->getColorWriteEnable(), 15u);
    EXPECT_FALSE(s->getZWriteEnable());
    s->release();
}

TEST_F(ZqGlStateTest, FloatsBecomeTruncatedBytes) {
    ZqGlState* const s = ZqGlState::create();
    ASSERT_NE(s, nullptr);
    s->setAlphaRef(0.5f);
    EXPECT_EQ(s->getAlphaRef(), 127u);
    s->setDiffuse(1.0f, 0.5f, 0.25f, 1.0f);
    EXPECT_EQ(s->getDiffuse(), 0xFFFF7F3Fu);
    s->setAmbient(ZqVector4(0.0f, 1.0f, 0.0f, 0.5f));
    EXPECT_EQ(s->getAmbient(), 0x7F00FF00u);
    s->setBlendFactor(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(s->getBlendFactor(), 0x6619334Cu);
    s->setDiffuse(0x12345678u);
    EXPECT_EQ(s->getDiffuse(), 0x12345678u);
    s->release();
}

TEST_F(ZqGlStateTest, CopyingAndResetting) {
    ZqGlState* const a = ZqGlState::create();
    ZqGlState* const b = ZqGlState::create();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    a->setCullMode(ZqGlState::CULLMODE_NONE);
    a->setStencilRef(7);
    a->setShininess(3.0f);
    const ZqRect scissor(10, 20, 30, 40);
    a->setScissorRect(&scissor);
    EXPECT_EQ(b->copyFrom(nullptr), nullptr);
    EXPECT_EQ(b->getCullMode(), ZqGlState::CULLMODE_CW);
    EXPECT_EQ(a->copyFrom(a), a);
    EXPECT_EQ(b->copyFrom(a), b);
    EXPECT_EQ(b->getCullMode(), ZqGlState::CULLMODE_NONE);
    EXPECT_EQ(b->getStencilRef(), 7u);
    EXPECT_EQ(b->getShininess(), 3.0f);
    ZqRect r;
    b->getScissorRect(&r);
    EXPECT_EQ(r, scissor);
    b->resetAllStates();
    EXPECT_EQ(b->getCullMode(), ZqGlState::CULLMODE_CW);
    EXPECT_EQ(b->getStencilRef(), 0u);
    EXPECT_EQ(a->getCullMode(), ZqGlState::CULLMODE_NONE);
    a->release();
    b->release();
}

TEST_F(ZqGlStateTest, ThreeBlocksBesideTheDefault) {
    ASSERT_NE(ZqGlState::getDefaultState(), nullptr);
    EXPECT_EQ(ZqGlState::getCurrent(), ZqGlState::getDefaultState());
    ZqGlState* blocks[3] = {};
    for (ZqGlState*& b : blocks) {
        b = ZqGlState::create();
        ASSERT_NE(b, nullptr);
    }
    EXPECT_EQ(ZqGlState::create(), nullptr);
    // Giving back the current block leaves the default current, not a free block.
    ZqGlState::setCurrent(blocks[1]);
    EXPECT_EQ(ZqGlState::getCurrent(), blocks[1]);
    blocks[1]->release();
    EXPECT_EQ(ZqGlState::getCurrent(), ZqGlState::getDefaultState());
    EXPECT_NE(ZqGlState::create(), nullptr);
}

} // namespace
