// ZqFile::Io in its cipher modes: the enciphered container (zq/file/ZqCipherFileFormat.h) read
// and written through one preallocated piece buffer, with the plain content's positions for
// read, seek, tell and line reading. ECB keeps the last partly used block deciphered; CBC
// keeps the enciphered block before the current one as its chain.
#include "zq/file/ZqCipherFileFormat.h"
#include "zq/file/ZqFile.h"
#include "zq/platform/fs/fs.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t READ_ERROR = 0xFFFFFFFFu;
constexpr uint32_t BAD_CIPHER_FILE = 192;

} // namespace

ZqFile::Io::Io(const ZqBlockCipher::TYPE type, const ZqBlockCipher::MODE mode)
    : m_mode(mode), m_randModulus(zqcf::DEFAULT_MODULUS), m_randState(zqcf::DEFAULT_SEED) {
    if (mode != ZqBlockCipher::MODE_ECB && mode != ZqBlockCipher::MODE_CBC) {
        throw BAD_CIPHER_FILE;
    }
    m_pCipher = ZqBlockCipher::create(type);
    if (!m_pCipher) {
        throw BAD_CIPHER_FILE;
    }
    // Pieces of whole blocks, and the length bits inside one block.
    const uint32_t b = m_pCipher->getBlockSize();
    if (b == 0 || (b & (b - 1)) != 0 || b % 4 != 0 || zqcf::PIECE_SIZE % b != 0 || b < 16) {
        throw BAD_CIPHER_FILE;
    }
    m_blockSize = b;
    m_blockMask = ~(b - 1);
    m_pWork = std::make_unique<uint8_t[]>(zqcf::PIECE_SIZE + b);
    m_pBlock = std::make_unique<uint8_t[]>(b);
}

bool ZqFile::Io::setKey(const void* const key, const uint32_t length) {
    return m_pCipher && m_pCipher->setKey(key, length);
}

bool ZqFile::Io::setRandSeed(const uint32_t modulus, const uint32_t seed) {
    m_randModulus = std::max<uint32_t>(modulus, 2);
    m_randState = seed;
    return modulus >= 2;
}

bool ZqFile::Io::moveStream(const uint64_t position) {
    return std::fseek(m_pStream, static_cast<long>(position), SEEK_SET) == 0;
}

// Reads up to `bytes` from the stream; `got` counts what came. False on a stream error, which
// also sets the error flag; a short read at the end of the file is not an error.
bool ZqFile::Io::readBlocks(uint8_t* const to, const uint32_t bytes, uint32_t& got) {
    got = static_cast<uint32_t>(std::fread(to, 1, bytes, m_pStream));
    if (got < bytes && std::ferror(m_pStream)) {
        m_errorFlag = true;
        return false;
    }
    return true;
}

bool ZqFile::Io::ropenCipher(const char16_t* const name, const uint32_t minSize,
                             uint32_t* const size) {
    uint64_t fileSize = 0;
    if (!zqp::fileSize(name, fileSize)) {
        fileSize = 0;
    }
    m_errorFlag = false;
    m_decodedBlock = -1;
    m_chainBlock = -1;
    const uint64_t b = m_blockSize;
    const uint64_t header = headerSize();
    if (fileSize > 0xFFFFFFFFu || fileSize < header || fileSize % b != 0) {
        return false;
    }
    m_physicalSize = static_cast<uint32_t>(fileSize);
    m_pStream = zqp::openFile(name, "rb");
    if (m_pStream == nullptr) {
        return false;
    }
    uint32_t got = 0;
    uint8_t* const work = m_pWork.get();
    if (!readBlocks(work, static_cast<uint32_t>(header), got) || got != header) {
        close();
        return false;
    }
    if (m_mode == ZqBlockCipher::MODE_ECB) {
        m_pCipher->decodeEcb(work, m_pBlock.get(), 1);
    } else {
        // The length block is chained to the chaining start; it then chains the content.
        m_pCipher->decodeCbc(work, work + b, m_pBlock.get(), 1);
        std::memmove(work, work + b, b);
        m_chainBlock = static_cast<int64_t>(b);
    }
    const uint32_t length = zqcf::getLength(m_pBlock.get());
    // The content fills the blocks behind the header, the last one at least partly. A wrong
    // key or a foreign file gives a length that almost never fits.
    const uint64_t end = header + length;
    if (!(end > fileSize - b && end <= fileSize) || !checkSize(length, minSize, size)) {
        close();
        return false;
    }
    if (size != nullptr) {
        *size = length;
    }
    m_logicalSize = length;
    m_position = static_cast<uint32_t>(header);
    m_alignedPosition = m_position;
    return true;
}

