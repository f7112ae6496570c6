// Arbitrary bytes as the registry file: every key the file may name opens or not without
// fault, and an opened key's values and subkeys read back.
#include "zq/platform/registry/registry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

const std::string& filePath() {
    // In memory where the machine offers it: a file is written for every input.
    static const std::string path = [] {
        const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm")
                                              ? std::filesystem::path("/dev/shm")
                                              : std::filesystem::temp_directory_path();
        const std::string file =
            (dir / ("fuzz_registry_" + std::to_string(getpid()) + ".txt")).string();
        setenv("DORVANEX_REGISTRY", file.c_str(), 1);
        return file;
    }();
    return path;
}

void walk(const zqp::RegistryKey& key) {
    for (const zqp::RegistryKey::Value& value : key.values()) {
        std::vector<uint8_t> data;
        if (!key.queryValue(value.name, &data)) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) {
        return 0;
    }
    std::FILE* const f = std::fopen(filePath().c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (const bool machine : {false, true}) {
        for (const char16_t* path : {u"", u"Software", u"Software\\Vendor\\Game"}) {
            const std::unique_ptr<zqp::RegistryKey> key = zqp::RegistryKey::open(machine, path);
            if (key == nullptr) {
                continue;
            }
            walk(*key);
            // One level down through the subkeys the key lists.
            for (const std::u16string& sub : key->subkeys()) {
                std::u16string below(path);
                if (!below.empty()) {
                    below += u'\\';
                }
                below += sub;
                const std::unique_ptr<zqp::RegistryKey> child =
                    zqp::RegistryKey::open(machine, below);
                // A listed name of plain characters opens again (names holding a NUL or bytes
                // that are no UTF-8 may not).
                const bool plain = std::all_of(sub.begin(), sub.end(), [](const char16_t c) {
                    return c >= 0x20 && c < 0x7F && c != u'\\';
                });
                if (child == nullptr && plain) {
                    std::abort();
                }
                if (child != nullptr) {
                    walk(*child);
                }
            }
        }
    }
    std::remove(filePath().c_str());
    return 0;
}
