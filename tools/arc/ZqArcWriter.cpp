#include "ZqArcWriter.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"

#include <fstream>
#include <unordered_set>

namespace {

// Appends the SHA-256 of everything written since `from`.
void appendDigest(ZqByteWriter& w, const uint64_t from) {
    uint8_t digest[ZqArcFile::SZ_SHA];
    zqCalcSha256(digest, w.data().data() + from, static_cast<uint32_t>(w.tell() - from));
    w.bytes(digest, sizeof digest);
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

    ZqByteWriter w;
    w.reserve(total);
    w.u32(version);
    w.u32(static_cast<uint32_t>(headerSize));
    w.u32(static_cast<uint32_t>(n));
    w.u32(0);
    for (const ZqArcEntry& e : entries) {
        w.u64(e.time);
    }
    for (const ZqArcEntry& e : entries) {
        w.u32(static_cast<uint32_t>(2 * (e.name.size() + 1)));
    }
    for (const ZqArcEntry& e : entries) {
        w.u32(static_cast<uint32_t>(e.data.size()));
    }
    for (const ZqArcEntry& e : entries) {
        for (const char16_t c : e.name) {
            w.u16(c);
        }
        w.u16(0);
    }
    w.align(8);
    // The header's digest covers every table and name above; each file's digest covers its
    // data and padding.
    appendDigest(w, 0);
    for (const ZqArcEntry& e : entries) {
        const uint64_t start = w.tell();
        w.bytes(e.data.data(), e.data.size());
        w.align(8);
        appendDigest(w, start);
    }
    image = w.take();
    return image.size() == total || refuse(error, "the archive's layout does not add up");
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
    uint32_t headerSize = 0;
    if (!ZqByteReader(image.data(), image.size()).u32(ZqArcFile::headerSzHeaderPos, headerSize) ||
        headerSize < ZqArcFile::SZ_SHA + 8 || headerSize > image.size()) {
        return false;
    }
    zqCalcSha256(image.data() + headerSize - ZqArcFile::SZ_SHA, image.data(),
                 headerSize - ZqArcFile::SZ_SHA);
    return true;
}
