#include "zq/file/ZqArcFile.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteReader.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Names are hashed and compared as the UTF-16 code units lie in memory, which must be the
// stored little-endian order.
static_assert(std::endian::native == std::endian::little);

// The header size an archive's first bytes state; 0 when they are too short to state one.
uint32_t statedHeaderSize(const void* const start, const uint64_t size) {
    uint32_t headerSize = 0;
    ZqByteReader(start, size).u32(ZqArcFile::headerSzHeaderPos, headerSize);
    return headerSize;
}

bool digestMatches(const uint8_t* const data, const uint32_t size, const uint8_t* const digest) {
    uint8_t computed[ZqArcFile::SZ_SHA];
    zqCalcSha256(computed, data, size);
    return std::memcmp(computed, digest, ZqArcFile::SZ_SHA) == 0;
}

void* allocateOrThrow(const uint32_t size) {
    void* const p = ZqMemAlloc::allocate(size);
    if (p == nullptr) {
        throw ZqError::ARCHIVE_MEMORY;
    }
    return p;
}

} // namespace

ZqArcFile::ZqArcFile() : ZqArcFile(nullptr) {}

ZqArcFile::ZqArcFile(ZqFile::Io* const io) {
    if (io != nullptr) {
        m_pIo = io;
    } else {
        m_pOwnIo = std::make_unique<ZqFile::Io>();
        m_pIo = m_pOwnIo.get();
    }
}

ZqArcFile::~ZqArcFile() {
    close();
}

bool ZqArcFile::setFileIo(ZqFile::Io* const io) {
    if (m_archiveSize != 0) {
        return false;
    }
    if (io != nullptr) {
        m_pOwnIo.reset();
        m_pIo = io;
    } else {
        if (!m_pOwnIo) {
            m_pOwnIo = std::make_unique<ZqFile::Io>();
        }
        m_pIo = m_pOwnIo.get();
    }
    return true;
}

bool ZqArcFile::fail(const uint32_t code) {
    zqp::setLastError(code);
    return false;
}

uint32_t ZqArcFile::readHeaderU32(const uint64_t position) const {
    uint32_t v = 0;
    ZqByteReader(m_pHeader, m_headerSize).u32(position, v);
    return v;
}

bool ZqArcFile::ropen(const char16_t* const name) {
    return ZqFile::arcRopenBody(this, name);
}

uint32_t ZqArcFile::ropenStart(const char16_t* const name) {
    return ZqFile::arcRopenStartBody(this, name);
}

bool ZqArcFile::isRopenFinished(const uint32_t requestId, bool* const opened) {
    return ZqFile::isArcRopenFinishedBody(requestId, opened);
}

bool ZqArcFile::ropenBody(const char16_t* const name) {
    if (name == nullptr) {
        return fail(ERROR_NULL);
    }
    if (m_archiveSize != 0) {
        return fail(ERROR_ALREADY_OPEN);
    }
    uint32_t size = 0;
    if (!m_pIo->ropen(name, 0, &size)) {
        return fail(ERROR_NOT_FOUND);
    }
    m_ioOpen = true;
    m_fromMemory = 0;
    // The reader counts as open only once everything is checked, so a failure (or a thrown
    // allocation failure) never leaves it half open.
    try {
        if (size < MIN_ARCHIVE_SIZE || size >= MAX_ARCHIVE_SIZE) {
            close();
            return fail(ERROR_SIZE);
        }
        uint8_t start[8] = {};
        if (m_pIo->read(start, sizeof start) != sizeof start) {
            close();
            return fail(ERROR_SHORT_READ);
        }
        const uint32_t headerSize = statedHeaderSize(start, sizeof start);
        if (headerSize < MIN_HEADER_SIZE || headerSize >= size) {
            close();
            return fail(ERROR_HEADER_SIZE);
        }
        m_pHeaderCopy = static_cast<uint8_t*>(allocateOrThrow(headerSize));
        std::memcpy(m_pHeaderCopy, start, sizeof start);
        if (m_pIo->read(m_pHeaderCopy + sizeof start, headerSize - sizeof start) !=
            headerSize - sizeof start) {
            close();
            return fail(ERROR_SHORT_READ);
        }
        m_pHeader = m_pHeaderCopy;
        m_headerSize = headerSize;
        if (!checkHeader(size)) {
            const uint32_t code = zqp::getLastError();
            close();
            return fail(code);
        }
    } catch (...) {
        close();
        throw;
    }
    m_archiveSize = size;
    return true;
}

