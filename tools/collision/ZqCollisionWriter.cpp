// The collision writer: the text form and the byte layout.
#include "tools/collision/ZqCollisionWriter.h"

#include "zq/dg/ZqDgCollisionFormat.h"
#include "zq/file/ZqByteWriter.h"

#include <cstdlib>
#include <map>
#include <sstream>

namespace zqcolw {

namespace {

// Text name of each kind and the count of numbers it takes (0: any multiple of three).
struct KindText {
    const char* name;
    size_t numbers;
};
constexpr KindText KINDS[zqcol::NR_KINDS] = {
    {"point", 3},  {"segment", 6}, {"ray", 6},  {"line", 6},     {"plane", 4},   {"halfspace", 4},
    {"sphere", 4}, {"aabb", 6},    {"obb", 15}, {"triangle", 9}, {"polygon", 0}, {"capsule", 7},
};

bool numbersFit(const Figure& f) {
    const size_t want = KINDS[f.kind].numbers;
    return want != 0 ? f.numbers.size() == want : f.numbers.size() % 3 == 0;
}

void putFigureData(const Figure& f, ZqByteWriter& w) {
    if (f.kind == zqcol::KIND_OBB) {
        // Three axis rows and the centre row of a 4x4 matrix, then the half sizes.
        for (size_t row = 0; row < 4; ++row) {
            for (size_t i = 0; i < 3; ++i) {
                w.f32(f.numbers[row * 3 + i]);
            }
            w.f32(row == 3 ? 1.0f : 0.0f);
        }
        for (size_t i = 12; i < 15; ++i) {
            w.f32(f.numbers[i]);
        }
        return;
    }
    if (f.kind == zqcol::KIND_POLYGON) {
        w.u32(static_cast<uint32_t>(f.numbers.size() / 3));
    }
    for (const float v : f.numbers) {
        w.f32(v);
    }
}

bool readFloats(std::istringstream& in, float* out, const size_t n) {
    for (size_t i = 0; i < n; ++i) {
        std::string word;
        if (!(in >> word)) {
            return false;
        }
        char* end = nullptr;
        out[i] = std::strtof(word.c_str(), &end);
        if (end == word.c_str() || *end != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

bool writeCollision(const std::vector<Figure>& figures, std::vector<uint8_t>& out,
                    std::string& error) {
    if (figures.size() > zqcol::MAX_RECORDS) {
        error = "more than 64 figures";
        return false;
    }
    std::map<std::string, size_t> index;
    for (size_t k = 0; k < figures.size(); ++k) {
        const Figure& f = figures[k];
        if (f.name.empty() || !index.emplace(f.name, k).second) {
            error = "figure name empty or used twice: '" + f.name + "'";
            return false;
        }
        if (f.kind >= zqcol::NR_KINDS || !numbersFit(f)) {
            error = "wrong count of numbers for figure '" + f.name + "'";
            return false;
        }
    }
    std::vector<uint16_t> parents(figures.size(), zqcol::NO_PARENT);
    for (size_t k = 0; k < figures.size(); ++k) {
        if (figures[k].parent.empty()) {
            continue;
        }
        const auto it = index.find(figures[k].parent);
        if (it == index.end()) {
            error = "unknown parent '" + figures[k].parent + "'";
            return false;
        }
        parents[k] = static_cast<uint16_t>(it->second);
    }
    for (size_t k = 0; k < figures.size(); ++k) {
        size_t steps = 0;
        for (uint16_t p = parents[k]; p != zqcol::NO_PARENT; p = parents[p]) {
            if (++steps > figures.size()) {
                error = "figure '" + figures[k].name + "' is its own ancestor";
                return false;
            }
        }
    }

    ZqByteWriter w;
    w.bytes(zqcol::MAGIC, sizeof zqcol::MAGIC);
    w.u32(zqcol::VERSION);
    w.u32(zqcol::VERSION);
    w.u8(1);
    w.u8(0);
    w.u16(0);
    w.u32(0); // total size, patched below
    w.u32(static_cast<uint32_t>(figures.size()));
    w.u32(zqcol::HEADER_SIZE);
    for (size_t k = 0; k < figures.size(); ++k) {
        const Figure& f = figures[k];
        const uint64_t start = w.tell();
        uint16_t flags = f.hasTransform ? zqcol::FLAG_TRANSFORM : 0;
        if (k + 1 == figures.size()) {
            flags |= zqcol::FLAG_LAST;
        }
        w.u16(static_cast<uint16_t>(k));
        w.u16(flags);
        w.u32(0); // record size, patched below
        w.u16(f.kind);
        w.u16(0);
        w.u16(parents[k]);
        w.u16(0);
        putFigureData(f, w);
        if (f.hasTransform) {
            for (const float v : f.position) {
                w.f32(v);
            }
            w.u32(0);
            for (const float v : f.rotation) {
                w.f32(v);
            }
        }
        w.patchU32(start + zqcol::RECORD_SIZE, static_cast<uint32_t>(w.tell() - start));
        if (w.tell() > zqcol::MAX_DATA_SIZE) {
            break;
        }
    }
    if (w.tell() > zqcol::MAX_DATA_SIZE) {
        error = "data above 32767 bytes";
        return false;
    }
    w.patchU32(zqcol::OFFSET_TOTAL_SIZE, static_cast<uint32_t>(w.tell()));
    out = w.take();
    return true;
}

bool parseCollision(const std::string& text, std::vector<Figure>& out, std::string& error) {
    out.clear();
    std::istringstream lines(text);
    std::string line;
    for (size_t number = 1; std::getline(lines, line); ++number) {
        std::istringstream in(line);
        Figure f;
        std::string kind;
        if (!(in >> f.name) || f.name[0] == '#') {
            continue;
        }
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!(in >> kind)) {
            error = where + "figure kind missing";
            return false;
        }
        f.kind = zqcol::NR_KINDS;
        for (uint16_t k = 0; k < zqcol::NR_KINDS; ++k) {
            if (kind == KINDS[k].name) {
                f.kind = k;
            }
        }
        if (f.kind == zqcol::NR_KINDS) {
            error = where + "unknown figure kind '" + kind + "'";
            return false;
        }
        std::string word;
        while (in >> word) {
            bool ok = true;
            if (word == "parent") {
                ok = static_cast<bool>(in >> f.parent);
            } else if (word == "at") {
                f.hasTransform = true;
                ok = readFloats(in, f.position, 3);
            } else if (word == "rot") {
                f.hasTransform = true;
                ok = readFloats(in, f.rotation, 4);
            } else {
                char* end = nullptr;
                f.numbers.push_back(std::strtof(word.c_str(), &end));
                ok = end != word.c_str() && *end == 0;
            }
            if (!ok) {
                error = where + "cannot read '" + word + "'";
                return false;
            }
        }
        out.push_back(std::move(f));
    }
    return true;
}

} // namespace zqcolw
