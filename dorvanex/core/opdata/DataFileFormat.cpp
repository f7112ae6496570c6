#include "dorvanex/core/opdata/DataFileFormat.h"

#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"

#include <cstring>

uint32_t calcByteSum(uint32_t running, const void* const data, const uint64_t size) {
    const uint8_t* const bytes = static_cast<const uint8_t*>(data);
    for (uint64_t i = 0; i < size; ++i) {
        running += bytes[i];
    }
    return running;
}

uint32_t calcDataSum(const void* const data, const uint64_t size) {
    return calcByteSum(0, data, size);
}

uint32_t calcCrc32(const uint32_t running, const void* const data, const uint64_t size) {
    // Bit by bit on purpose: the ROM check runs it on a worker over few files, and a table
    // would be one more thing to get wrong.
    const uint8_t* const bytes = static_cast<const uint8_t*>(data);
    uint32_t crc = ~running;
    for (uint64_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void encodeDataFile(const zqp::CalendarTime& stamp, const void* const payload, const uint64_t size,
                    std::vector<uint8_t>& out) {
    out.resize(size + DATA_FILE_OVERHEAD);
    uint8_t* p = out.data();
    for (const int32_t field : {stamp.second, stamp.minute, stamp.hour, stamp.day, stamp.month,
                                stamp.year, stamp.weekDay, stamp.yearDay, stamp.daylight}) {
        ZqByteWriter::store(p, field);
        p += 4;
    }
    if (size != 0) {
        std::memcpy(p, payload, size);
    }
    const uint32_t sum = calcDataSum(payload, size);
    ZqByteWriter::store(p + size, sum);
    ZqByteWriter::store(p + size + 4, ~sum);
}

std::vector<uint8_t> encodeDataFile(const zqp::CalendarTime& stamp, const void* const payload,
                                    const uint64_t size) {
    std::vector<uint8_t> out;
    encodeDataFile(stamp, payload, size, out);
    return out;
}

bool isCalendarStamp(const zqp::CalendarTime& t) {
    if (t.year < 0 || t.year > 8099 || t.month < 0 || t.month > 11) {
        return false;
    }
    static constexpr int32_t DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int32_t year = t.year + 1900;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int32_t days = DAYS[t.month] + (leap && t.month == 1 ? 1 : 0);
    return t.second >= 0 && t.second <= 60 && t.minute >= 0 && t.minute <= 59 && t.hour >= 0 &&
           t.hour <= 23 && t.day >= 1 && t.day <= days && t.weekDay >= 0 && t.weekDay <= 6 &&
           t.yearDay >= 0 && t.yearDay <= 365 && t.daylight >= -1 && t.daylight <= 1;
}

DataFileCopy decodeDataFile(const uint8_t* const bytes, const uint64_t fileSize,
                            uint8_t* const payload, const uint64_t size) {
    // Fixed offsets: a read that falls short means the file ended there, so every later
    // field is missing too, as in a sequential read.
    DataFileCopy copy;
    const ZqByteReader r(bytes, fileSize);
    int32_t fields[9] = {};
    copy.stampRead = true;
    for (uint64_t i = 0; i < 9; ++i) {
        copy.stampRead = copy.stampRead && r.i32(i * 4, fields[i]);
    }
    if (copy.stampRead) {
        copy.stamp = {fields[0], fields[1], fields[2], fields[3], fields[4],
                      fields[5], fields[6], fields[7], fields[8]};
    }
    const uint8_t* const stored = r.bytes(DATA_FILE_STAMP_SIZE, size);
    if (stored != nullptr && size != 0) {
        std::memcpy(payload, stored, size);
    } else if (stored == nullptr) {
        std::memset(payload, 0xFF, size);
    }
    uint32_t sum = 0;
    uint32_t complement = 0;
    if (!r.u32(DATA_FILE_STAMP_SIZE + size, sum)) {
        sum = 0;
    }
    if (!r.u32(DATA_FILE_STAMP_SIZE + size + 4, complement)) {
        complement = 0;
    }
    copy.valid = complement == ~sum && sum == calcDataSum(payload, size);
    return copy;
}
