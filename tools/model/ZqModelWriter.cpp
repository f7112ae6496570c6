#include "ZqModelWriter.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/gl/ZqGlModelFormat.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zq_model_writer {

Matrix Matrix::translation(const float x, const float y, const float z) {
    Matrix t;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

uint32_t formatMask(const Submodel& s) {
    uint32_t mask = 0x1;
    if (s.skinned) {
        mask |= 0x2 | static_cast<uint32_t>(std::min<uint8_t>(s.blendWeights, 3)) << 2;
    }
    if (s.normals) {
        mask |= 0x10;
    }
    if (s.uvs || !s.colours) {
        mask |= 0x200;
    }
    if (s.colours) {
        mask |= 0x100000;
    }
    return mask;
}

namespace {

void fail(const char* what) {
    throw std::invalid_argument(what);
}

Matrix invert(const Matrix& in) {
    double a[4][8] = {};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = in.m[4 * r + c];
        }
        a[r][4 + r] = 1.0;
    }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) {
                pivot = r;
            }
        }
        if (std::fabs(a[pivot][c]) < 1e-12) {
            fail("a bind matrix is singular");
        }
        std::swap(a[c], a[pivot]);
        const double d = a[c][c];
        for (double& v : a[c]) {
            v /= d;
        }
        for (int r = 0; r < 4; ++r) {
            if (r != c) {
                const double f = a[r][c];
                for (int k = 0; k < 8; ++k) {
                    a[r][k] -= f * a[c][k];
                }
            }
        }
    }
    Matrix out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out.m[4 * r + c] = static_cast<float>(a[r][4 + c]);
        }
    }
    return out;
}

void element(ZqByteWriter& w, const uint8_t type, const uint8_t code) {
    w.u8(0);
    w.u8(0);
    w.u8(type);
    w.u8(code);
}

// The element list of a format mask from formatMask.
uint32_t writeElements(ZqByteWriter& w, const uint32_t mask) {
    uint32_t n = 0;
    element(w, zqmdl::TYPE_FLOAT3, zqmdl::ELEMENT_POSITION);
    ++n;
    if (mask & 0x2) {
        element(w, zqmdl::TYPE_UBYTE4, zqmdl::ELEMENT_BLEND_INDICES);
        ++n;
        const uint32_t weights = (mask >> 2) & 3;
        if (weights != 0) {
            element(w, static_cast<uint8_t>(weights - 1), zqmdl::ELEMENT_BLEND_WEIGHTS);
            ++n;
        }
    }
    if (mask & 0x10) {
        element(w, zqmdl::TYPE_FLOAT3, zqmdl::ELEMENT_NORMAL);
        ++n;
    }
    if (mask & 0x700) {
        element(w, zqmdl::TYPE_FLOAT2, zqmdl::ELEMENT_TEXCOORD0);
        ++n;
    }
    if (mask & 0x100000) {
        element(w, zqmdl::TYPE_COLOR, zqmdl::ELEMENT_COLOR);
        ++n;
    }
    return n;
}

void writeVertex(ZqByteWriter& w, const Vertex& v, const uint32_t mask) {
    for (const float c : v.position) {
        w.f32(c);
    }
    if (mask & 0x2) {
        w.bytes(v.blendIndices, 4);
        for (uint32_t i = 0; i < ((mask >> 2) & 3); ++i) {
            w.f32(v.blendWeights[i]);
        }
    }
    if (mask & 0x10) {
        for (const float c : v.normal) {
            w.f32(c);
        }
    }
    if (mask & 0x700) {
        w.f32(v.uv[0]);
        w.f32(v.uv[1]);
    }
    if (mask & 0x100000) {
        w.u32(v.colour);
    }
}

void put4(ZqByteWriter& w, const float (&v)[4]) {
    for (const float c : v) {
        w.f32(c);
    }
}

