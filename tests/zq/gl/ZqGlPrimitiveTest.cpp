// ZqGlPrimitive on the real device inside a running framework: creation and sharing by name,
// the refusals with their codes, inserted blend indices, locking, the vertex layout
// accessors, the full-screen quad, and the declaration given to the device only on a change.
#include "zq/gl/ZqGlPrimitive.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/gpu/gpu_test.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace gpu = zqp::gpu;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

void insideFramework(const std::function<void()>& body) {
    gpu::test::clearAll();
    ScriptTask root;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            body();
        }
        return frame < 1;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

// Position and one 2D texture coordinate.
struct Vertex {
    float x, y, z, u, v;
};
const Vertex QUAD[4] = {{-1, 1, 0, 0, 0}, {-1, -1, 0, 0, 1}, {1, 1, 0, 1, 0}, {1, -1, 0, 1, 1}};

TEST(ZqGlPrimitive, CreatedOnceByNameAndCounted) {
    insideFramework([] {
        ZqGlPrimitive* const p = ZqGlPrimitive::create(u"quad", ZqGlPrimitive::TYPE_TRIANGLESTRIP,
                                                       0x201, QUAD, 4, nullptr, 0);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getPrimitiveCount(), 2u);
        EXPECT_EQ(p->getNrPolygons(), 2u);
        EXPECT_EQ(p->getVertexSize(), 20u);
        EXPECT_EQ(p->getVertexFormatMask(), 0x201u);
        EXPECT_EQ(p->getType(), ZqGlPrimitive::TYPE_TRIANGLESTRIP);
        EXPECT_EQ(p->getTexcoordOffset(0), 12u);
        EXPECT_EQ(p->getTexcoordDimension(0), 2u);
        EXPECT_EQ(p->getNormalOffset(), 0u);

        // The same name: the same primitive, the new data ignored.
        const Vertex other[3] = {};
        EXPECT_EQ(ZqGlPrimitive::create(u"quad", ZqGlPrimitive::TYPE_TRIANGLELIST, 0x201, other, 3,
                                        nullptr, 0),
                  p);
        EXPECT_EQ(p->getRefCount(), 2u);
        void* vertices = nullptr;
        ASSERT_TRUE(p->lock(&vertices, nullptr));
        EXPECT_EQ(std::memcmp(vertices, QUAD, sizeof QUAD), 0);
        p->unlock();
        // createForce makes a second one; look-ups find the newest.
        ZqGlPrimitive* const forced = ZqGlPrimitive::createForce(
            u"quad", ZqGlPrimitive::TYPE_TRIANGLELIST, 0x201, other, 3, nullptr, 0);
        ASSERT_NE(forced, nullptr);
        EXPECT_NE(forced, p);
        EXPECT_EQ(ZqGlPrimitive::search(u"quad"), forced);
        EXPECT_EQ(forced->getNrPolygons(), 0u); // three equal corners
        forced->release();
        EXPECT_EQ(p->release(), 1u);
        EXPECT_EQ(p->release(), 0u);
    });
}

