// ZqGlQuery inside a running framework: the pool of 16 and queries that outlive a reset.
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/platform/gpu/gpu_test.h"
#include "zq/system/ZqError.h"

#include <gtest/gtest.h>

#include <vector>

namespace gpu = zqp::gpu;

namespace {

// Polls for up to five seconds.
uint32_t waitFor(ZqGlQuery* const q, void* const data, const uint32_t size) {
    uint32_t r = q->getData(data, size, true);
    for (int i = 0; i < 5000 && r == 1; ++i) {
        ZqThread::sleep(1);
        r = q->getData(data, size, true);
    }
    return r;
}

TEST(ZqGlQuery, PoolHoldsSixteen) {
    zqtest::ScriptTask root;
    root.onFrame = [](uint32_t) {
        std::vector<ZqGlQuery*> queries;
        for (int i = 0; i < 16; ++i) {
            queries.push_back(ZqGlQuery::create(ZqGlQuery::TYPE_EVENT));
            EXPECT_NE(queries.back(), nullptr);
        }
        EXPECT_EQ(ZqGlQuery::create(ZqGlQuery::TYPE_EVENT), nullptr);
        EXPECT_EQ(queries.back()->release(), 0u);
        EXPECT_EQ(ZqGlQuery::getNrInstances(), 15u);
        ZqGlQuery* const again = ZqGlQuery::create(ZqGlQuery::TYPE_OCCLUSION);
        EXPECT_NE(again, nullptr);
        // A type the device does not have gives nothing and keeps the element free.
        again->release();
        EXPECT_EQ(ZqGlQuery::create(ZqGlQuery::TYPE_VCACHE), nullptr);
        EXPECT_NE(ZqGlQuery::create(ZqGlQuery::TYPE_TIMESTAMP), nullptr);
        // The rest go back with the pool at shut-down.
        return false;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root), 0u);
}

TEST(ZqGlQuery, QueryAnswersAfterAResetWithItsPendingResultLost) {
    gpu::test::clearAll();
    zqtest::ScriptTask root;
    ZqGlQuery* query = nullptr;
    root.onFrame = [&](const uint32_t frame) {
        uint32_t done = 0;
        if (frame == 0) {
            query = ZqGlQuery::create(ZqGlQuery::TYPE_EVENT);
            EXPECT_NE(query, nullptr);
            EXPECT_FALSE(query->issueBegin());
            EXPECT_TRUE(query->issueEnd());
            EXPECT_EQ(query->getDataSize(), 4u);
            EXPECT_EQ(waitFor(query, &done, sizeof done), 0u);
            EXPECT_EQ(done, 1u);
            EXPECT_TRUE(query->issueEnd());
            // This frame's present reports the device lost; it is reset at once.
            gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost);
            gpu::test::failNext(gpu::test::Call::TestCooperativeLevel, gpu::Result::DeviceNotReset);
        }
        if (frame == 1) {
            const uint32_t r = query->getData(&done, sizeof done, false);
            EXPECT_NE(r, 0u);
            EXPECT_NE(r, 1u);
            EXPECT_TRUE(query->issueEnd());
            EXPECT_EQ(waitFor(query, &done, sizeof done), 0u);
            query->release();
            return false;
        }
        return true;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root), 0u);
}

TEST(ZqGlQuery, RefusedQueryAtResetThrows1048) {
    gpu::test::clearAll();
    zqtest::ScriptTask root;
    root.onFrame = [](const uint32_t frame) {
        if (frame == 0) {
            EXPECT_NE(ZqGlQuery::create(ZqGlQuery::TYPE_OCCLUSION), nullptr);
            gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost);
            gpu::test::failNext(gpu::test::Call::TestCooperativeLevel, gpu::Result::DeviceNotReset);
            gpu::test::failNext(gpu::test::Call::CreateQuery, gpu::Result::NotAvailable);
        }
        return frame < 3;
    };
    EXPECT_EQ(zqtest::runFrameworkCode(root), ZqError::QUERY_RESET);
    gpu::test::clearAll();
}

} // namespace