uint32_t ZqFile::Io::readCipher(uint8_t* const out, const uint32_t count) {
    const uint32_t b = m_blockSize;
    const uint64_t end = uint64_t{headerSize()} + m_logicalSize;
    if (m_position >= end || count == 0) {
        return 0;
    }
    const auto wanted = static_cast<uint32_t>(std::min<uint64_t>(count, end - m_position));
    uint8_t* const work = m_pWork.get();
    uint8_t* const block = m_pBlock.get();
    const bool cbc = m_mode == ZqBlockCipher::MODE_CBC;
    // With the stream at the start of the block that holds pos; it ends the same way.
    uint64_t pos = m_position;
    uint64_t streamAt = m_alignedPosition;
    uint32_t done = 0;
    bool failed = false;

    while (done < wanted) {
        const uint64_t blockStart = pos & m_blockMask;
        const auto inBlock = static_cast<uint32_t>(pos - blockStart);
        const uint32_t left = wanted - done;
        if (!cbc && m_decodedBlock == static_cast<int64_t>(blockStart)) {
            const uint32_t n = std::min(left, b - inBlock);
            std::memcpy(out + done, block + inBlock, n);
            done += n;
            pos += n;
            continue;
        }
        if (streamAt != blockStart) {
            if (!moveStream(blockStart)) {
                failed = true;
                break;
            }
            streamAt = blockStart;
        }
        // CBC needs the enciphered block before this one as its chain.
        if (cbc && m_chainBlock != static_cast<int64_t>(blockStart - b)) {
            uint32_t got = 0;
            if (!moveStream(blockStart - b) || !readBlocks(work, b, got) || got != b) {
                failed = true;
                break;
            }
            m_chainBlock = static_cast<int64_t>(blockStart - b);
        }
        uint8_t* const src = work + (cbc ? b : 0);
        if (inBlock != 0 || left < b) {
            // A block of which only a part is wanted goes through the block buffer.
            uint32_t got = 0;
            if (!readBlocks(src, b, got)) {
                failed = true;
                break;
            }
            if (got != b) {
                streamAt = blockStart + got;
                break;
            }
            streamAt = blockStart + b;
            const uint32_t n = std::min(left, b - inBlock);
            if (cbc) {
                m_pCipher->decodeCbc(work, src, block, 1);
                if (inBlock + n == b) {
                    std::memcpy(work, src, b);
                    m_chainBlock = static_cast<int64_t>(blockStart);
                }
            } else {
                m_pCipher->decodeEcb(src, block, 1);
                m_decodedBlock = static_cast<int64_t>(blockStart);
            }
            std::memcpy(out + done, block + inBlock, n);
            done += n;
            pos += n;
            continue;
        }
        // Whole blocks straight into the caller's buffer, a piece at a time.
        const uint32_t bytes = std::min(left & m_blockMask, zqcf::PIECE_SIZE);
        uint32_t got = 0;
        if (!readBlocks(src, bytes, got)) {
            failed = true;
            break;
        }
        const uint32_t whole = got & m_blockMask;
        streamAt = blockStart + got;
        if (whole != 0) {
            if (cbc) {
                m_pCipher->decodeCbc(work, src, out + done, whole / b);
                std::memcpy(work, src + whole - b, b);
                m_chainBlock = static_cast<int64_t>(blockStart + whole - b);
            } else {
                m_pCipher->decodeEcb(src, out + done, whole / b);
            }
            done += whole;
            pos += whole;
        }
        if (got != bytes) {
            break;
        }
    }

    if (failed) {
        m_errorFlag = true;
        return READ_ERROR;
    }
    m_position = static_cast<uint32_t>(pos);
    m_alignedPosition = m_position & m_blockMask;
    if (streamAt != m_alignedPosition && !moveStream(m_alignedPosition)) {
        m_errorFlag = true;
        return READ_ERROR;
    }
    return done;
}

