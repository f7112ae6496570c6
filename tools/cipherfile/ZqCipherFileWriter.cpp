// The container writer: the header, then the content block by block with the last block
// filled up with generator bytes from its end backwards.
#include "ZqCipherFileWriter.h"

#include "zq/file/ZqByteWriter.h"

#include <cstdio>
#include <cstring>

ZqCipherFileWriter::ZqCipherFileWriter(const ZqBlockCipher::TYPE type,
                                       const ZqBlockCipher::MODE mode)
    : m_mode(mode) {
    if (mode != ZqBlockCipher::MODE_ECB && mode != ZqBlockCipher::MODE_CBC) {
        return;
    }
    m_pCipher = ZqBlockCipher::create(type);
}

ZqCipherFileWriter::~ZqCipherFileWriter() = default;

bool ZqCipherFileWriter::setKey(const void* const key, const uint32_t length) {
    return m_pCipher != nullptr && m_pCipher->setKey(key, length);
}

bool ZqCipherFileWriter::build(const void* const data, const uint64_t size,
                               std::vector<uint8_t>& image) {
    if (m_pCipher == nullptr || size > 0xFFFFFFFFu || (size != 0 && data == nullptr)) {
        return false;
    }
    constexpr uint32_t B = ZqBlockCipher::UNIT_SIZE;
    const bool cbc = m_mode == ZqBlockCipher::MODE_CBC;
    const auto* const in = static_cast<const uint8_t*>(data);
    ZqByteWriter out;

    uint8_t head[2 * B];
    // prev: the enciphered block the next one chains to (CBC).
    uint8_t prev[B];
    if (cbc) {
        for (uint32_t i = 0; i < 2 * B; ++i) {
            head[2 * B - 1 - i] = m_rand.next();
        }
        zqcf::putLength(head + B, static_cast<uint32_t>(size));
        m_pCipher->encodeCbc(head + B, head, head + B, 1);
        out.bytes(head, 2 * B);
        std::memcpy(prev, head + B, B);
    } else {
        for (uint32_t i = 0; i < B; ++i) {
            head[i] = m_rand.next();
        }
        zqcf::putLength(head, static_cast<uint32_t>(size));
        m_pCipher->encodeEcb(head, head, 1);
        out.bytes(head, B);
    }

    for (uint64_t at = 0; at < size; at += B) {
        uint8_t block[B];
        const uint64_t n = size - at < B ? size - at : B;
        std::memcpy(block, in + at, n);
        // Generator bytes fill the last block from its end backwards.
        for (uint64_t i = B; i > n; --i) {
            block[i - 1] = m_rand.next();
        }
        if (cbc) {
            m_pCipher->encodeCbc(block, prev, block, 1);
            std::memcpy(prev, block, B);
        } else {
            m_pCipher->encodeEcb(block, block, 1);
        }
        out.bytes(block, B);
    }
    image = out.take();
    return true;
}

bool ZqCipherFileWriter::write(const std::string& path, const void* const data, const uint64_t size,
                               std::string* const error) {
    std::vector<uint8_t> image;
    if (!build(data, size, image)) {
        if (error != nullptr) {
            *error = "the content does not fit the container";
        }
        return false;
    }
    std::FILE* const f = std::fopen(path.c_str(), "wb");
    const bool ok = f != nullptr && std::fwrite(image.data(), 1, image.size(), f) == image.size();
    const bool closed = f != nullptr && std::fclose(f) == 0;
    if (!(ok && closed) && error != nullptr) {
        *error = "cannot write " + path;
    }
    return ok && closed;
}
