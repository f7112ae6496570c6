// The chief header is all a program needs: this file includes nothing else of the framework.
#include "zq/zq.h"

#include <gtest/gtest.h>

namespace {

// Compiled, not run: the camera's tests take the figures zq.h defines.
[[maybe_unused]] bool inView(const ZqGlCamera& camera) {
    return camera.intersect(ZqDgPoint(0.0f, 0.0f, -100.0f)) ||
           camera.intersect(ZqDgSphere(ZqVector3(0.0f, 0.0f, -100.0f), 10.0f));
}

TEST(ChiefHeader, ReadsTheLastErrorAnArchiveLeaves) {
    ZqError::setLastError(0);
    ZqArcFile archive;
    const uint8_t tooShort[4] = {};
    EXPECT_FALSE(archive.ropen(tooShort, sizeof tooShort));
    EXPECT_EQ(ZqError::getLastError(), ZqArcFile::ERROR_SIZE);
    ZqError::setLastError(0);
}

} // namespace