bool ZqFile::Io::seekCipher(const int64_t offset, const int origin) {
    if (m_errorFlag) {
        // The stream's own position is all that is known after a failed read.
        const long at = std::ftell(m_pStream);
        if (at < 0 || static_cast<uint64_t>(at) > 0xFFFFFFFFu) {
            return false;
        }
        m_position = static_cast<uint32_t>(at);
        m_alignedPosition = m_position & m_blockMask;
        if (!moveStream(m_alignedPosition)) {
            return false;
        }
    }
    const int64_t header = headerSize();
    int64_t target = 0;
    switch (origin) {
    case 0:
        target = header;
        break;
    case 1:
        target = m_position;
        break;
    case 2:
        target = header + m_logicalSize;
        break;
    default:
        return false;
    }
    // Offsets come from callers: keep the sum in range before adding.
    if (offset > int64_t{0xFFFFFFFF} || offset < -int64_t{0xFFFFFFFF}) {
        return false;
    }
    target += offset;
    // Inside the header or past what a 32-bit position holds: refused, nothing changes.
    if (target < header || target > int64_t{0xFFFFFFFF}) {
        return false;
    }
    const auto aligned = static_cast<uint32_t>(target) & m_blockMask;
    if (!moveStream(aligned)) {
        return false;
    }
    m_position = static_cast<uint32_t>(target);
    m_alignedPosition = aligned;
    m_errorFlag = false;
    return true;
}

bool ZqFile::Io::saveCipher(const uint8_t* const data, const uint32_t size) {
    const uint32_t b = m_blockSize;
    uint8_t* const work = m_pWork.get();
    zqcf::Generator rand{m_randModulus, m_randState};
    const auto write = [this](const uint8_t* const p, const uint32_t n) {
        return std::fwrite(p, 1, n, m_pStream) == n;
    };
    const bool cbc = m_mode == ZqBlockCipher::MODE_CBC;
    bool ok = true;
    if (cbc) {
        // Two blocks of generator bytes, the first byte last; the second carries the length.
        for (uint32_t i = 0; i < 2 * b; ++i) {
            work[2 * b - 1 - i] = rand.next();
        }
        zqcf::putLength(work + b, size);
        m_pCipher->encodeCbc(work + b, work, work + b, 1);
        ok = write(work, 2 * b);
        std::memcpy(work, work + b, b);
    } else {
        for (uint32_t i = 0; i < b; ++i) {
            work[i] = rand.next();
        }
        zqcf::putLength(work, size);
        m_pCipher->encodeEcb(work, work, 1);
        ok = write(work, b);
    }
    // CBC writes each piece behind its chaining block, ECB from the start of the buffer.
    uint8_t* const piece = work + (cbc ? b : 0);
    for (uint32_t at = 0; ok && at < size;) {
        const uint32_t n = std::min(size - at, zqcf::PIECE_SIZE);
        const uint32_t whole = n & m_blockMask;
        const uint32_t rest = n - whole;
        if (cbc) {
            m_pCipher->encodeCbc(data + at, work, piece, whole / b);
        } else {
            m_pCipher->encodeEcb(data + at, piece, whole / b);
        }
        uint32_t out = whole;
        if (rest != 0) {
            // The last block: the remaining bytes, then generator bytes from the end backwards.
            uint8_t* const last = m_pBlock.get();
            std::memcpy(last, data + at + whole, rest);
            for (uint32_t i = b; i > rest; --i) {
                last[i - 1] = rand.next();
            }
            if (cbc) {
                m_pCipher->encodeCbc(last, piece + whole - b, piece + whole, 1);
            } else {
                m_pCipher->encodeEcb(last, piece + whole, 1);
            }
            out += b;
        }
        ok = write(piece, out);
        if (cbc && out != 0) {
            std::memcpy(work, piece + out - b, b);
        }
        at += n;
    }
    m_randState = rand.state;
    return ok;
}
