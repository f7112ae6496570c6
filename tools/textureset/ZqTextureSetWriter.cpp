#include "tools/textureset/ZqTextureSetWriter.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/gl/ZqGlTextureSetFormat.h"

#include <map>
#include <sstream>

namespace zqtsw {

bool writeTextureSet(const Sets& sets, std::vector<uint8_t>& out, std::string& error) {
    const size_t perSet = sets.empty() ? 0 : sets[0].size();
    if (sets.size() > zqts::MAX_COUNT || perSet > zqts::MAX_COUNT) {
        error = "at most 255 sets of at most 255 textures";
        return false;
    }
    std::vector<std::string> names;
    std::map<std::string, uint16_t> indexOf;
    for (const auto& set : sets) {
        if (set.size() != perSet) {
            error = "every set needs the same number of textures";
            return false;
        }
        for (const std::string& n : set) {
            if (n.empty() || n.size() > zqts::MAX_NAME_BYTES) {
                error = "a name is empty or longer than 254 bytes";
                return false;
            }
            for (const char c : n) {
                if (static_cast<unsigned char>(c) >= 0x80 || c == 0) {
                    error = "names must be plain ASCII";
                    return false;
                }
            }
            if (indexOf.emplace(n, static_cast<uint16_t>(names.size())).second) {
                names.push_back(n);
            }
        }
    }
    if (names.size() > zqts::MAX_COUNT + 1) {
        error = "at most 256 different names";
        return false;
    }
    // A table without names still has one entry (the highest index is 0): an empty name.
    if (names.empty()) {
        names.emplace_back();
    }
    const uint32_t setTable = zqts::HEADER_SIZE;
    const uint32_t arrays = setTable + 4 + 4 * static_cast<uint32_t>(sets.size());
    const uint32_t nameTable = arrays + 2 * static_cast<uint32_t>(sets.size() * perSet);
    const uint32_t highest = static_cast<uint32_t>(names.size() - 1);

    ZqByteWriter w;
    w.bytes(zqts::MAGIC, sizeof zqts::MAGIC);
    w.zeros(3);
    w.u32(zqts::VERSION);
    w.u32(0);
    w.u8(1);
    w.u8(0);
    w.zeros(2);
    w.u32(static_cast<uint32_t>(sets.size()));
    w.u32(setTable);
    w.u32(highest);
    w.u32(nameTable);
    w.u32(static_cast<uint32_t>(perSet));
    for (size_t s = 0; s < sets.size(); ++s) {
        w.u32(static_cast<uint32_t>(arrays + 2 * s * perSet - setTable));
    }
    for (const auto& set : sets) {
        for (const std::string& n : set) {
            w.u16(indexOf.at(n));
        }
    }
    uint32_t at = 4 * (highest + 1);
    for (const std::string& n : names) {
        w.u32(at);
        at += static_cast<uint32_t>(n.size()) + 1;
    }
    for (const std::string& n : names) {
        w.bytes(n.data(), n.size());
        w.u8(0);
    }
    out = w.take();
    if (out.size() >= zqts::MAX_FILE_SIZE) {
        error = "the file would be 16,384 bytes or more";
        return false;
    }
    return true;
}

bool parseTextureSet(const std::string& text, Sets& out, std::string& error) {
    out.clear();
    std::istringstream lines(text);
    std::string line;
    uint32_t number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::vector<std::string> set;
        for (std::string word; words >> word;) {
            set.push_back(word);
        }
        if (set.empty() || set[0][0] == '#') {
            continue;
        }
        if (!out.empty() && set.size() != out[0].size()) {
            error = "line " + std::to_string(number) + ": another number of textures";
            return false;
        }
        out.push_back(std::move(set));
    }
    return true;
}

} // namespace zqtsw
