#include "dorvanex/core/opdata/DataFile.h"

#include "dorvanex/core/opdata/CDataFileOps.h"
#include "dorvanex/core/opdata/ErrorLog.h"
#include "zq/system/ZqString.h"

#include <cstring>
#include <limits>
#include <vector>

namespace {

const char16_t* folderOf(const int drive) {
    return drive == 0 ? DATA_FOLDER_E : DATA_FOLDER_F;
}

// One copy: the drive is there, the folder exists, no temporary file of an interrupted save
// is left, the file is replaced durably and reads back as written.
bool saveCopy(CDataFileOps& ops, const int drive, const std::u16string& path,
              const std::vector<uint8_t>& bytes) {
    if (!ops.isDrivePresent(drive) || !ops.makeFolder(folderOf(drive))) {
        return false;
    }
    const std::u16string temp = path + u".tmp";
    if (ops.exists(temp)) {
        ops.remove(temp);
    }
    if (!ops.replace(path, bytes)) {
        return false;
    }
    // Main thread only: the read-back buffer keeps its memory from save to save.
    static std::vector<uint8_t> back;
    const bool same =
        ops.read(path, bytes.size(), back) == CDataFileOps::Read::Done && back == bytes;
    back.clear();
    return same;
}

} // namespace

std::u16string toWidePath(const char* const narrow) {
    ZqString wide;
    if (narrow != nullptr) {
        zqUtf82Char(narrow, static_cast<int>(std::strlen(narrow)), wide);
    }
    return wide;
}

std::u16string dataFilePath(const int drive, const char* const name) {
    return std::u16string(folderOf(drive)) + u"/" + toWidePath(name);
}

zqp::CalendarTime dataFileStampNow(const int64_t timeOffset) {
    zqp::CalendarTime stamp;
    zqp::toLocalTime(zqp::calendarSeconds() + timeOffset, stamp);
    return stamp;
}

int32_t saveDataFileBytes(const char* const name, const std::vector<uint8_t>& bytes) {
    CDataFileOps& ops = getDataFileOps();
    // Each copy is replaced durably (old or new bytes, never a mix), so writing f: after a
    // failed e: never puts the one good copy at risk; stopping would lose every save for as
    // long as e: is dead.
    int32_t failed = 0;
    for (int drive = 0; drive < 2; ++drive) {
        const std::u16string path = dataFilePath(drive, name);
        if (saveCopy(ops, drive, path, bytes)) {
            continue;
        }
        failed += drive == 0 ? SAVE_FAILED_E : SAVE_FAILED_F;
        ZqStringMb utf8;
        zqChar2Utf8(path.c_str(), static_cast<int>(path.size()), utf8);
        reportDriveFault("The copy \"" + utf8 + "\" could not be written.", 1 - drive);
    }
    return -failed;
}

int32_t saveDataFile(const char* const name, const void* const data, const uint32_t size,
                     const int64_t timeOffset) {
    return saveDataFileBytes(name, encodeDataFile(dataFileStampNow(timeOffset), data, size));
}

int32_t loadDataFile(const char* const name, void* const out, const uint32_t size,
                     const DataFileCheck check) {
    CDataFileOps& ops = getDataFileOps();
    bool opened = false;
    bool driveMissing = false;
    // The valid copies: payload, stamp time and file write time (when it could be read).
    struct Candidate {
        bool valid = false;
        int64_t time = 0;
        bool written = false;
        int64_t writeTime = 0;
        std::vector<uint8_t> payload;
    };
    Candidate copies[2];
    std::vector<uint8_t> bytes;
    for (int drive = 0; drive < 2; ++drive) {
        if (!ops.isDrivePresent(drive)) {
            driveMissing = true;
            continue;
        }
        const CDataFileOps::Read read =
            ops.read(dataFilePath(drive, name), uint64_t{size} + DATA_FILE_OVERHEAD, bytes);
        if (read == CDataFileOps::Read::Missing) {
            continue;
        }
        opened = true;
        if (read == CDataFileOps::Read::Failed) {
            continue;
        }
        Candidate& c = copies[drive];
        c.payload.resize(size);
        const DataFileCopy copy =
            decodeDataFile(bytes.data(), bytes.size(), c.payload.data(), size);
        if (!copy.valid || !copy.stampRead || !isCalendarStamp(copy.stamp) ||
            (check != nullptr && !check(c.payload.data(), size))) {
            continue;
        }
        // A stamp before 1970 makes the copy the oldest: it is still taken when no other copy
        // is valid.
        c.time = std::numeric_limits<int64_t>::min();
        if (int64_t seconds = 0; zqp::fromLocalTime(copy.stamp, seconds) && seconds >= 0) {
            c.time = seconds;
        }
        c.written = ops.modifiedTime(dataFilePath(drive, name), c.writeTime);
        c.valid = true;
    }
    if (copies[0].valid || copies[1].valid) {
        // The later stamp, e: on equal stamps; but a stamp cannot claim a copy newer than a
        // file the other drive wrote after it (a bit flipped in the stamp of a stale copy, or
        // in that of the newer one).
        int best = copies[0].valid ? 0 : 1;
        if (copies[0].valid && copies[1].valid) {
            best = copies[1].time > copies[0].time ? 1 : 0;
            const Candidate& chosen = copies[best];
            const Candidate& other = copies[1 - best];
            if (chosen.written && other.written &&
                other.writeTime - chosen.writeTime > DATA_FILE_SAME_SAVE) {
                best = 1 - best;
            }
        }
        std::memcpy(out, copies[best].payload.data(), size);
        return LOAD_TAKEN;
    }
    if (opened) {
        return LOAD_DAMAGED;
    }
    return driveMissing ? LOAD_NO_DRIVE : LOAD_NO_FILE;
}
