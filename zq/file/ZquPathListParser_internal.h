// One line of a path list taken apart: the path checker's parser, kept apart so that tests and
// the fuzzer reach it. A line is comma-separated fields (runs of commas count as one):
// 1 prefix, 2 path relative to the list's folder, 3 name reported on failure, 4-7 unused,
// 8 size in bytes (decimal), 9 unused, 10 CRC-32C (1 to 8 hexadecimal digits, most
// significant first, either case), 11 beginning with "CRC32"; the line ends at its first LF.
// Plain code: no state, any thread. Internal to the framework.
#pragma once

#include "zq/system/ZqString.h"

#include <cstdint>

struct ZquPathListEntry {
    ZqString path;
    ZqString name;
    uint32_t size = 0;
    uint32_t crc = 0;
};

enum class ZquPathListLine {
    Counted,   // an entry to check, written to the entry
    Skipped,   // the right prefix and a path ending in its first ".exe" or ".dll"
    Malformed, // a wrong prefix, fewer than 11 fields, or a field that does not read
};

// Parses line (0-terminated) against prefix (case-sensitive, must begin field 1).
ZquPathListLine zquParsePathListLine(const char16_t* line, const char16_t* prefix,
                                     ZquPathListEntry* entry);