void validate(const Model& model) {
    if (model.submodels.size() > zqmdl::MAX_SUBMODELS) {
        fail("more than 63 submodels");
    }
    if (model.materials.empty() || model.materials.size() > zqmdl::MAX_MATERIALS) {
        fail("a model has 1 to 63 materials");
    }
    if (model.bones.size() > zqmdl::MAX_BONES) {
        fail("more than 126 bones");
    }
    if (model.textures.size() > zqmdl::MAX_TEXTURES) {
        fail("more than 31 textures");
    }
    for (size_t b = 0; b < model.bones.size(); ++b) {
        if (model.bones[b].parent < -1 || model.bones[b].parent >= static_cast<int>(b)) {
            fail("a bone's parent must be -1 or an earlier bone");
        }
    }
    size_t entries = 0;
    for (const Submodel& s : model.submodels) {
        if (s.material >= model.materials.size()) {
            fail("a submodel's material is out of range");
        }
        if (s.palette.size() > zqmdl::MAX_PALETTE) {
            fail("a palette holds at most 48 bones");
        }
        for (const uint16_t b : s.palette) {
            if (b >= model.bones.size()) {
                fail("a palette entry is not a bone");
            }
        }
        entries += s.palette.size();
        if (s.vertices.size() > 0xFFFF || s.indices.size() > 0xFFFF) {
            fail("a submodel has more than 65535 vertices or indices");
        }
        if (s.vertices.empty() != s.indices.empty()) {
            fail("a submodel has vertices and indices, or neither");
        }
        for (const uint16_t i : s.indices) {
            if (i >= s.vertices.size()) {
                fail("an index is out of range");
            }
        }
        if (s.stages.size() > zqmdl::MAX_STAGES) {
            fail("at most 4 texture stages");
        }
        for (const uint16_t t : s.stages) {
            if (t >= model.textures.size()) {
                fail("a stage's texture is out of range");
            }
        }
    }
    if (entries > zqmdl::MAX_BONE_NUMBERS) {
        fail("the palettes hold more than 512 bone numbers");
    }
}

} // namespace