bool ZqArcFile::ropen(const void* const image, const uint32_t size) {
    if (image == nullptr) {
        return fail(ERROR_NULL);
    }
    if (m_archiveSize != 0) {
        return fail(ERROR_ALREADY_OPEN);
    }
    if (size < MIN_ARCHIVE_SIZE) {
        return fail(ERROR_SIZE);
    }
    const uint32_t headerSize = statedHeaderSize(image, size);
    if (headerSize < MIN_HEADER_SIZE || headerSize >= size) {
        return fail(ERROR_HEADER_SIZE);
    }
    m_pHeader = static_cast<const uint8_t*>(image);
    m_headerSize = headerSize;
    m_fromMemory = 1;
    try {
        if (!checkHeader(size)) {
            const uint32_t code = zqp::getLastError();
            close();
            return fail(code);
        }
    } catch (...) {
        close();
        throw;
    }
    m_archiveSize = size;
    return true;
}

bool ZqArcFile::checkHeader(const uint32_t archiveSize) {
    const uint64_t headerSize = m_headerSize;
    const ZqByteReader header(m_pHeader, headerSize);
    if (!digestMatches(m_pHeader, m_headerSize - SZ_SHA,
                       header.bytes(headerSize - SZ_SHA, SZ_SHA))) {
        return fail(ERROR_HEADER_DIGEST);
    }
    const uint32_t n = readHeaderU32(headerNrFilesPos);
    if (n > MAX_FILES) {
        return fail(ERROR_TOO_MANY_FILES);
    }
    // The fixed tables must lie before the header's digest before any of them is read.
    if (headerNamesPos(n) + SZ_SHA > headerSize) {
        return fail(ERROR_HEADER_SIZE);
    }
    if (n != 0) {
        m_pEntries = static_cast<Entry*>(zqCalloc(n, sizeof(Entry)));
        m_pById = static_cast<uint32_t*>(zqCalloc(n, sizeof(uint32_t)));
        if (m_pEntries == nullptr || m_pById == nullptr) {
            throw ZqError::ARCHIVE_MEMORY;
        }
    }
    uint64_t p = headerNamesPos(n);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t s = readHeaderU32(headerNameSizesPos(n, i));
        // An odd size cannot hold UTF-16 text, and would misalign every later name.
        if (s < MIN_NAME_SIZE || s > MAX_NAME_SIZE || (s & 1) != 0 ||
            calcPadding(p + s) + SZ_SHA > headerSize) {
            return fail(ERROR_NAME);
        }
        const uint8_t* const name = header.bytes(p, s);
        uint16_t terminator = 1;
        if (name == nullptr || !header.u16(p + s - 2, terminator) || terminator != 0) {
            return fail(ERROR_NAME);
        }
        m_pEntries[i].nameId = zqCalcFnv(name, s);
        m_pEntries[i].namePos = static_cast<uint32_t>(p);
        p += s;
    }
    // The data area is walked as the loads walk it, in 64 bits: data, padding and digest
    // of every file must end inside the archive.
    uint64_t end = headerSize;
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t d = readHeaderU32(headerDataSizesPos(n, i));
        if (d > MAX_DATA_SIZE) {
            return fail(ERROR_DATA_SIZE);
        }
        m_pEntries[i].dataPos = static_cast<uint32_t>(end);
        end += calcPadding(d) + SZ_SHA;
        if (end > archiveSize) {
            return fail(ERROR_DATA_SIZE);
        }
    }
    for (uint32_t i = 0; i < n; ++i) {
        m_pById[i] = i;
    }
    const Entry* const entries = m_pEntries;
    std::sort(m_pById, m_pById + n, [entries](const uint32_t a, const uint32_t b) {
        return entries[a].nameId != entries[b].nameId ? entries[a].nameId < entries[b].nameId
                                                      : a < b;
    });
    return true;
}

void ZqArcFile::close() {
    if (m_ioOpen) {
        m_pIo->close();
        m_ioOpen = false;
    }
    ZqMemAlloc::deallocate(m_pHeaderCopy);
    m_pHeaderCopy = nullptr;
    ZqMemAlloc::deallocate(m_pEntries);
    m_pEntries = nullptr;
    ZqMemAlloc::deallocate(m_pById);
    m_pById = nullptr;
    m_pHeader = nullptr;
    m_headerSize = 0;
    m_archiveSize = 0;
    m_fromMemory = 0;
}

uint32_t ZqArcFile::getVersion() const {
    return m_archiveSize != 0 ? readHeaderU32(headerVersionPos) : 0;
}

uint32_t ZqArcFile::getNrFiles() const {
    return m_archiveSize != 0 ? readHeaderU32(headerNrFilesPos) : 0;
}

