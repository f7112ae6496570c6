#include "ZqArcWriter.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqArcFile.h"

#include <fstream>
#include <unordered_set>

namespace {

void putLe32(std::vector<uint8_t>& image, const uint64_t at, const uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        image[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void putLe64(std::vector<uint8_t>& image, const uint64_t at, const uint64_t v) {
    putLe32(image, at, static_cast<uint32_t>(v));
    putLe32(image, at + 4, static_cast<uint32_t>(v >> 32));
}

uint32_t getLe32(const std::vector<uint8_t>& image, const uint64_t at) {
    return static_cast<uint32_t>(image[at]) | (static_cast<uint32_t>(image[at + 1]) << 8) |
           (static_cast<uint32_t>(image[at + 2]) << 16) |
           (static_cast<uint32_t>(image[at + 3]) << 24);
}

bool refuse(std::string* const error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

} // namespace

bool ZqArcWriter::build(const std::vector<ZqArcEntry>& entries, const uint32_t version,
                        std::vector<uint8_t>& image, std::string* const error) {
    using A = ZqArcFile;
    const uint64_t n = entries.size();
    if (n > A::MAX_FILES) {
        return refuse(error, "more than 1000 files");
    }
    std::unordered_set<std::u16string> seen;
    uint64_t namesSize = 0;
    uint64_t dataAreaSize = 0;
    for (const ZqArcEntry& e : entries) {
        const uint64_t stored = 2 * (e.name.size() + 1);
        if (e.name.empty() || stored > A::MAX_NAME_SIZE ||
            e.name.find(u'\0') != std::u16string::npos) {
            return refuse(error, "a name is empty, too long or holds a zero character");
        }
        if (!seen.insert(e.name).second) {
            return refuse(error, "two files have the same name");
        }
        if (e.data.size() > A::MAX_DATA_SIZE) {
            return refuse(error, "a file is larger than 4 MiB");
        }
        namesSize += stored;
        dataAreaSize += A::calcPadding(e.data.size()) + A::SZ_SHA;
    }
    const uint64_t headerSize = A::calcPadding(A::headerNamesPos(n) + namesSize) + A::SZ_SHA;
    const uint64_t total = headerSize + dataAreaSize;
    // The reader wants at least one file's worth of header and data, and less than 1 GiB.
    if (n == 0 || total < A::MIN_ARCHIVE_SIZE) {
        return refuse(error, "an archive needs at least one file");
    }
    if (total >= A::MAX_ARCHIVE_SIZE) {
        return refuse(error, "the archive would reach 1 GiB");
    }

    image.assign(total, 0);
    putLe32(image, A::headerVersionPos, version);
    putLe32(image, A::headerSzHeaderPos, static_cast<uint32_t>(headerSize));
    putLe32(image, A::headerNrFilesPos, static_cast<uint32_t>(n));
    uint64_t namePos = A::headerNamesPos(n);
    uint64_t dataPos = headerSize;
    for (uint64_t i = 0; i < n; ++i) {
        const ZqArcEntry& e = entries[i];
        const uint32_t stored = static_cast<uint32_t>(2 * (e.name.size() + 1));
        putLe64(image, A::headerTimesPos(i), e.time);
        putLe32(image, A::headerNameSizesPos(n, i), stored);
        putLe32(image, A::headerDataSizesPos(n, i), static_cast<uint32_t>(e.data.size()));
        for (size_t k = 0; k < e.name.size(); ++k) {
            image[namePos + 2 * k] = static_cast<uint8_t>(e.name[k]);
            image[namePos + 2 * k + 1] = static_cast<uint8_t>(e.name[k] >> 8);
        }
        namePos += stored;

        const uint64_t padded = A::calcPadding(e.data.size());
        std::copy(e.data.begin(), e.data.end(), image.begin() + static_cast<ptrdiff_t>(dataPos));
        zqCalcSha256(image.data() + dataPos + padded, image.data() + dataPos,
                     static_cast<uint32_t>(padded));
        dataPos += padded + A::SZ_SHA;
    }
    // The header's digest comes last: it covers every table and name above.
    return sealHeader(image);
}

bool ZqArcWriter::write(const std::string& path, const std::vector<ZqArcEntry>& entries,
                        const uint32_t version, std::string* const error) {
    std::vector<uint8_t> image;
    if (!build(entries, version, image, error)) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        return refuse(error, "cannot write " + path);
    }
    return true;
}

bool ZqArcWriter::sealHeader(std::vector<uint8_t>& image) {
    if (image.size() < 8) {
        return false;
    }
    const uint32_t headerSize = getLe32(image, ZqArcFile::headerSzHeaderPos);
    if (headerSize < ZqArcFile::SZ_SHA + 8 || headerSize > image.size()) {
        return false;
    }
    zqCalcSha256(image.data() + headerSize - ZqArcFile::SZ_SHA, image.data(),
                 headerSize - ZqArcFile::SZ_SHA);
    return true;
}
