// The model writer: model files ("QVMDL", ZqGlModelFormat.h) from a plain description: bones
// with bind matrices (their inverses are computed), submodels of vertices and 16-bit indices
// with a bone palette, materials with their render-state codes, and texture entries with
// sampler settings. Tests make their fixtures with it and the game's data set its skinned
// characters and static props; a Wavefront OBJ mesh becomes a one-bone model.
// Not for: reading (ZqGlModelFile reads). Depends on the format's constants and the name-id
// hash of libzq.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zq_model_writer {

// Row-major, row vectors (p' = p M), as the framework's matrices.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    static Matrix translation(float x, float y, float z);
};

struct Bone {
    std::string name;
    int parent = -1;
    // The bone's model-space transform in the bind pose.
    Matrix bind;
    float boxMin[3] = {0.0f, 0.0f, 0.0f};
    float boxMax[3] = {0.0f, 0.0f, 0.0f};
};

struct Vertex {
    float position[3] = {0.0f, 0.0f, 0.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float uv[2] = {0.0f, 0.0f};
    // Palette positions and the weights of all but the last bone (as many as blendWeights).
    uint8_t blendIndices[4] = {0, 0, 0, 0};
    float blendWeights[3] = {0.0f, 0.0f, 0.0f};
    uint32_t colour = 0xFFFFFFFFu; // ARGB
};

struct Submodel {
    uint8_t primitive = 1; // 0 strip, 1 list, 2 fan, 3 line list, 4 line strip, 5 points
    uint32_t material = 0;
    // Bone numbers the vertices' blend indices refer to, at most 48.
    std::vector<uint16_t> palette;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    // The vertex format: blend indices when skinned, with 0..3 weights; normals, one 2D
    // texture coordinate set, a colour. A format with neither coordinates nor colour gets
    // coordinates.
    bool skinned = false;
    uint8_t blendWeights = 0;
    bool normals = true;
    bool uvs = true;
    bool colours = false;
    // Texture (name) index per stage, at most 4.
    std::vector<uint16_t> stages;
};

struct Material {
    std::string name;
    uint32_t kind = 5;
    uint8_t shader = 0;
    uint8_t technique = 0;
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float shininess = 0.0f;
    // The decimal render-state codes: cull 0..3; alpha test tens digit (1 off) and reference;
    // depth (0: less-or-equal with writes); blend operation x 10000 + source x 100 + dest.
    float cull = 0.0f;
    float alphaTest = 10.0f;
    float depth = 0.0f;
    float blend = 0.0f;
    float blendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

struct Texture {
    std::string fileName;
    uint8_t addressU = 0; // 0 wrap, 1 mirror, 2 clamp
    uint8_t addressV = 0;
    uint8_t magFilter = 2; // 0 none, 1 point, 2 linear, 3 anisotropic
    uint8_t minFilter = 2;
    uint8_t mipFilter = 2;
};

struct Model {
    std::vector<Bone> bones;
    std::vector<Submodel> submodels;
    std::vector<Material> materials;
    std::vector<Texture> textures;
};

// Where write put each table (file offsets), for tests that change single fields.
struct Layout {
    uint32_t bones = 0;
    uint32_t boneNumbers = 0;
    uint32_t submodels = 0;
    uint32_t descriptors = 0;
    uint32_t elements = 0;
    uint32_t boxes = 0;
    uint32_t materials = 0;
    uint32_t textures = 0;
    uint32_t names = 0;
    // Per submodel (0 without vertices): its vertex and index descriptors and data.
    std::vector<uint32_t> vertexDescriptor;
    std::vector<uint32_t> indexDescriptor;
    std::vector<uint32_t> vertexData;
    std::vector<uint32_t> indexData;
};

// The file image. Throws std::invalid_argument for a model the format cannot hold (counts past
// its limits, indices out of range, a palette entry that is not a bone, a singular bind matrix).
std::vector<uint8_t> write(const Model& model, Layout* layout = nullptr);

// The vertex format mask that a submodel's flags give.
uint32_t formatMask(const Submodel& submodel);

// A Wavefront OBJ mesh (v, vt, vn, f; polygons as fans) as a static model of one bone "root",
// one submodel and material "default", with texture fileName on stage 0 when it is not empty.
// False with a message for a malformed mesh.
bool fromObj(const std::string& text, const std::string& textureFileName, Model& out,
             std::string& error);

// A small skinned model: a root and a child bone, an opaque textured submodel skinned to both
// and a blended one with a colour, two materials and one texture ("sample.dds").
Model sampleModel();

} // namespace zq_model_writer
