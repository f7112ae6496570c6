// ZqFile::Io in plain mode: a buffered C stream over one file, and the whole-file load and
// save the worker runs through it. An Io with a cipher hands its reads, seeks and writes to
// the cipher modes (ZqFile_cipher.cpp).
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/fs/fs.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char16_t CR = 0x0D;
constexpr char16_t LF = 0x0A;
constexpr uint32_t READ_ERROR = 0xFFFFFFFFu;
// Stream positions go through long: 64 bits in this build.
static_assert(sizeof(long) >= 8);

bool isLineEnd(const char16_t c) {
    return c == CR || c == LF;
}

} // namespace

ZqFile::Io::Io() = default;

ZqFile::Io::~Io() {
    close();
}

bool ZqFile::Io::checkSize(const uint32_t fileSize, const uint32_t minSize,
                           const uint32_t* const size) {
    if (fileSize < minSize) {
        return false;
    }
    // A non-zero limit must allow the file and stay within what a load may take.
    return size == nullptr || *size == 0 || (*size <= MAX_FILE_SIZE && *size >= fileSize);
}

bool ZqFile::Io::ropen(const char16_t* const name, const uint32_t minSize, uint32_t* const size) {
    if (m_pStream != nullptr || name == nullptr) {
        return false;
    }
    if (m_pCipher) {
        return ropenCipher(name, minSize, size);
    }
    uint64_t fileSize = 0;
    if (!zqp::fileSize(name, fileSize)) {
        fileSize = 0;
    }
    // Sizes are 32-bit throughout; a larger file would be read short without notice.
    if (fileSize > 0xFFFFFFFFu) {
        return false;
    }
    m_physicalSize = static_cast<uint32_t>(fileSize);
    m_logicalSize = m_physicalSize;
    m_errorFlag = false;
    if (!checkSize(m_physicalSize, minSize, size)) {
        return false;
    }
    if (size != nullptr) {
        *size = m_physicalSize;
    }
    m_pStream = zqp::openFile(name, "rb");
    return m_pStream != nullptr;
}

uint32_t ZqFile::Io::read(void* const buffer, const uint32_t count) {
    if (m_pStream == nullptr || m_errorFlag || (buffer == nullptr && count != 0)) {
        return READ_ERROR;
    }
    if (m_pCipher) {
        return readCipher(static_cast<uint8_t*>(buffer), count);
    }
    auto* const out = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const size_t n = std::fread(out + done, 1, count - done, m_pStream);
        done += static_cast<uint32_t>(n);
        if (done == count) {
            break;
        }
        if (std::feof(m_pStream)) {
            break;
        }
        if (std::ferror(m_pStream)) {
            m_errorFlag = true;
            return READ_ERROR;
        }
    }
    return done;
}

uint32_t ZqFile::Io::readAt(const uint64_t offset, void* const buffer, const uint32_t count) {
    if (m_pStream == nullptr || m_errorFlag || (buffer == nullptr && count != 0)) {
        return READ_ERROR;
    }
    if (m_pCipher || offset > static_cast<uint64_t>(INT64_MAX)) {
        return seek(static_cast<int64_t>(offset), 0) ? read(buffer, count) : READ_ERROR;
    }
    const uint64_t n = zqp::readAt(m_pStream, offset, buffer, count);
    if (n == UINT64_MAX) {
        m_errorFlag = true;
        return READ_ERROR;
    }
    return static_cast<uint32_t>(n);
}

bool ZqFile::Io::seek(const int64_t offset, const int origin) {
    if (m_pStream == nullptr) {
        return false;
    }
    if (m_pCipher) {
        return seekCipher(offset, origin);
    }
    int whence = SEEK_SET;
    switch (origin) {
    case 0:
        whence = SEEK_SET;
        break;
    case 1:
        whence = SEEK_CUR;
        break;
    case 2:
        whence = SEEK_END;
        break;
    default:
        return false;
    }
    if (std::fseek(m_pStream, static_cast<long>(offset), whence) != 0) {
        return false;
    }
    m_errorFlag = false;
    return true;
}

uint32_t ZqFile::Io::tell() const {
    if (m_pStream == nullptr || m_errorFlag) {
        return READ_ERROR;
    }
    if (m_pCipher) {
        return m_position - headerSize();
    }
    const long position = std::ftell(m_pStream);
    if (position < 0 || position >= static_cast<long>(READ_ERROR)) {
        return READ_ERROR;
    }
    return static_cast<uint32_t>(position);
}

bool ZqFile::Io::close() {
    if (m_pStream == nullptr) {
        return true;
    }
    const bool ok = std::fclose(m_pStream) == 0;
    m_pStream = nullptr;
    return ok;
}

