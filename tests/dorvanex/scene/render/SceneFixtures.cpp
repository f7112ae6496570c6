#include "tests/dorvanex/scene/render/SceneFixtures.h"

#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/arc/ZqArcWriter.h"
#include "tools/dataset/DataSetBuilder.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace zmw = zq_model_writer;
namespace zaw = zq_anim_writer;

namespace scenetest {

namespace {

// The 36 vertices of a box as triangles, with normals, of one colour, on palette entry 0.
void addBox(zmw::Submodel& s, const float lo[3], const float hi[3], const uint32_t argb) {
    const float c[8][3] = {{lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]}, {hi[0], hi[1], lo[2]},
                           {lo[0], hi[1], lo[2]}, {lo[0], lo[1], hi[2]}, {hi[0], lo[1], hi[2]},
                           {hi[0], hi[1], hi[2]}, {lo[0], hi[1], hi[2]}};
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3},
                             {1, 2, 6, 5}, {3, 7, 6, 2}, {0, 1, 5, 4}};
    const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0},
                                 {1, 0, 0},  {0, 1, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        const auto base = static_cast<uint16_t>(s.vertices.size());
        for (int k = 0; k < 4; ++k) {
            zmw::Vertex v;
            for (int a = 0; a < 3; ++a) {
                v.position[a] = c[faces[f][k]][a];
                v.normal[a] = normals[f][a];
            }
            v.colour = argb;
            s.vertices.push_back(v);
        }
        s.indices.insert(s.indices.end(),
                         {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                          base, static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 3)});
    }
}

zmw::Material material(const uint8_t shader, const uint8_t technique, const bool blended) {
    zmw::Material m;
    m.name = blended ? "glass" : "solid";
    m.shader = shader;
    m.technique = technique;
    for (float& d : m.diffuse) {
        d = 1.0f;
    }
    if (blended) {
        m.blend = 20506.0f; // add, source alpha, inverse source alpha
        m.depth = 50.0f;    // less-or-equal, no depth writes
    }
    return m;
}

} // namespace

zmw::Model body(const uint32_t bones, const uint8_t shader) {
    zmw::Model m;
    for (uint32_t b = 0; b < bones; ++b) {
        zmw::Bone bone;
        bone.name = b == 12 ? "Head" : "bone" + std::to_string(b);
        bone.parent = static_cast<int>(b) - 1;
        bone.bind = zmw::Matrix::translation(0.0f, 10.0f * static_cast<float>(b), 0.0f);
        m.bones.push_back(bone);
    }
    m.materials = {material(shader, 0, false)};
    const float parts[3][2][3] = {
        {{-5, 0, -5}, {5, 40, 5}}, {{-8, 40, -5}, {8, 100, 5}}, {{-4, 100, -4}, {4, 120, 4}}};
    for (const auto& p : parts) {
        zmw::Submodel s;
        s.palette = {0};
        s.normals = true;
        s.uvs = false;
        s.colours = true;
        addBox(s, p[0], p[1], 0xFF808080u);
        m.submodels.push_back(s);
    }
    return m;
}

zmw::Model box(const float min[3], const float max[3], const uint32_t argb, const uint8_t shader,
               const uint8_t technique) {
    zmw::Model m;
    zmw::Bone root;
    root.name = "root";
    m.bones = {root};
    const bool blended = (argb >> 24) < 255;
    m.materials = {material(shader, technique, blended)};
    zmw::Submodel s;
    s.palette = {0};
    s.uvs = false;
    s.colours = true;
    addBox(s, min, max, argb);
    m.submodels = {s};
    return m;
}

zaw::Animation clip(const int16_t frames, const uint32_t bones, const float bend, const float step,
                    const uint8_t loop) {
    zaw::Animation a;
    a.frameCount = frames;
    a.loopMode = loop;
    a.fps = 60;
    for (uint32_t b = 0; b < bones; ++b) {
        a.parents.push_back(static_cast<int8_t>(static_cast<int>(b) - 1));
    }
    zaw::Track turn;
    turn.type = 1;
    turn.bone = 0;
    turn.frames = {0, static_cast<uint16_t>(frames - 1)};
    const float half = bend / 2.0f;
    turn.values = {0, 0, 0, 1, 0, 0, std::sin(half), std::cos(half)};
    a.tracks.push_back(turn);
    for (uint32_t b = 1; b < bones; ++b) {
        zaw::Track t;
        t.type = 29;
        t.bone = static_cast<int8_t>(b);
        t.frames = {0};
        t.values = {0.0f, step, 0.0f};
        a.tracks.push_back(t);
    }
    return a;
}

zaw::CameraAnimation dolly(const int16_t frames, const float from[3], const float to[3],
                           const float yaw) {
    zaw::CameraAnimation a;
    a.frameCount = frames;
    a.loopMode = 0;
    a.fps = 60;
    const auto last = static_cast<uint16_t>(frames - 1);
    a.tracks[0].frames = {0, last};
    a.tracks[0].values = {0, std::sin(yaw / 2), 0, std::cos(yaw / 2),
                          0, std::sin(yaw / 2), 0, std::cos(yaw / 2)};
    a.tracks[1].frames = {0, last};
    a.tracks[1].values = {from[0], from[1], from[2], 1, to[0], to[1], to[2], 1};
    const float single[4] = {45.0f, 10.0f, 100000.0f, 4.0f / 3.0f};
    for (int t = 2; t < 6; ++t) {
        a.tracks[t].frames = {0};
        a.tracks[t].values = {single[t - 2]};
    }
    return a;
}

bool writeArchive(const uint32_t archive, const std::map<uint32_t, std::vector<uint8_t>>& rows,
                  std::string& error) {
    std::vector<ZqArcEntry> entries;
    if (!zqds::buildArchiveEntries(archive, zqds::Inputs{}, entries, error)) {
        return false;
    }
    const uint32_t first = getArchiveFirstRow(archive);
    for (const auto& [row, bytes] : rows) {
        if (row < first || row - first >= entries.size()) {
            error = "row outside the archive";
            return false;
        }
        entries[row - first].data = bytes;
    }
    std::filesystem::create_directories("Arc");
    char16_t path[260] = {};
    getArchivePath(archive, path, 260);
    const std::u16string p16(path);
    return ZqArcWriter::write(std::string(p16.begin(), p16.end()), entries, 1);
}

bool loadChapterBank(const std::vector<std::pair<int32_t, uint32_t>>& pairs) {
    std::vector<CResourceManager::Pair> list;
    for (const auto& [index, kind] : pairs) {
        list.push_back({index, kind});
    }
    list.push_back({0, 0});
    CResourceManager* const manager = CResourceManager::getInstance();
    manager->requestList(list.data(), CResourceManager::BANK_CHAPTER);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < until) {
        if (manager->loadStep(CResourceManager::BANK_CHAPTER)) {
            return manager->getFailed(CResourceManager::BANK_CHAPTER).empty();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

} // namespace scenetest
