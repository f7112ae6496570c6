// zqcipher: enciphers a file into the container that a ZqFile::Io with a cipher reads.
//   zqcipher [-t aes|blowfish|camellia] [-m ecb|cbc] -k HEXKEY [-s MODULUS:SEED] INPUT OUTPUT
// Defaults: AES in CBC, the generator of a new Io.
#include "ZqCipherFileWriter.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: zqcipher [-t aes|blowfish|camellia] [-m ecb|cbc] -k HEXKEY "
                         "[-s MODULUS:SEED] INPUT OUTPUT\n");
    return 2;
}

bool parseHex(const std::string& text, std::vector<uint8_t>& out) {
    if (text.empty() || text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const unsigned long v = std::strtoul(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) {
            return false;
        }
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    ZqBlockCipher::TYPE type = ZqBlockCipher::TYPE_AES;
    ZqBlockCipher::MODE mode = ZqBlockCipher::MODE_CBC;
    std::vector<uint8_t> key;
    uint32_t modulus = zqcf::DEFAULT_MODULUS;
    uint32_t seed = zqcf::DEFAULT_SEED;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-t" && hasValue) {
            const std::string v = argv[++i];
            if (v == "aes") {
                type = ZqBlockCipher::TYPE_AES;
            } else if (v == "blowfish") {
                type = ZqBlockCipher::TYPE_BLOWFISH;
            } else if (v == "camellia") {
                type = ZqBlockCipher::TYPE_CAMELLIA;
            } else {
                return usage();
            }
        } else if (arg == "-m" && hasValue) {
            const std::string v = argv[++i];
            if (v != "ecb" && v != "cbc") {
                return usage();
            }
            mode = v == "ecb" ? ZqBlockCipher::MODE_ECB : ZqBlockCipher::MODE_CBC;
        } else if (arg == "-k" && hasValue) {
            if (!parseHex(argv[++i], key)) {
                std::fprintf(stderr, "zqcipher: the key is not hexadecimal\n");
                return 2;
            }
        } else if (arg == "-s" && hasValue) {
            unsigned long m = 0;
            unsigned long s = 0;
            if (std::sscanf(argv[++i], "%lu:%lu", &m, &s) != 2 || m > 0xFFFFFFFFul ||
                s > 0xFFFFFFFFul) {
                return usage();
            }
            modulus = static_cast<uint32_t>(m);
            seed = static_cast<uint32_t>(s);
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2 || key.empty()) {
        return usage();
    }
    ZqCipherFileWriter writer(type, mode);
    if (!writer.setKey(key.data(), static_cast<uint32_t>(key.size()))) {
        std::fprintf(stderr, "zqcipher: the cipher refuses a key of %zu bytes\n", key.size());
        return 1;
    }
    writer.setRandSeed(modulus, seed);
    std::ifstream in(files[0], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqcipher: cannot read %s\n", files[0].c_str());
        return 1;
    }
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    std::string error;
    if (!writer.write(files[1], data.data(), data.size(), &error)) {
        std::fprintf(stderr, "zqcipher: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
