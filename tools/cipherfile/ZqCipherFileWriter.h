// ZqCipherFileWriter: enciphers content into the container that a ZqFile::Io with a cipher
// reads (zq/file/ZqCipherFileFormat.h): the length block hidden among generator bits, the
// content in ECB or CBC, the last block filled up with generator bytes. Works in memory, with
// no size limit of its own beyond the format's 32-bit length; a given generator state makes
// the same bytes as the Io's own save. Not a reader. Depends on libzq's ciphers.
#pragma once

#include "zq/crypto/ZqBlockCipher.h"
#include "zq/file/ZqCipherFileFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ZqCipherFileWriter {
public:
    // A writer with a new cipher of the type; valid() is false for an unknown type or a mode
    // other than ECB and CBC.
    ZqCipherFileWriter(ZqBlockCipher::TYPE type, ZqBlockCipher::MODE mode);
    ~ZqCipherFileWriter();
    ZqCipherFileWriter(const ZqCipherFileWriter&) = delete;
    ZqCipherFileWriter& operator=(const ZqCipherFileWriter&) = delete;

    bool valid() const { return m_pCipher != nullptr; }
    // False when the cipher refuses the key's length.
    bool setKey(const void* key, uint32_t length);
    // The generator; its state carries on from one container to the next, as in the Io.
    void setRandSeed(uint32_t modulus, uint32_t seed) {
        m_rand = {modulus < 2 ? 2 : modulus, seed};
    }

    // The container of the content; false (image untouched) when the content does not fit
    // the 32-bit length.
    bool build(const void* data, uint64_t size, std::vector<uint8_t>& image);
    // build, then write the image to a file (UTF-8 path); false with a reason on failure.
    bool write(const std::string& path, const void* data, uint64_t size,
               std::string* error = nullptr);

private:
    std::unique_ptr<ZqBlockCipher> m_pCipher;
    ZqBlockCipher::MODE m_mode;
    zqcf::Generator m_rand;
};
