// ZqBlockCipher: the one interface of the framework's block ciphers (ZqAes, ZqBlowfish,
// ZqCamellia). Every cipher works on units of 16 bytes, so callers can exchange one for
// another without changing their buffer arithmetic. ECB and CBC over whole units only: no
// padding, no initialisation vector of its own (CBC takes a chain array), no key management.
// Plain code: no platform calls. Depends on nothing.
#pragma once

#include <cstdint>
#include <memory>

class ZqBlockCipher {
public:
    // How the enciphered file container names its cipher and its mode.
    enum TYPE : uint32_t { TYPE_AES = 0, TYPE_BLOWFISH = 1, TYPE_CAMELLIA = 2 };
    enum MODE : uint32_t { MODE_NONE = 0, MODE_ECB = 1, MODE_CBC = 2 };

    // Bytes in one unit, the size every n below counts in.
    static constexpr uint32_t UNIT_SIZE = 16;
    // The largest size calcEncodedSize accepts.
    static constexpr uint32_t MAX_ENCODED_SIZE = 0x400000;

    virtual ~ZqBlockCipher() = default;

    // A new cipher of the type with its default key; null for an unknown type.
    static std::unique_ptr<ZqBlockCipher> create(TYPE type);

    // Installs a new key; false, with the previous key kept, when the length is not accepted.
    virtual bool setKey(const void* key, uint32_t length) = 0;
    // n units from src to dst; dst may be src itself, a partial overlap is not allowed.
    virtual void encodeEcb(const void* src, void* dst, uint32_t n) const = 0;
    // dst unit i = E(src unit i xor chain unit i). Chain unit i is read after dst units 0..i-1
    // are written, so a chain one unit before dst chains across units (dst may equal chain).
    virtual void encodeCbc(const void* src, const void* chain, void* dst, uint32_t n) const = 0;
    virtual void decodeEcb(const void* src, void* dst, uint32_t n) const = 0;
    // dst unit i = D(src unit i) xor chain unit i; note the chain comes first here.
    virtual void decodeCbc(const void* chain, const void* src, void* dst, uint32_t n) const = 0;
    virtual uint32_t getBlockSize() const = 0;
    virtual uint32_t getMaxKeyLength() const = 0;
    // The size rounded up to whole units; 0 above 4 MiB.
    virtual uint32_t calcEncodedSize(uint32_t size) const = 0;

protected:
    static uint32_t roundUpToUnits(uint32_t size);
};
