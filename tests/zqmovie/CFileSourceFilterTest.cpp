// The file source: reads only through the callbacks, whole or not at all, and its queue of
// completed requests with flushes and time-outs.

#include "zqmovie/CFileSourceFilter.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> g_stream;
uint32_t g_position = 0;
uint32_t g_shortBy = 0;
int g_calls = 0;

bool seekStream(const uint32_t position) {
    ++g_calls;
    g_position = position;
    return position <= g_stream.size();
}

uint32_t readStream(void* const buffer, const uint32_t length) {
    ++g_calls;
    const uint32_t n =
        std::min<uint32_t>(length, static_cast<uint32_t>(g_stream.size()) - g_position) -
        std::min(g_shortBy, length);
    std::copy_n(g_stream.begin() + g_position, n, static_cast<uint8_t*>(buffer));
    g_position += n;
    return n;
}

class CFileSourceFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_stream.resize(1000);
        std::iota(g_stream.begin(), g_stream.end(), 0);
        g_position = 0;
        g_shortBy = 0;
        g_calls = 0;
    }
    CFileSourceFilter source{1000, seekStream, readStream};
};

using Result = CFileSourceFilter::Result;

TEST_F(CFileSourceFilterTest, RequestsCompleteInOrder) {
    uint8_t a[10];
    uint8_t b[4];
    CFileSourceFilter::Sample first{100, 10, a, 0};
    CFileSourceFilter::Sample second{996, 4, b, 0};
    ASSERT_EQ(source.request(&first, 7), Result::Ok);
    ASSERT_EQ(source.request(&second, 8), Result::Ok);
    CFileSourceFilter::Sample* done = nullptr;
    uintptr_t user = 0;
    ASSERT_EQ(source.waitForNext(0, &done, &user), Result::Ok);
    EXPECT_EQ(done, &first);
    EXPECT_EQ(user, 7u);
    EXPECT_EQ(first.dataLength, 10);
    EXPECT_EQ(a[0], 100);
    ASSERT_EQ(source.waitForNext(0, &done, &user), Result::Ok);
    EXPECT_EQ(done, &second);
    EXPECT_EQ(b[3], static_cast<uint8_t>(999));
    EXPECT_EQ(source.waitForNext(0, &done, &user), Result::Timeout);
    EXPECT_EQ(done, nullptr);

    int64_t total = 0;
    int64_t available = 0;
    source.length(&total, &available);
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(available, 1000);
    EXPECT_EQ(source.request(nullptr, 0), Result::Pointer);
    EXPECT_EQ(source.waitForNext(0, nullptr, &user), Result::Pointer);
}

TEST_F(CFileSourceFilterTest, ShortOrOutOfRangeReadsFailAndQueueNothing) {
    uint8_t buffer[16];
    g_shortBy = 1;
    CFileSourceFilter::Sample sample{0, 16, buffer, 0};
    EXPECT_EQ(source.request(&sample, 0), Result::Fail);
    EXPECT_EQ(sample.dataLength, 0);
    CFileSourceFilter::Sample* done = nullptr;
    EXPECT_EQ(source.waitForNext(0, &done, nullptr), Result::Fail);
    EXPECT_EQ(source.syncRead(0, 16, buffer), Result::Fail);
    g_shortBy = 0;
    EXPECT_EQ(source.syncRead(990, 10, buffer), Result::Ok);
    EXPECT_EQ(buffer[9], static_cast<uint8_t>(999));

    // Ranges outside the stream never reach the callbacks.
    g_calls = 0;
    EXPECT_EQ(source.syncRead(995, 16, buffer), Result::Fail);
    EXPECT_EQ(source.syncRead(-1, 4, buffer), Result::Fail);
    EXPECT_EQ(source.syncRead(int64_t{1} << 32, 4, buffer), Result::Fail);
    EXPECT_EQ(g_calls, 0);
}

TEST_F(CFileSourceFilterTest, FlushRefusesRequestsAndEmptiesTheQueue) {
    uint8_t buffer[8];
    CFileSourceFilter::Sample sample{0, 8, buffer, 0};
    ASSERT_EQ(source.request(&sample, 1), Result::Ok);
    source.beginFlush();
    EXPECT_EQ(source.request(&sample, 2), Result::WrongState);
    source.endFlush();
    CFileSourceFilter::Sample* done = nullptr;
    EXPECT_EQ(source.waitForNext(0, &done, nullptr), Result::Timeout);

    // While flushing with nothing queued, the event stays signalled: waits end at once.
    source.beginFlush();
    EXPECT_EQ(source.request(&sample, 3), Result::WrongState);
    EXPECT_EQ(source.waitForNext(1000, &done, nullptr), Result::WrongState);
    EXPECT_EQ(source.waitForNext(1000, &done, nullptr), Result::WrongState);
    source.endFlush();
    EXPECT_EQ(source.waitForNext(0, &done, nullptr), Result::Timeout);
}

} // namespace
