#include "tests/dorvanex/core/opdata/OpDataSupport.h"

#include "dorvanex/core/opdata/CGameSettings.h"

#include <zlib.h>

#include <cstring>
#include <random>

namespace {

constexpr const char* NAME = "ranking.dat";
constexpr int64_t NOW = 1796904000;
const std::u16string E = u"e:/SPORTS_OPTION/ranking.dat";
const std::u16string F = u"f:/SPORTS_OPTION/ranking.dat";

std::vector<uint8_t> payloadOf(const uint8_t seed, const size_t size = 64) {
    std::vector<uint8_t> p(size);
    for (size_t i = 0; i < size; ++i) {
        p[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return p;
}

// Ways a copy can be damaged or aged.
enum class Copy { None, Old, New, BadSum, BadComplement, Truncated, NoStamp, Pre1970, Equal };

std::vector<uint8_t> make(const Copy kind, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> bytes;
    switch (kind) {
    case Copy::None:
        return {};
    case Copy::Old:
        return OpDataTest::copyAt(NOW - 3600, payload);
    case Copy::New:
    case Copy::Equal:
        return OpDataTest::copyAt(NOW, payload);
    case Copy::BadSum:
        bytes = OpDataTest::copyAt(NOW, payload);
        bytes[40] ^= 1; // a payload byte
        return bytes;
    case Copy::BadComplement:
        bytes = OpDataTest::copyAt(NOW, payload);
        bytes.back() ^= 0x80;
        return bytes;
    case Copy::Truncated:
        bytes = OpDataTest::copyAt(NOW, payload);
        bytes.resize(36 + payload.size() / 2);
        return bytes;
    case Copy::NoStamp: {
        // Valid check words, but the stamp is no calendar date (month and year 2^31 - 1): the
        // copy is damaged.
        bytes = OpDataTest::copyAt(NOW, payload);
        const uint8_t bad[4] = {0xFF, 0xFF, 0xFF, 0x7F};
        std::copy(bad, bad + 4, bytes.begin() + 16);
        std::copy(bad, bad + 4, bytes.begin() + 20);
        return bytes;
    }
    case Copy::Pre1970:
        return OpDataTest::copyAt(-86400 * 400, payload);
    }
    return {};
}

bool isValid(const Copy kind) {
    return kind == Copy::Old || kind == Copy::New || kind == Copy::Pre1970 || kind == Copy::Equal;
}

// Order of preference among valid copies: the later stamp; pre-1970 stamps count as oldest.
int rank(const Copy kind) {
    switch (kind) {
    case Copy::New:
    case Copy::Equal:
        return 3;
    case Copy::Old:
        return 2;
    default:
        return 1;
    }
}

} // namespace

class DataFile : public OpDataTest {};

TEST_F(DataFile, EveryPairingOfCopiesLoadsTheNewestValidOne) {
    const Copy kinds[] = {Copy::None,    Copy::Old,           Copy::New,
                          Copy::BadSum,  Copy::BadComplement, Copy::Truncated,
                          Copy::NoStamp, Copy::Pre1970,       Copy::Equal};
    const std::vector<uint8_t> pe = payloadOf(1);
    const std::vector<uint8_t> pf = payloadOf(2);
    for (const Copy e : kinds) {
        for (const Copy f : kinds) {
            CMemoryDataFileOps disk;
            setDataFileOps(&disk);
            if (e != Copy::None) {
                disk.putFile(E, make(e, pe));
            }
            if (f != Copy::None) {
                disk.putFile(F, make(f, pf));
            }
            std::vector<uint8_t> out(64, 0xAB);
            const int32_t result = loadDataFile(NAME, out.data(), 64);
            const std::string where =
                "e " + std::to_string(int(e)) + " f " + std::to_string(int(f));
            if (isValid(e) || isValid(f)) {
                ASSERT_EQ(result, LOAD_TAKEN) << where;
                // e: wins unless f: is valid and strictly newer.
                const bool takeF = isValid(f) && (!isValid(e) || rank(f) > rank(e));
                EXPECT_EQ(out, takeF ? pf : pe) << where;
            } else {
                EXPECT_EQ(result, e == Copy::None && f == Copy::None ? LOAD_NO_FILE : LOAD_DAMAGED)
                    << where;
                EXPECT_EQ(out, std::vector<uint8_t>(64, 0xAB)) << where;
            }
        }
    }
    setDataFileOps(&m_disk);
}

TEST_F(DataFile, SaveWritesBothCopiesOfPayloadPlus44Bytes) {
    const std::vector<uint8_t> payload = payloadOf(5, 312);
    ASSERT_EQ(saveDataFile(NAME, payload.data(), 312, 0), 0);
    const std::vector<uint8_t> e = m_disk.file(E);
    ASSERT_EQ(e.size(), 312u + 44u);
    EXPECT_EQ(m_disk.file(F), e);
    // Stamp: 2026-12-10 12:00:00 (UTC zone), a Thursday, day 343.
    const int32_t stamp[9] = {0, 0, 12, 10, 11, 126, 4, 343, 0};
    for (int i = 0; i < 9; ++i) {
        int32_t v = 0;
        std::memcpy(&v, e.data() + i * 4, 4);
        EXPECT_EQ(v, stamp[i]) << i;
    }
    const uint32_t sum = calcDataSum(payload.data(), payload.size());
    uint32_t stored[2] = {};
    std::memcpy(stored, e.data() + 36 + 312, 8);
    EXPECT_EQ(stored[0], sum);
    EXPECT_EQ(stored[1], ~sum);
    // A time offset moves the stamp.
    ASSERT_EQ(saveDataFile(NAME, payload.data(), 312, 86400), 0);
    EXPECT_EQ(m_disk.file(E)[12], 11); // day of month
}

TEST_F(DataFile, LeftoverTemporaryFilesAreIgnoredAndRemovedBySave) {
    const std::vector<uint8_t> payload = payloadOf(3);
    m_disk.putFile(E + u".tmp", std::vector<uint8_t>(10, 1));
    std::vector<uint8_t> out(64);
    EXPECT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_NO_FILE);
    ASSERT_EQ(saveDataFile(NAME, payload.data(), 64, 0), 0);
    for (const std::u16string& name : m_disk.names()) {
        EXPECT_EQ(name.find(u".tmp"), std::u16string::npos);
    }
}

// A failed drive costs only its own copy: the other is written all the same, the failed copy is
// named in the error log (on f: while e: is dead) and the next load takes the new payload.
TEST_F(DataFile, FaultsFailTheSaveAndKeepTheOtherCopy) {
    const std::vector<uint8_t> oldPayload = payloadOf(1);
    const std::vector<uint8_t> newPayload = payloadOf(2);
    enum class Fault { FullDisk, ReadOnlyE, ReadOnlyF, MissingF, MissingE };
    const struct {
        Fault fault;
        int32_t result;
        bool loadNew;
        bool fNew;
        const char16_t* errorLog; // where the line naming the failed copy goes
    } cases[] = {
        {Fault::FullDisk, -3, false, false, nullptr},
        {Fault::ReadOnlyE, -1, true, true, u"f:/SPORTS_OPTION/log/error.log"},
        {Fault::ReadOnlyF, -2, true, false, u"e:/SPORTS_OPTION/log/error.log"},
        {Fault::MissingF, -2, true, false, u"e:/SPORTS_OPTION/log/error.log"},
        {Fault::MissingE, -1, true, true, u"f:/SPORTS_OPTION/log/error.log"},
    };
    for (const auto& c : cases) {
        CMemoryDataFileOps disk;
        setDataFileOps(&disk);
        disk.putFile(E, copyAt(NOW - 60, oldPayload));
        disk.putFile(F, copyAt(NOW - 60, oldPayload));
        switch (c.fault) {
        case Fault::FullDisk:
            disk.setCapacity(300);
            break;
        case Fault::ReadOnlyE:
            disk.setReadOnly(u"e:/SPORTS_OPTION", true);
            break;
        case Fault::ReadOnlyF:
            disk.setReadOnly(u"f:/SPORTS_OPTION", true);
            break;
        case Fault::MissingF:
            disk.setDrivePresent(1, false);
            break;
        case Fault::MissingE:
            disk.setDrivePresent(0, false);
            break;
        }
        // The save a minute after the old one.
        EXPECT_EQ(saveDataFile(NAME, newPayload.data(), 64, 0), c.result) << int(c.fault);
        if (c.errorLog != nullptr) {
            const std::vector<uint8_t> log = disk.file(c.errorLog);
            const std::string failed = c.result == -1 ? "e:/" : "f:/";
            EXPECT_NE(std::string(log.begin(), log.end())
                          .find("\"" + failed + "SPORTS_OPTION/ranking.dat\" could not be written"),
                      std::string::npos)
                << int(c.fault);
        }
        std::vector<uint8_t> out(64);
        ASSERT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_TAKEN) << int(c.fault);
        EXPECT_EQ(out, c.loadNew ? newPayload : oldPayload) << int(c.fault);
        const std::vector<uint8_t> f = disk.file(F);
        if (!f.empty()) {
            std::vector<uint8_t> fp(64);
            EXPECT_TRUE(decodeDataFile(f.data(), f.size(), fp.data(), 64).valid);
            EXPECT_EQ(fp, c.fNew ? newPayload : oldPayload) << int(c.fault);
        }
    }
    setDataFileOps(&m_disk);
}

