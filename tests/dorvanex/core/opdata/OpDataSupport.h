// Shared fixture of the operator data tests: an in-memory disk in place of the real one, a
// fixed calendar clock and time zone, restored afterwards.
#pragma once

#include "dorvanex/core/opdata/CMemoryDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"
#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <string>

class OpDataTest : public testing::Test {
public:
    // A copy in the file layout, stamped at a moment (seconds since 1970, local time).
    static std::vector<uint8_t> copyAt(int64_t seconds, const std::vector<uint8_t>& payload);

protected:
    void SetUp() override;
    void TearDown() override;

    // A file of the in-memory disk as text; empty when missing.
    std::string textOf(const std::u16string& path) const;

    // Sets the clock (milliseconds since 1970) and the zone.
    static void setNow(int64_t ms);
    static void setZone(const char* tz);

    CMemoryDataFileOps m_disk;
    // The real drives in a folder of the test's own.
    ScratchFolder m_scratch;

private:
    bool m_hadZone = false;
    std::string m_oldZone;
};
