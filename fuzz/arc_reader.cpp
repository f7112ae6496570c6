// The archive reader over untrusted images. Each input is opened as it is, and once more
// with its digests recomputed, so that the checks behind the header digest and the loads
// behind the data digests are reached too; every file of an image that opens is loaded.
#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqArcFile.h"
#include "zq/memory/ZqMemAlloc.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

uint32_t le32(const uint8_t* const p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Loads every file by its stored name and a few names that are not there.
void exercise(ZqArcFile& arc) {
    const uint32_t n = arc.getNrFiles();
    for (uint32_t i = 0; i <= n; ++i) {
        const char16_t* const name = arc.getFileName(i);
        arc.getFileDate(i);
        arc.getFileSize(i);
        if (name == nullptr) {
            continue;
        }
        uint32_t size = 0;
        ZqMemAlloc::deallocate(arc.load(name, 0, &size));
        uint32_t index = 0;
        arc.searchFileNr(name, &index);
    }
    ZqMemAlloc::deallocate(arc.load(u"a"));
    ZqMemAlloc::deallocate(arc.load(u""));
    arc.getVersion();
}

void openAndExercise(const std::vector<uint8_t>& image) {
    ZqArcFile arc;
    if (arc.ropen(image.data(), static_cast<uint32_t>(image.size()))) {
        exercise(arc);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* const data, const size_t size) {
    if (size > 0x1000000) {
        return 0;
    }
    // A block of exactly the input's size, so that any read past its end is caught.
    const std::vector<uint8_t> image(data, data + size);
    openAndExercise(image);

    if (size < ZqArcFile::MIN_ARCHIVE_SIZE) {
        return 0;
    }
    const uint32_t headerSize = le32(data + ZqArcFile::headerSzHeaderPos);
    if (headerSize < ZqArcFile::MIN_HEADER_SIZE || headerSize >= size) {
        return 0;
    }
    std::vector<uint8_t> sealed(data, data + size);
    zqCalcSha256(sealed.data() + headerSize - ZqArcFile::SZ_SHA, sealed.data(),
                 headerSize - ZqArcFile::SZ_SHA);
    // Once the header holds, the reader's own offsets say where each file's digest goes.
    std::vector<std::pair<uint32_t, uint32_t>> files;
    {
        ZqArcFile arc;
        if (!arc.ropen(sealed.data(), static_cast<uint32_t>(sealed.size()))) {
            return 0;
        }
        for (uint32_t i = 0; i < arc.getNrFiles(); ++i) {
            const uint32_t offset = arc.searchFileNr(arc.getFileName(i));
            if (offset != 0) {
                files.emplace_back(offset, arc.getFileSize(i));
            }
        }
    }
    for (const auto& [offset, fileSize] : files) {
        const uint64_t padded = ZqArcFile::calcPadding(fileSize);
        if (offset + padded + ZqArcFile::SZ_SHA <= sealed.size()) {
            zqCalcSha256(sealed.data() + offset + padded, sealed.data() + offset,
                         static_cast<uint32_t>(padded));
        }
    }
    openAndExercise(sealed);
    return 0;
}