std::vector<uint8_t> write(const Model& model, Layout* const layoutOut) {
    validate(model);
    Layout layout;
    const uint32_t nrBones = static_cast<uint32_t>(model.bones.size());
    const uint32_t nrSubmodels = static_cast<uint32_t>(model.submodels.size());
    uint32_t nrEntries = 0;
    uint32_t nrWithBuffers = 0;
    for (const Submodel& s : model.submodels) {
        nrEntries += static_cast<uint32_t>(s.palette.size());
        nrWithBuffers += s.vertices.empty() ? 0 : 1;
    }
    const uint32_t multiplier = nrBones == 0 ? 0 : (nrEntries + nrBones - 1) / nrBones;

    ZqByteWriter w;
    w.zeros(zqmdl::HEADER_SIZE);

    // Bones, with the box of their corners.
    layout.bones = static_cast<uint32_t>(w.tell());
    for (const Bone& b : model.bones) {
        w.u64(zqCalcNameId64(b.name.c_str()));
        w.zeros(8);
        for (const float v : b.bind.m) {
            w.f32(v);
        }
        for (const float v : invert(b.bind).m) {
            w.f32(v);
        }
        for (const float v : b.boxMin) {
            w.f32(v);
        }
        w.zeros(4);
        for (const float v : b.boxMax) {
            w.f32(v);
        }
        w.i32(b.parent);
    }

    layout.boneNumbers = static_cast<uint32_t>(w.tell());
    std::vector<uint32_t> paletteStart;
    for (const Submodel& s : model.submodels) {
        paletteStart.push_back(static_cast<uint32_t>(w.tell()));
        for (const uint16_t b : s.palette) {
            w.u16(b);
        }
    }
    w.zeros(2 * (static_cast<uint64_t>(nrBones) * multiplier - nrEntries));
    w.align(4);

    layout.submodels = static_cast<uint32_t>(w.tell());
    w.zeros(static_cast<uint64_t>(zqmdl::SUB_SIZE) * nrSubmodels);
    layout.descriptors = static_cast<uint32_t>(w.tell());
    w.zeros(static_cast<uint64_t>(zqmdl::DESC_SIZE) * 2 * nrWithBuffers);
    layout.elements = static_cast<uint32_t>(w.tell());
    std::vector<uint32_t> elementsAt;
    std::vector<uint32_t> elementCount;
    uint32_t nrElements = 0;
    for (const Submodel& s : model.submodels) {
        elementsAt.push_back(static_cast<uint32_t>(w.tell()));
        const uint32_t n = s.vertices.empty() ? 0 : writeElements(w, formatMask(s));
        elementCount.push_back(n);
        nrElements += n;
    }

    // The model's box: every vertex position.
    float low[3] = {0.0f, 0.0f, 0.0f};
    float high[3] = {0.0f, 0.0f, 0.0f};
    bool any = false;
    for (const Submodel& s : model.submodels) {
        for (const Vertex& v : s.vertices) {
            for (int c = 0; c < 3; ++c) {
                low[c] = any ? std::min(low[c], v.position[c]) : v.position[c];
                high[c] = any ? std::max(high[c], v.position[c]) : v.position[c];
            }
            any = true;
        }
    }
    layout.boxes = static_cast<uint32_t>(w.tell());
    w.zeros(16);
    for (const float v : low) {
        w.f32(v);
    }
    w.zeros(4);
    for (const float v : high) {
        w.f32(v);
    }
    w.zeros(4);

    layout.materials = static_cast<uint32_t>(w.tell());
    for (const Material& m : model.materials) {
        w.u64(zqCalcNameId64(m.name.c_str()));
        w.zeros(8);
        w.u32(m.kind);
        w.u32(m.shader | static_cast<uint32_t>(m.technique) << 8);
        w.zeros(16);
        w.f32(m.shininess);
        w.zeros(4);
        put4(w, m.diffuse);
        put4(w, m.ambient);
        put4(w, m.specular);
        w.zeros(16);
        w.f32(m.cull);
        w.f32(m.alphaTest);
        w.f32(m.depth);
        w.f32(m.blend);
        put4(w, m.blendFactor);
        w.zeros(16);
    }

    layout.textures = static_cast<uint32_t>(w.tell());
    for (size_t i = 0; i < model.textures.size(); ++i) {
        const Texture& t = model.textures[i];
        w.zeros(8);
        w.u8(t.addressU);
        w.u8(t.addressV);
        w.u8(t.magFilter);
        w.u8(t.minFilter);
        w.u8(t.mipFilter);
        w.u8(0);
        w.u16(static_cast<uint16_t>(i));
        w.zeros(64);
    }

    layout.names = static_cast<uint32_t>(w.tell());
    const uint32_t nrNames = static_cast<uint32_t>(model.textures.size());
    w.u32(nrNames);
    w.i32(zqmdl::NAMES_HEADER);
    w.u32(0);
    const uint64_t nameTable = w.tell();
    w.zeros(4ull * nrNames);
    for (uint32_t i = 0; i < nrNames; ++i) {
        const std::string& name = model.textures[i].fileName;
        if (name.size() >= zqmdl::MAX_NAME_BYTES) {
            fail("a texture file name is 255 bytes or longer");
        }
        w.patch<int32_t>(nameTable + 4ull * i, static_cast<int32_t>(w.tell() - nameTable));
        w.bytes(name.data(), name.size());
        w.u8(0);
    }
    w.align(4);

    // Vertex and index data, then the submodel records and descriptors that point at them.
    uint32_t descriptor = layout.descriptors;
    for (uint32_t i = 0; i < nrSubmodels; ++i) {
        const Submodel& s = model.submodels[i];
        const uint64_t record = layout.submodels + uint64_t{zqmdl::SUB_SIZE} * i;
        w.patch<uint8_t>(record + zqmdl::SUB_PRIMITIVE, s.primitive);
        w.patchU32(record + zqmdl::SUB_MATERIAL, s.material);
        w.patchU32(record + zqmdl::SUB_PALETTE_LENGTH, static_cast<uint32_t>(s.palette.size()));
        w.patch<int32_t>(record + zqmdl::SUB_PALETTE,
                         static_cast<int32_t>(paletteStart[i]) - static_cast<int32_t>(record));
        w.patch<uint8_t>(record + zqmdl::SUB_NR_STAGES, static_cast<uint8_t>(s.stages.size()));
        for (size_t k = 0; k < s.stages.size(); ++k) {
            w.patch<uint16_t>(record + zqmdl::SUB_STAGES + 4 * k, s.stages[k]);
        }
        layout.vertexDescriptor.push_back(0);
        layout.indexDescriptor.push_back(0);
        layout.vertexData.push_back(0);
        layout.indexData.push_back(0);
        if (s.vertices.empty()) {
            continue;
        }
        const uint32_t mask = formatMask(s);
        const uint32_t vd = descriptor;
        const uint32_t id = descriptor + zqmdl::DESC_SIZE;
        descriptor += 2 * zqmdl::DESC_SIZE;
        const uint32_t vertices = static_cast<uint32_t>(w.tell());
        for (const Vertex& v : s.vertices) {
            writeVertex(w, v, mask);
        }
        w.align(4);
        const uint32_t indices = static_cast<uint32_t>(w.tell());
        for (const uint16_t x : s.indices) {
            w.u16(x);
        }
        w.align(4);
        layout.vertexDescriptor.back() = vd;
        layout.indexDescriptor.back() = id;
        layout.vertexData.back() = vertices;
        layout.indexData.back() = indices;

        w.patchU32(record + zqmdl::SUB_NR_VERTEX_BUFFERS, 1);
        w.patch<int32_t>(record + zqmdl::SUB_VERTEX_BUFFER,
                         static_cast<int32_t>(vd) - static_cast<int32_t>(record));
        w.patchU32(record + zqmdl::SUB_NR_INDEX_BUFFERS, 1);
        w.patch<int32_t>(record + zqmdl::SUB_INDEX_BUFFER,
                         static_cast<int32_t>(id) - static_cast<int32_t>(record));

        w.patch<int32_t>(vd + zqmdl::DESC_DATA, static_cast<int32_t>(vertices - vd));
        w.patchU32(vd + zqmdl::DESC_COUNT, static_cast<uint32_t>(s.vertices.size()));
        w.patch<uint8_t>(vd + zqmdl::DESC_ONE, 1);
        w.patch<uint8_t>(vd + zqmdl::DESC_NR_ELEMENTS, static_cast<uint8_t>(elementCount[i]));
        w.patch<uint8_t>(vd + zqmdl::DESC_ONE_B, 1);
        w.patch<int32_t>(vd + zqmdl::DESC_ELEMENTS, static_cast<int32_t>(elementsAt[i] - vd));
        w.patchU32(vd + zqmdl::DESC_KIND, zqmdl::KIND_VERTICES);

        w.patch<int32_t>(id + zqmdl::DESC_DATA, static_cast<int32_t>(indices - id));
        w.patchU32(id + zqmdl::DESC_COUNT, static_cast<uint32_t>(s.indices.size()));
        w.patchU32(id + zqmdl::DESC_KIND, zqmdl::KIND_INDICES);
    }
    // Tables must end strictly before the end of the file.
    w.zeros(16);

    std::vector<uint8_t> out = w.take();
    ZqByteWriter h;
    h.bytes(zqmdl::MAGIC, sizeof zqmdl::MAGIC);
    h.zeros(2);
    h.u32(zqmdl::VERSION);
    h.zeros(4);
    h.u16(1);
    h.zeros(6);
    h.u32(nrBones);
    h.u32(layout.bones);
    h.u32(multiplier);
    h.u32(layout.boneNumbers);
    h.u32(nrSubmodels);
    h.u32(layout.submodels);
    h.u32(2 * nrWithBuffers);
    h.zeros(12);
    h.u32(1);
    h.u32(layout.boxes);
    h.u32(static_cast<uint32_t>(model.materials.size()));
    h.u32(layout.materials);
    h.u32(static_cast<uint32_t>(model.textures.size()));
    h.u32(layout.textures);
    h.u32(0);
    h.u32(layout.boxes); // the empty extra table
    h.u32(layout.names);
    h.zeros(zqmdl::HEADER_NR_NAMES - h.tell());
    h.u32(nrNames);
    h.zeros(zqmdl::HEADER_NR_ELEMENTS - h.tell());
    h.u32(nrElements);
    h.zeros(zqmdl::HEADER_SIZE - h.tell());
    std::copy(h.data().begin(), h.data().end(), out.begin());
    if (layoutOut != nullptr) {
        *layoutOut = std::move(layout);
    }
    return out;
}