TEST(ZqGlPrimitive, RefusalsSetTheirCodesAndLeaveNothingBehind) {
    insideFramework([] {
        const float badNormal[6] = {0, 0, 0, 0.998f, 0, 0};
        const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        const unsigned short farIndex[3] = {0, 1, 3};
        const unsigned short indices[3] = {0, 1, 2};
        struct Case {
            const char* name;
            uint32_t type, format;
            const void* vertices;
            uint32_t nrVertices;
            const unsigned short* indices;
            uint32_t nrIndices;
            uint32_t code;
        };
        const Case cases[] = {
            {"65500 vertices", 1, 0x1, nullptr, 65500, nullptr, 0, ZqGlPrimitive::ERROR_COUNT},
            {"65500 indices", 4, 0x1, nullptr, 3, nullptr, 65500, ZqGlPrimitive::ERROR_COUNT},
            {"no vertices", 4, 0x1, nullptr, 0, nullptr, 0, ZqGlPrimitive::ERROR_COUNT},
            {"texture dimension 5", 4, 0x1 | (5u << 8), nullptr, 3, nullptr, 0, 0x20002103},
            {"normal of length 0.998", 1, 0x11, badNormal, 1, nullptr, 0, 0x2000210B},
            {"indices on a point list", 1, 0x1, triangle, 3, indices, 3,
             ZqGlPrimitive::ERROR_POINT_INDICES},
            {"index past the vertices", 4, 0x1, triangle, 3, farIndex, 3,
             ZqGlPrimitive::ERROR_INDEX_RANGE},
            {"triangle list of 2", 4, 0x1, triangle, 2, nullptr, 0, 0x20002116},
            {"type 9 with data", 9, 0x1, triangle, 3, nullptr, 0, 0x20002118},
            {"type 9 without data", 9, 0x1, nullptr, 3, nullptr, 0, 0x20002118},
            {"type 0", 0, 0x1, nullptr, 3, nullptr, 0, 0x20002118},
        };
        const uint32_t before = ZqGlPrimitive::getNrInstances();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            zqp::setLastError(0);
            EXPECT_EQ(ZqGlPrimitive::create(u"bad", c.type, c.format, c.vertices, c.nrVertices,
                                            c.indices, c.nrIndices),
                      nullptr);
            EXPECT_EQ(zqp::getLastError(), c.code);
            EXPECT_EQ(ZqGlPrimitive::getNrInstances(), before);
        }
    });
}

TEST(ZqGlPrimitive, WithoutVertexDataNothingIsCountedOrDrawn) {
    insideFramework([] {
        ZqGlPrimitive* const p = ZqGlPrimitive::create(u"empty", ZqGlPrimitive::TYPE_TRIANGLELIST,
                                                       0x1, nullptr, 6, nullptr, 6);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getPrimitiveCount(), 0u);
        EXPECT_EQ(p->getNrPolygons(), 0u);
        void* vertices = nullptr;
        unsigned short* indices = nullptr;
        ASSERT_TRUE(p->lock(&vertices, &indices));
        ASSERT_NE(vertices, nullptr);
        ASSERT_NE(indices, nullptr);
        const std::vector<uint8_t> zeros(6 * 12, 0);
        EXPECT_EQ(std::memcmp(vertices, zeros.data(), zeros.size()), 0);
        EXPECT_EQ(indices[5], 0);
        p->unlock();
        p->release();
    });
}

TEST(ZqGlPrimitive, InsertedBlendIndicesFollowThePosition) {
    insideFramework([] {
        ZqGlPrimitive* const p = ZqGlPrimitive::create(u"skinned",
                                                       ZqGlPrimitive::TYPE_TRIANGLESTRIP |
                                                           ZqGlPrimitive::TYPE_INSERT_BLEND_INDICES,
                                                       0x201, QUAD, 4, nullptr, 0);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getType(), ZqGlPrimitive::TYPE_TRIANGLESTRIP);
        EXPECT_EQ(p->getVertexFormatMask(), 0x203u);
        EXPECT_EQ(p->getVertexSize(), 24u);
        EXPECT_EQ(p->getBlendIndicesOffset(), 12u);
        EXPECT_EQ(p->getTexcoordOffset(0), 16u);
        void* vertices = nullptr;
        ASSERT_TRUE(p->lock(&vertices, nullptr));
        const auto* const bytes = static_cast<const uint8_t*>(vertices);
        for (int v = 0; v < 4; ++v) {
            EXPECT_EQ(std::memcmp(bytes + v * 24, &QUAD[v], 12), 0);
            EXPECT_EQ(bytes[v * 24 + 12] | bytes[v * 24 + 15], 0);
            EXPECT_EQ(std::memcmp(bytes + v * 24 + 16, &QUAD[v].u, 8), 0);
        }
        p->unlock();
        p->release();
    });
}

