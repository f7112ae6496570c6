// ZqArcWriter: builds archives in the format ZqArcFile reads: the header with its tables of
// time stamps, name sizes and data sizes, the UTF-16 names, padding to 8 bytes and the
// header's SHA-256, then each file's data, padding and SHA-256. Keeps every limit the reader
// checks. Used by the zqarc program, the tests and the data-set builder. Not a reader.
// Depends on libzq (SHA-256 and the format's constants).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZqArcEntry {
    // The name as the game asks for it ("SYSTEM\\x.dld"): 1 to 259 UTF-16 units, no zero.
    std::u16string name;
    std::vector<uint8_t> data;
    // Seconds since 1970; the reader hands out the low 32 bits.
    uint64_t time = 0;
};

class ZqArcWriter {
public:
    static constexpr uint32_t DEFAULT_VERSION = 1;

    // The archive image of the entries in their order; false with a reason when a name, a
    // size or the number of files breaks the format's limits or two names are equal.
    static bool build(const std::vector<ZqArcEntry>& entries, uint32_t version,
                      std::vector<uint8_t>& image, std::string* error = nullptr);
    // build, then write the image to a file (UTF-8 path).
    static bool write(const std::string& path, const std::vector<ZqArcEntry>& entries,
                      uint32_t version, std::string* error = nullptr);
    // Recomputes the header digest of an image after its header was changed; false when the
    // image is too short for the header size it states.
    static bool sealHeader(std::vector<uint8_t>& image);
};
