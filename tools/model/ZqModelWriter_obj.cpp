// Wavefront OBJ meshes as one-bone static models, for hand-made props.
#include "ZqModelWriter.h"

#include <array>
#include <map>
#include <sstream>
#include <tuple>

namespace zq_model_writer {

namespace {

// A face corner "v", "v/vt", "v//vn" or "v/vt/vn" as 0-based indices (-1 when absent);
// negative OBJ indices count back from the end. False when malformed or out of range.
bool parseCorner(const std::string& word, const size_t nrV, const size_t nrT, const size_t nrN,
                 std::tuple<long, long, long>& out) {
    long idx[3] = {0, 0, 0};
    const size_t counts[3] = {nrV, nrT, nrN};
    size_t field = 0;
    size_t start = 0;
    for (size_t i = 0; i <= word.size(); ++i) {
        if (i == word.size() || word[i] == '/') {
            if (field > 2) {
                return false;
            }
            const std::string part = word.substr(start, i - start);
            if (!part.empty()) {
                size_t used = 0;
                long v = 0;
                try {
                    v = std::stol(part, &used);
                } catch (...) {
                    return false;
                }
                if (used != part.size() || v == 0) {
                    return false;
                }
                v = v > 0 ? v - 1 : static_cast<long>(counts[field]) + v;
                if (v < 0 || static_cast<size_t>(v) >= counts[field]) {
                    return false;
                }
                idx[field] = v + 1;
            } else if (field == 0) {
                return false;
            }
            ++field;
            start = i + 1;
        }
    }
    out = {idx[0] - 1, idx[1] - 1, idx[2] - 1};
    return true;
}

} // namespace

bool fromObj(const std::string& text, const std::string& textureFileName, Model& out,
             std::string& error) {
    out = Model{};
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> uvs;
    std::vector<std::array<float, 3>> normals;
    Submodel s;
    s.normals = true;
    s.uvs = true;
    std::map<std::tuple<long, long, long>, uint16_t> corners;
    std::istringstream in(text);
    std::string line;
    int lineNr = 0;
    const auto fail = [&](const char* what) {
        error = "line " + std::to_string(lineNr) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNr;
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#') {
            continue;
        }
        if (key == "v" || key == "vn") {
            std::array<float, 3> v{};
            if (!(words >> v[0] >> v[1] >> v[2])) {
                return fail("three numbers expected");
            }
            (key == "v" ? positions : normals).push_back(v);
        } else if (key == "vt") {
            std::array<float, 2> t{};
            if (!(words >> t[0] >> t[1])) {
                return fail("two numbers expected");
            }
            // OBJ counts v upwards from the bottom; textures here count down from the top.
            t[1] = 1.0f - t[1];
            uvs.push_back(t);
        } else if (key == "f") {
            std::vector<uint16_t> polygon;
            std::string word;
            while (words >> word) {
                std::tuple<long, long, long> c;
                if (!parseCorner(word, positions.size(), uvs.size(), normals.size(), c)) {
                    return fail("bad face corner");
                }
                auto found = corners.find(c);
                if (found == corners.end()) {
                    if (s.vertices.size() == 0xFFFF) {
                        return fail("more than 65535 vertices");
                    }
                    Vertex v;
                    const auto& p = positions[static_cast<size_t>(std::get<0>(c))];
                    v.position[0] = p[0];
                    v.position[1] = p[1];
                    v.position[2] = p[2];
                    if (std::get<1>(c) >= 0) {
                        const auto& t = uvs[static_cast<size_t>(std::get<1>(c))];
                        v.uv[0] = t[0];
                        v.uv[1] = t[1];
                    }
                    if (std::get<2>(c) >= 0) {
                        const auto& n = normals[static_cast<size_t>(std::get<2>(c))];
                        v.normal[0] = n[0];
                        v.normal[1] = n[1];
                        v.normal[2] = n[2];
                    }
                    found = corners.emplace(c, static_cast<uint16_t>(s.vertices.size())).first;
                    s.vertices.push_back(v);
                }
                polygon.push_back(found->second);
            }
            if (polygon.size() < 3) {
                return fail("a face needs three corners");
            }
            for (size_t i = 2; i < polygon.size(); ++i) {
                if (s.indices.size() + 3 > 0xFFFF) {
                    return fail("more than 65535 indices");
                }
                s.indices.insert(s.indices.end(), {polygon[0], polygon[i - 1], polygon[i]});
            }
        }
        // Other statements (o, g, s, usemtl, mtllib) do not change a one-material prop.
    }
    if (s.indices.empty()) {
        return fail("no faces");
    }
    Bone root;
    root.name = "root";
    Material material;
    material.name = "default";
    if (!textureFileName.empty()) {
        Texture t;
        t.fileName = textureFileName;
        out.textures.push_back(t);
        s.stages.push_back(0);
    }
    s.palette = {0};
    out.bones.push_back(root);
    out.materials.push_back(material);
    out.submodels.push_back(std::move(s));
    return true;
}

} // namespace zq_model_writer