// Copies whose check words hold but whose stamp is damaged: a stamp outside the calendar makes
// its copy damaged, and a stamp that claims a copy newer than the other drive's later written
// file loses to that file.
TEST_F(DataFile, DamagedStampsNeverWinOverAGoodCopy) {
    // Sets a stamp field (0 seconds .. 8 daylight flag) of a copy.
    const auto withField = [](std::vector<uint8_t> bytes, const int field, const int32_t value) {
        std::memcpy(bytes.data() + field * 4, &value, 4);
        return bytes;
    };
    const std::vector<uint8_t> pe = payloadOf(1);
    const std::vector<uint8_t> pf = payloadOf(2);
    // Fields outside the calendar, on a copy stamped now (2026-12-10, a Thursday).
    const struct {
        int line, field;
        int32_t value;
        bool valid;
    } fields[] = {
        {__LINE__, 4, 12, false},   {__LINE__, 3, 32, false}, {__LINE__, 3, 0, false},
        {__LINE__, 3, 31, true},    {__LINE__, 0, 61, false}, {__LINE__, 0, 60, true},
        {__LINE__, 2, 24, false},   {__LINE__, 1, -1, false}, {__LINE__, 6, 7, false},
        {__LINE__, 7, 366, false},  {__LINE__, 8, 2, false},  {__LINE__, 5, -1, false},
        {__LINE__, 5, 8100, false},
    };
    for (const auto& row : fields) {
        SCOPED_TRACE(row.line);
        CMemoryDataFileOps disk;
        setDataFileOps(&disk);
        disk.putFile(E, withField(copyAt(NOW, pe), row.field, row.value));
        std::vector<uint8_t> out(64);
        EXPECT_EQ(loadDataFile(NAME, out.data(), 64), row.valid ? LOAD_TAKEN : LOAD_DAMAGED);
        // An older good copy on f: is taken over it.
        disk.putFile(F, copyAt(NOW - 3600, pf));
        ASSERT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_TAKEN);
        EXPECT_EQ(out, row.valid ? pe : pf);
    }
    // 29 February only in a leap year.
    CMemoryDataFileOps disk;
    setDataFileOps(&disk);
    disk.putFile(E, withField(withField(copyAt(NOW, pe), 4, 1), 3, 29));
    std::vector<uint8_t> out(64);
    EXPECT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_DAMAGED);
    disk.putFile(E, withField(withField(withField(copyAt(NOW, pe), 4, 1), 3, 29), 5, 128));
    EXPECT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_TAKEN);

    // Stamps against the files' write times: each copy is written at its own moment.
    const struct {
        int line;
        std::vector<uint8_t> e;
        int64_t eWritten;
        std::vector<uint8_t> f;
        int64_t fWritten;
        bool takeF;
    } pairs[] = {
        // A stale e: whose year bit flipped (2026 -> 2027), a new f:.
        {__LINE__, withField(copyAt(NOW - 3600, pe), 5, 127), NOW - 3600, copyAt(NOW, pf), NOW,
         true},
        // A new f: whose year bit flipped (2026 -> 2024), a stale e:.
        {__LINE__, copyAt(NOW - 3600, pe), NOW - 3600, withField(copyAt(NOW, pf), 5, 124), NOW,
         true},
        // The clock set back a day before the save that only reached e:.
        {__LINE__, copyAt(NOW - 86400, pe), NOW, copyAt(NOW - 3600, pf), NOW - 3600, false},
        // Both of one save, written a second apart: the stamps decide.
        {__LINE__, copyAt(NOW - 60, pe), NOW, copyAt(NOW, pf), NOW + 1, true},
        {__LINE__, copyAt(NOW, pe), NOW, copyAt(NOW - 60, pf), NOW + 1, false},
        // Plain newer stamps on newer files.
        {__LINE__, copyAt(NOW, pe), NOW, copyAt(NOW - 3600, pf), NOW - 3600, false},
        {__LINE__, copyAt(NOW - 3600, pe), NOW - 3600, copyAt(NOW, pf), NOW, true},
    };
    for (const auto& row : pairs) {
        SCOPED_TRACE(row.line);
        CMemoryDataFileOps pair;
        setDataFileOps(&pair);
        setNow(row.eWritten * 1000);
        pair.putFile(E, row.e);
        setNow(row.fWritten * 1000);
        pair.putFile(F, row.f);
        ASSERT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_TAKEN);
        EXPECT_EQ(out, row.takeF ? pf : pe);
    }
    setNow(NOW * 1000);
    setDataFileOps(&m_disk);
}