TEST(ZqGlPrimitive, LayoutAccessorsOfEveryField) {
    insideFramework([] {
        const uint32_t mask = 0x1 | 0x2 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | (2u << 8) | (3u << 11) |
                              (1u << 20) | (1u << 21);
        ZqGlPrimitive* const p = ZqGlPrimitive::create(u"fields", ZqGlPrimitive::TYPE_POINTLIST,
                                                       mask, nullptr, 1, nullptr, 0);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getBlendIndicesOffset(), 12u);
        EXPECT_EQ(p->getBlendWeightOffset(0), 16u);
        EXPECT_EQ(p->getBlendWeightOffset(1), 20u);
        EXPECT_EQ(p->getBlendWeightOffset(2), 0u); // two weights
        EXPECT_EQ(p->getNormalOffset(), 24u);
        EXPECT_EQ(p->getPSizeOffset(), 36u);
        EXPECT_EQ(p->getBinormalOffset(), 40u);
        EXPECT_EQ(p->getTangentOffset(), 52u);
        EXPECT_EQ(p->getTexcoordOffset(0), 64u);
        EXPECT_EQ(p->getTexcoordOffset(1), 72u);
        EXPECT_EQ(p->getTexcoordDimension(1), 3u);
        EXPECT_EQ(p->getTexcoordOffset(2), 0u);
        EXPECT_EQ(p->getColor0Offset(), 84u);
        EXPECT_EQ(p->getColor1Offset(), 88u);
        EXPECT_EQ(p->getVertexSize(), 92u);
        p->release();
    });
}

TEST(ZqGlPrimitive, FullScreenQuadIsReadyAfterStartUp) {
    insideFramework([] {
        ZqGlPrimitive* const quad = ZqGlPrimitive::getFullScreenPrimitive();
        ASSERT_NE(quad, nullptr);
        EXPECT_EQ(quad->getType(), ZqGlPrimitive::TYPE_TRIANGLESTRIP);
        EXPECT_EQ(quad->getVertexFormatMask(), 0x201u);
        EXPECT_EQ(quad->getPrimitiveCount(), 2u);
        void* vertices = nullptr;
        ASSERT_TRUE(quad->lock(&vertices, nullptr));
        const auto* const v = static_cast<const Vertex*>(vertices);
        const float du = 0.5f / 1024;
        const float dv = 0.5f / 768;
        EXPECT_FLOAT_EQ(v[0].x, -1.0f);
        EXPECT_FLOAT_EQ(v[0].y, -1.0f);
        EXPECT_FLOAT_EQ(v[0].u, du);
        EXPECT_FLOAT_EQ(v[0].v, 1.0f + dv);
        EXPECT_FLOAT_EQ(v[3].x, 1.0f);
        EXPECT_FLOAT_EQ(v[3].y, 1.0f);
        EXPECT_FLOAT_EQ(v[3].u, 1.0f + du);
        EXPECT_FLOAT_EQ(v[3].v, dv);
        quad->unlock();
    });
}

TEST(ZqGlPrimitive, EqualMasksGiveTheDeviceTheDeclarationOnce) {
    insideFramework([] {
        gpu::Device* const device = ZqGlSystem::getD3dDevice();
        ZqGlPrimitive* const a = ZqGlPrimitive::create(u"a", ZqGlPrimitive::TYPE_TRIANGLESTRIP,
                                                       0x201, QUAD, 4, nullptr, 0);
        ZqGlPrimitive* const b = ZqGlPrimitive::create(u"b", ZqGlPrimitive::TYPE_TRIANGLESTRIP,
                                                       0x201, QUAD, 4, nullptr, 0);
        ZqGlPrimitive* const c =
            ZqGlPrimitive::create(u"c", ZqGlPrimitive::TYPE_POINTLIST, 0x1, QUAD, 1, nullptr, 0);
        ASSERT_TRUE(a != nullptr && b != nullptr && c != nullptr);
        std::shared_ptr<gpu::VertexDeclaration> current;
        a->draw();
        EXPECT_EQ(ZqGlPrimitive::VertexDeclaration::m_currentVertexFormatMask, 0x201u);
        // Take the declaration away behind the class's back: b, of the same mask, does not
        // give it again; c, of another mask, does.
        device->setVertexDeclaration(nullptr);
        b->draw();
        device->getVertexDeclaration(current);
        EXPECT_EQ(current, nullptr);
        c->draw();
        device->getVertexDeclaration(current);
        EXPECT_NE(current, nullptr);
        EXPECT_EQ(ZqGlPrimitive::VertexDeclaration::m_currentVertexFormatMask, 0x1u);
        a->release();
        b->release();
        c->release();
    });
}

} // namespace
