// Helpers for the file tests: a scratch folder that is made current and removed again, with
// the drives e: and f: pointed at folders inside it, and small file utilities.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder() {
        std::string templ = (std::filesystem::temp_directory_path() / "zqfile-XXXXXX").string();
        const char* const made = mkdtemp(templ.data());
        EXPECT_NE(made, nullptr);
        m_root = std::filesystem::canonical(templ);
        m_oldCurrent = std::filesystem::current_path();
        std::filesystem::current_path(m_root);
        // Named drive folders stand for mounted disks: they must exist to be used.
        std::filesystem::create_directories(m_root / "drive_e");
        std::filesystem::create_directories(m_root / "drive_f");
        setenv("DORVANEX_DRIVE_E", (m_root / "drive_e").c_str(), 1);
        setenv("DORVANEX_DRIVE_F", (m_root / "drive_f").c_str(), 1);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(m_oldCurrent);
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
        unsetenv("DORVANEX_DRIVE_E");
        unsetenv("DORVANEX_DRIVE_F");
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_oldCurrent;
};

inline void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

// Bytes that differ from file to file and from place to place.
inline std::vector<uint8_t> patternBytes(const size_t size, const uint32_t seed) {
    std::vector<uint8_t> v(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return v;
}