TEST_F(DataFile, ADeadDriveIsNotAFirstStart) {
    m_disk.setDrivePresent(1, false);
    std::vector<uint8_t> out(64);
    EXPECT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_NO_DRIVE);
    m_disk.putFile(E, copyAt(NOW, payloadOf(4)));
    EXPECT_EQ(loadDataFile(NAME, out.data(), 64), LOAD_TAKEN);
}

// Cuts the power after every step of a save of both copies, restarts with the unsynced data
// dropped or torn, and checks that a whole copy, old or new, always loads and that the next
// save repairs both drives.
void powerLossAtEveryStep(OpDataTest& test, CMemoryDataFileOps& disk, const uint32_t size,
                          int32_t (*save)(const std::vector<uint8_t>&),
                          bool (*load)(std::vector<uint8_t>&)) {
    (void)test;
    const std::vector<uint8_t> oldPayload = payloadOf(1, size);
    const std::vector<uint8_t> newPayload = payloadOf(2, size);
    for (const auto loss : {CMemoryDataFileOps::Loss::Dropped, CMemoryDataFileOps::Loss::Torn}) {
        for (int steps = 0;; ++steps) {
            disk = CMemoryDataFileOps();
            ASSERT_EQ(save(oldPayload), 0);
            disk.cutPowerAfter(steps);
            const int32_t result = save(newPayload);
            if (!disk.powerLost()) {
                EXPECT_EQ(result, 0);
                EXPECT_GT(steps, 4); // two copies of four steps each were cut
                break;
            }
            EXPECT_NE(result, 0) << steps;
            disk.restart(loss);
            std::vector<uint8_t> out;
            ASSERT_TRUE(load(out)) << "step " << steps;
            EXPECT_TRUE(out == oldPayload || out == newPayload) << "step " << steps;
            ASSERT_EQ(save(newPayload), 0) << steps;
            disk.setDrivePresent(1, false);
            ASSERT_TRUE(load(out));
            EXPECT_EQ(out, newPayload) << "e: repaired, step " << steps;
            disk.setDrivePresent(1, true);
            disk.setDrivePresent(0, false);
            ASSERT_TRUE(load(out));
            EXPECT_EQ(out, newPayload) << "f: repaired, step " << steps;
            disk.setDrivePresent(0, true);
        }
    }
}