char16_t* ZqFile::Io::fgets(char16_t* const buffer, const uint32_t size) {
    // Room for at least one character and its terminator.
    if (buffer == nullptr || size < 2 || m_pStream == nullptr) {
        return nullptr;
    }
    // A byte-order mark is skipped at the start of the file only.
    if (m_errorFlag) {
        seek(0, 0);
    } else if (tell() == 0) {
        uint8_t mark[2] = {};
        if (!(read(mark, 2) == 2 && mark[0] == 0xFF && mark[1] == 0xFE)) {
            seek(0, 0);
        }
    }
    if (m_errorFlag) {
        return nullptr;
    }

    const uint32_t wanted =
        static_cast<uint32_t>(std::min<uint64_t>(2ull * size - 2, READ_ERROR - 1));
    const uint32_t got = read(buffer, wanted);
    if (got == 0 || got == READ_ERROR) {
        return nullptr;
    }
    const uint32_t chars = got / 2;
    buffer[chars] = 0;

    // The line ends before the first character that follows a line end and is not one, or
    // repeats the one before it, or is the third line-end character in a row: CR LF and
    // LF CR stay together.
    uint32_t cut = 0;
    while (cut < chars && buffer[cut] != 0) {
        if (cut > 0 && isLineEnd(buffer[cut - 1])) {
            const char16_t c = buffer[cut];
            if (!isLineEnd(c) || c == buffer[cut - 1] || (cut >= 2 && isLineEnd(buffer[cut - 2]))) {
                break;
            }
        }
        ++cut;
    }
    // Nothing before a zero character (or only half of one left): the text ends here, and
    // stepping back would hand out the same empty line for ever.
    if (cut == 0) {
        return nullptr;
    }
    buffer[cut] = 0;
    const uint32_t beyond = got - 2 * cut;
    if (beyond != 0 && !seek(-static_cast<int64_t>(beyond), 1)) {
        return nullptr;
    }
    return buffer;
}

void* ZqFile::Io::loadBody(const char16_t* const name, const uint32_t minSize,
                           uint32_t* const size) {
    if (name == nullptr) {
        return nullptr;
    }
    // The request's limit is not applied to whole-file loads; only the minimum size is.
    uint32_t ownSize = 0;
    if (!ropen(name, minSize, &ownSize)) {
        return nullptr;
    }
    // An empty file still gives a buffer of its own.
    void* const buffer = ZqMemAlloc::allocate(std::max<uint32_t>(m_logicalSize, 1));
    if (buffer == nullptr) {
        close();
        return nullptr;
    }
    if (read(buffer, m_logicalSize) != m_logicalSize) {
        close();
        ZqMemAlloc::deallocate(buffer);
        return nullptr;
    }
    if (size != nullptr) {
        *size = m_logicalSize;
    }
    close();
    return buffer;
}

bool ZqFile::Io::saveBody(const char16_t* const name, const void* const data, const uint32_t size) {
    if (name == nullptr || data == nullptr || size == 0 || size > MAX_FILE_SIZE ||
        m_pStream != nullptr) {
        return false;
    }
    m_pStream = zqp::openFile(name, "wb");
    if (m_pStream == nullptr) {
        return false;
    }
    const auto* const in = static_cast<const uint8_t*>(data);
    uint32_t done = 0;
    bool ok = true;
    if (m_pCipher) {
        ok = saveCipher(in, size);
        done = size;
    }
    while (done < size) {
        const size_t n = std::fwrite(in + done, 1, size - done, m_pStream);
        done += static_cast<uint32_t>(n);
        if (done < size && (n == 0 || std::ferror(m_pStream))) {
            ok = false;
            break;
        }
    }
    // Buffered bytes reach the file at the close; a failure there fails the save too.
    const bool closed = close();
    return ok && closed;
}

void* ZqFile::Io::load(const char16_t* const name, const uint32_t minSize, uint32_t* const size) {
    return ZqFile::loadBody(this, name, minSize, size);
}

bool ZqFile::Io::save(const char16_t* const name, const void* const data, const uint32_t size) {
    return ZqFile::saveBody(this, name, data, size);
}

uint32_t ZqFile::Io::loadStart(const char16_t* const name, const uint32_t minSize,
                               const uint32_t limit) {
    return ZqFile::loadStartBody(this, name, minSize, limit);
}

uint32_t ZqFile::Io::saveStart(const char16_t* const name, const void* const data,
                               const uint32_t size) {
    return ZqFile::saveStartBody(this, name, data, size);
}

bool ZqFile::Io::isLoadFinished(const uint32_t requestId, void** const buffer,
                                uint32_t* const size) {
    return ZqFile::isLoadFinishedBody(requestId, buffer, size);
}

bool ZqFile::Io::isSaveFinished(const uint32_t requestId, const void** const data) {
    return ZqFile::isSaveFinishedBody(requestId, data);
}
