// The movie sound's volume and balance in hundredths of a decibel, mixed offline.

#include "zqmovie/ZqGlShowTextureDll_body.h"

#include <gtest/gtest.h>

namespace {

TEST(AudioOut, VolumeAndBalanceAttenuateInDecibels) {
    struct Row {
        int line;
        long volume;
        long balance;
        int left;
        int right;
    };
    // 20 dB is a tenth; -10000 is silence; a positive balance turns the left side down.
    const Row rows[] = {
        {__LINE__, 0, 0, 10000, -10000},      {__LINE__, -2000, 0, 1000, -1000},
        {__LINE__, 0, 2000, 1000, -10000},    {__LINE__, 0, -4000, 10000, -100},
        {__LINE__, -2000, -2000, 1000, -100}, {__LINE__, -10000, 0, 0, 0},
        {__LINE__, 0, 10000, 0, -10000},
    };
    for (const Row& row : rows) {
        zqmovie::AudioOut out;
        out.setVolume(row.volume);
        out.setBalance(row.balance);
        const int16_t queued[2] = {10000, -10000};
        out.push(queued, 1);
        int16_t mixed[6] = {1, 1, 1, 1, 1, 1};
        out.mix(mixed, 6);
        EXPECT_NEAR(mixed[0], row.left, 1) << "line " << row.line;
        EXPECT_NEAR(mixed[1], row.right, 1) << "line " << row.line;
        // The queue ran out: silence, and nothing left for the next call.
        EXPECT_EQ(mixed[2], 0) << "line " << row.line;
        EXPECT_EQ(mixed[5], 0) << "line " << row.line;
        EXPECT_EQ(out.queued(), 0u);
    }
}

} // namespace