TEST_F(DataFile, PowerLossAtEveryStepLeavesAValidCopy) {
    static uint32_t size = 0;
    size = 24000;
    powerLossAtEveryStep(
        *this, m_disk, size,
        [](const std::vector<uint8_t>& p) { return saveDataFile(NAME, p.data(), size, 0); },
        [](std::vector<uint8_t>& out) {
            out.assign(size, 0);
            return loadDataFile(NAME, out.data(), size) == LOAD_TAKEN;
        });
}

TEST_F(DataFile, SettingsSurvivePowerLossAtEveryStep) {
    ASSERT_EQ(CGameSettings::create(), 0);
    powerLossAtEveryStep(
        *this, m_disk, CGameSettings::FILE_SIZE,
        [](const std::vector<uint8_t>& p) {
            // Settings in range: the pattern goes into the free settings 47..66 only.
            CGameSettings* const s = CGameSettings::getInstance();
            for (int32_t n = 0; n < CGameSettings::COUNT; ++n) {
                s->setValue(n, n >= 47 && n <= 66 ? p[n] : s->getDefault(n));
            }
            return s->save();
        },
        [](std::vector<uint8_t>& out) {
            CGameSettings* const s = CGameSettings::getInstance();
            if (s->load() != 0) {
                return false;
            }
            out.assign(CGameSettings::FILE_SIZE, 0);
            const std::vector<uint8_t> oldP = payloadOf(1, CGameSettings::FILE_SIZE);
            const std::vector<uint8_t> newP = payloadOf(2, CGameSettings::FILE_SIZE);
            // Which payload the loaded settings came from.
            bool isOld = true;
            bool isNew = true;
            for (int32_t n = 47; n <= 66; ++n) {
                isOld = isOld && s->getValue(n) == oldP[n];
                isNew = isNew && s->getValue(n) == newP[n];
            }
            out = isNew ? newP : isOld ? oldP : std::vector<uint8_t>();
            return true;
        });
    CGameSettings::release();
}

TEST(DataFileSums, Crc32ChainsAndMatchesZlib) {
    std::mt19937 random(7);
    for (const size_t size : {0u, 1u, 2u, 63u, 4096u, 10001u}) {
        std::vector<uint8_t> data(size);
        for (uint8_t& b : data) {
            b = static_cast<uint8_t>(random());
        }
        const uint32_t whole = calcCrc32(0, data.data(), size);
        const size_t half = size / 2;
        const uint32_t chained =
            calcCrc32(calcCrc32(0, data.data(), half), data.data() + half, size - half);
        EXPECT_EQ(whole, chained) << size;
        EXPECT_EQ(whole, static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(size))))
            << size;
    }
    EXPECT_EQ(calcCrc32(0, "123456789", 9), 0xCBF43926u);
    const uint8_t bytes[] = {0xFF, 0xFF, 0x01};
    EXPECT_EQ(calcByteSum(calcByteSum(0, bytes, 2), bytes + 2, 1), 511u);
    EXPECT_EQ(calcDataSum(bytes, 3), 511u);
}
