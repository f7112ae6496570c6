#include "dorvanex/core/opdata/DataFile.h"

#include "dorvanex/core/opdata/CDataFileOps.h"
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
    // e: first; when it fails f: keeps the copy it has, so one good copy always survives.
    if (!saveCopy(ops, 0, dataFilePath(0, name), bytes)) {
        return -(SAVE_FAILED_E + SAVE_FAILED_F);
    }
    if (!saveCopy(ops, 1, dataFilePath(1, name), bytes)) {
        return -SAVE_FAILED_F;
    }
    return 0;
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
    bool taken = false;
    int64_t bestTime = 0;
    std::vector<uint8_t> payload(size);
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
        const DataFileCopy copy = decodeDataFile(bytes.data(), bytes.size(), payload.data(), size);
        if (!copy.valid || (check != nullptr && !check(payload.data(), size))) {
            continue;
        }
        // A stamp that cannot be read or lies before 1970 makes the copy the oldest: it is
        // still taken when no other copy is valid.
        int64_t time = std::numeric_limits<int64_t>::min();
        if (int64_t seconds = 0;
            copy.stampRead && zqp::fromLocalTime(copy.stamp, seconds) && seconds >= 0) {
            time = seconds;
        }
        if (!taken || time > bestTime) {
            std::memcpy(out, payload.data(), size);
            bestTime = time;
            taken = true;
        }
    }
    if (taken) {
        return LOAD_TAKEN;
    }
    if (opened) {
        return LOAD_DAMAGED;
    }
    return driveMissing ? LOAD_NO_DRIVE : LOAD_NO_FILE;
}