Model sampleModel() {
    Model m;
    Bone root;
    root.name = "root";
    root.boxMin[0] = root.boxMin[1] = root.boxMin[2] = -1.0f;
    root.boxMax[0] = root.boxMax[1] = root.boxMax[2] = 1.0f;
    Bone child = root;
    child.name = "child";
    child.parent = 0;
    child.bind = Matrix::translation(0.0f, 1.0f, 0.0f);
    m.bones = {root, child};

    Material opaque;
    opaque.name = "opaque";
    Material blended;
    blended.name = "blended";
    blended.blend = 20506.0f; // add, source alpha, inverse source alpha
    blended.depth = 50.0f;    // less-or-equal, no depth writes
    m.materials = {opaque, blended};

    Texture t;
    t.fileName = "sample.dds";
    m.textures = {t};

    // A quad from y = 0 to y = 2: the lower corners follow the root, the upper the child.
    Submodel body;
    body.skinned = true;
    body.blendWeights = 1;
    body.palette = {0, 1};
    body.stages = {0};
    const float corners[4][2] = {{-0.5f, 0.0f}, {0.5f, 0.0f}, {0.5f, 2.0f}, {-0.5f, 2.0f}};
    for (int i = 0; i < 4; ++i) {
        Vertex v;
        v.position[0] = corners[i][0];
        v.position[1] = corners[i][1];
        v.uv[0] = corners[i][0] + 0.5f;
        v.uv[1] = 1.0f - corners[i][1] * 0.5f;
        v.blendIndices[0] = corners[i][1] > 0.0f ? 1 : 0;
        v.blendWeights[0] = 0.0f; // blend index 0 takes what the weights leave
        body.vertices.push_back(v);
    }
    body.indices = {0, 1, 2, 0, 2, 3};

    Submodel glass = body;
    glass.material = 1;
    glass.skinned = false;
    glass.palette = {0};
    glass.colours = true;
    glass.uvs = false;
    glass.stages.clear();
    for (Vertex& v : glass.vertices) {
        v.position[2] = -0.5f;
        v.colour = 0x80FF0000u;
    }
    m.submodels = {body, glass};
    return m;
}

} // namespace zq_model_writer
