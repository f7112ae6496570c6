// The layout of an operator data file, shared by the store's writer and reader (and by the
// tests and the fuzz target that build copies). No magic, version or length field: the size
// follows from the payload size the caller knows.
//
//   offset   width              field
//   0        9 x signed 32-bit  time stamp: local broken-down time of the save (seconds,
//                               minutes, hours, day 1..31, month 0..11, years since 1900,
//                               weekday, day of year, daylight-saving flag)
//   36       N bytes            payload
//   36 + N   unsigned 32-bit    byte sum of the payload (each byte unsigned, modulo 2^32)
//   40 + N   unsigned 32-bit    bitwise complement of the byte sum
//
// All words little-endian; the whole file is N + 44 bytes. Plain code, no file access.
#pragma once

#include "zq/platform/os/calendar.h"

#include <cstdint>
#include <vector>

constexpr uint64_t DATA_FILE_STAMP_SIZE = 36;
constexpr uint64_t DATA_FILE_OVERHEAD = 44;

// Adds the bytes of data to a running sum; a sum over pieces starts from 0.
uint32_t calcByteSum(uint32_t running, const void* data, uint64_t size);
// The byte sum of a payload as the layout stores it.
uint32_t calcDataSum(const void* data, uint64_t size);
// Continues a CRC-32 (the one of zlib's crc32: reflected 0xEDB88320, complemented on entry
// and exit) over data; a CRC over pieces starts from 0 and passes each result on.
uint32_t calcCrc32(uint32_t running, const void* data, uint64_t size);

// A whole file: stamp, payload, sum and complement.
std::vector<uint8_t> encodeDataFile(const zqp::CalendarTime& stamp, const void* payload,
                                    uint64_t size);
// The same into a caller's buffer, whose memory is reused (large saves made again and again).
void encodeDataFile(const zqp::CalendarTime& stamp, const void* payload, uint64_t size,
                    std::vector<uint8_t>& out);

// What a file's bytes say, read the way the store reads a copy: a stamp shorter than 36 bytes
// is not read; a payload shorter than size bytes reads as 0xFF bytes; a missing sum or
// complement reads as 0. The copy is valid when the complement and the sum match the payload.
struct DataFileCopy {
    bool stampRead = false;
    zqp::CalendarTime stamp;
    bool valid = false;
};
// Whether a stamp names a calendar time: every field in its range (seconds 0..60, day within
// its month, month 0..11, years 0..8099 since 1900, weekday 0..6, day of year 0..365,
// daylight-saving flag -1..1). A stamp outside makes its copy damaged.
bool isCalendarStamp(const zqp::CalendarTime& stamp);
// Fills payload (size bytes) from the file's bytes.
DataFileCopy decodeDataFile(const uint8_t* bytes, uint64_t fileSize, uint8_t* payload,
                            uint64_t size);
