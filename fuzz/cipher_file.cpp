// The enciphered container reader over untrusted files. Each input is written to a scratch
// file and opened through an Io of every cipher and mode with the key the seeds were made
// with; a file that opens is read whole, then read again at seeks from every origin, one byte
// at a time and line by line, and every piece must agree with the whole.
#include "zq/crypto/ZqBlockCipher.h"
#include "zq/file/ZqFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The key fuzz/cipher_file_seeds.cmake enciphers with: "fuzz key 0123456".
const uint8_t KEY[16] = {'f', 'u', 'z', 'z', ' ', 'k', 'e', 'y',
                         ' ', '0', '1', '2', '3', '4', '5', '6'};

const std::u16string& scratchName() {
    static const std::u16string name = [] {
        char path[] = "/tmp/zq-fuzz-cipher-XXXXXX";
        const int fd = mkstemp(path);
        if (fd >= 0) {
            close(fd);
        }
        return std::u16string(path, path + std::strlen(path));
    }();
    return name;
}

void check(const bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

void exercise(ZqFile::Io& io, const uint32_t size, const uint8_t* const data, const size_t n) {
    std::vector<uint8_t> whole(size + 1);
    check(io.read(whole.data(), size) == size);
    check(io.tell() == size);
    uint8_t byte = 0;
    check(io.read(&byte, 1) == 0);

    // Seeks and short reads steered by the input's own bytes.
    std::vector<uint8_t> part(70000);
    for (size_t i = 0; i + 4 <= n && i < 64; i += 4) {
        const int origin = data[i] % 3;
        const uint32_t target =
            size == 0 ? 0 : (data[i + 1] | (data[i + 2] << 8) | (data[i + 3] << 16)) % (size + 1);
        const int64_t offset = origin == 0   ? target
                               : origin == 1 ? int64_t{target} - io.tell()
                                             : int64_t{target} - size;
        check(io.seek(offset, origin));
        check(io.tell() == target);
        const uint32_t want = (data[i] * 613u + data[i + 1]) % (i % 8 == 0 ? 70000 : 40);
        const uint32_t got = io.read(part.data(), want);
        check(got == (size - target < want ? size - target : want));
        check(std::memcmp(part.data(), whole.data() + target, got) == 0);
    }
    check(!io.seek(-1, 0));

    // One byte at a time across the first blocks.
    check(io.seek(0, 0));
    for (uint32_t i = 0; i < size && i < 100; ++i) {
        check(io.read(&byte, 1) == 1 && byte == whole[i]);
    }

    // Lines: only that the reader stays in bounds and ends.
    check(io.seek(0, 0));
    char16_t line[24];
    for (int i = 0; i < 200 && io.fgets(line, 24) != nullptr; ++i) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* const data, const size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    const std::u16string& name = scratchName();
    const std::string native(name.begin(), name.end());
    std::FILE* const f = std::fopen(native.c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    const bool written = std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (!written) {
        return 0;
    }
    for (const auto type :
         {ZqBlockCipher::TYPE_AES, ZqBlockCipher::TYPE_BLOWFISH, ZqBlockCipher::TYPE_CAMELLIA}) {
        for (const auto mode : {ZqBlockCipher::MODE_ECB, ZqBlockCipher::MODE_CBC}) {
            ZqFile::Io io(type, mode);
            io.setKey(KEY, sizeof KEY);
            uint32_t length = 0;
            if (io.ropen(name.c_str(), 0, &length)) {
                exercise(io, length, data, size);
                io.close();
            }
        }
    }
    return 0;
}