uint32_t ZqArcFile::searchFileNr(const char16_t* const name, uint32_t* const index) const {
    const uint32_t n = getNrFiles();
    if (n == 0 || name == nullptr) {
        return 0;
    }
    // The asked name as stored: its characters and the terminator.
    const uint64_t askedSize = 2 * (std::char_traits<char16_t>::length(name) + 1);
    if (askedSize > MAX_NAME_SIZE) {
        return 0;
    }
    const uint64_t id = zqCalcFnv(name, static_cast<uint32_t>(askedSize));
    const ZqByteReader header(m_pHeader, m_headerSize);
    // Among the files with this id, the first in header order whose name matches.
    const Entry* const entries = m_pEntries;
    const uint32_t* at = std::lower_bound(
        m_pById, m_pById + n, id,
        [entries](const uint32_t i, const uint64_t value) { return entries[i].nameId < value; });
    for (; at != m_pById + n && entries[*at].nameId == id; ++at) {
        const uint32_t i = *at;
        const uint32_t s = readHeaderU32(headerNameSizesPos(n, i));
        const uint8_t* const stored = header.bytes(entries[i].namePos, s);
        if (s == askedSize && stored != nullptr && std::memcmp(stored, name, s) == 0) {
            if (index != nullptr) {
                *index = i;
            }
            return entries[i].dataPos;
        }
    }
    return 0;
}

const char16_t* ZqArcFile::getFileName(const uint32_t index) const {
    const uint32_t n = getNrFiles();
    if (index >= n) {
        return nullptr;
    }
    return reinterpret_cast<const char16_t*>(m_pHeader + m_pEntries[index].namePos);
}

int64_t ZqArcFile::getFileDate(const uint32_t index) const {
    if (index >= getNrFiles()) {
        return 0;
    }
    uint64_t time = 0;
    ZqByteReader(m_pHeader, m_headerSize).u64(headerTimesPos(index), time);
    return static_cast<int64_t>(time & 0xFFFFFFFFu);
}

uint32_t ZqArcFile::getFileSize(const uint32_t index) const {
    const uint32_t n = getNrFiles();
    if (index >= n) {
        return 0;
    }
    return readHeaderU32(headerDataSizesPos(n, index));
}

void* ZqArcFile::load(const char16_t* const name, const uint32_t minSize, uint32_t* const size) {
    if (m_fromMemory != 0) {
        return loadBody(name, minSize, size);
    }
    return ZqFile::arcLoadBody(this, name, minSize, size);
}

uint32_t ZqArcFile::loadStart(const char16_t* const name, const uint32_t minSize,
                              const uint32_t limit) {
    return ZqFile::arcLoadStartBody(this, name, minSize, limit);
}

bool ZqArcFile::isLoadFinished(const uint32_t requestId, void** const buffer,
                               uint32_t* const size) {
    return ZqFile::isArcLoadFinishedBody(requestId, buffer, size);
}

void* ZqArcFile::loadBody(const char16_t* const name, const uint32_t minSize,
                          uint32_t* const size) {
    if (name == nullptr) {
        fail(ERROR_NULL);
        return nullptr;
    }
    if (m_archiveSize == 0) {
        fail(ERROR_NOT_OPEN);
        return nullptr;
    }
    uint32_t index = 0;
    const uint32_t offset = searchFileNr(name, &index);
    if (offset == 0) {
        fail(ERROR_NOT_FOUND);
        return nullptr;
    }
    const uint32_t dataSize = getFileSize(index);
    if (dataSize < minSize) {
        fail(ERROR_SIZE);
        return nullptr;
    }
    if (size != nullptr) {
        if (*size != 0 && (*size > MAX_DATA_SIZE || *size < dataSize)) {
            fail(ERROR_SIZE);
            return nullptr;
        }
        *size = dataSize;
    }
    const uint32_t padded = static_cast<uint32_t>(calcPadding(dataSize));
    // An empty file still gets a buffer of its own. From a file, the stored digest is read
    // with the data, into the buffer's tail: one read per member.
    const bool fromFile = m_fromMemory == 0;
    auto* const buffer = static_cast<uint8_t*>(
        allocateOrThrow(fromFile ? padded + SZ_SHA : (padded != 0 ? padded : 1)));
    const uint8_t* digest = buffer + padded;
    if (!fromFile) {
        // Memory mode: the header pointer is the start of the whole image.
        const uint8_t* const data =
            ZqByteReader(m_pHeader, m_archiveSize).bytes(offset, padded + uint64_t{SZ_SHA});
        if (data == nullptr) {
            ZqMemAlloc::deallocate(buffer);
            fail(ERROR_DATA_SIZE);
            return nullptr;
        }
        std::memcpy(buffer, data, padded);
        digest = data + padded;
    } else if (m_pIo->m_pCipher && !m_pIo->seek(offset, 0)) {
        ZqMemAlloc::deallocate(buffer);
        fail(ERROR_SEEK);
        return nullptr;
    } else if ((m_pIo->m_pCipher
                    ? m_pIo->read(buffer, padded + SZ_SHA)
                    : m_pIo->readAt(offset, buffer, padded + SZ_SHA)) != padded + SZ_SHA) {
        ZqMemAlloc::deallocate(buffer);
        fail(ERROR_SHORT_READ);
        return nullptr;
    }
    if (!digestMatches(buffer, padded, digest)) {
        ZqMemAlloc::deallocate(buffer);
        fail(ERROR_DATA_DIGEST);
        return nullptr;
    }
    return buffer;
}
