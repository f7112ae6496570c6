// ZqGlModelFile: a model file ("QVMDL", see ZqGlModelFormat.h) checked and read into plain
// tables: bones, bone numbers, submodels (with their vertex and index data still in the file
// image), materials with their render states decoded, texture entries, boxes, spheres and main
// bones. The checks run in a fixed order and the first failure gives its error code
// (0x20003003, 0x20003005 to 0x20003039). Not for: making device objects (ZqGlModel makes the
// primitives). Depends on the math types only.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"
#include "zq/math/ZqVector4.h"

#include <cstdint>
#include <string>
#include <vector>

class ZqGlModelFile {
public:
    // A null or short image: the model's own code for a wrong size (ZqGlModel::ERROR_SIZE).
    static constexpr uint32_t ERROR_SIZE = 0x20003003;
    struct Box {
        ZqVector3 centre{0.0f, 0.0f, 0.0f};
        ZqVector3 half{0.0f, 0.0f, 0.0f};
    };
    struct Sphere {
        ZqVector3 centre{0.0f, 0.0f, 0.0f};
        float radius = 0.0f;
    };
    struct Bone {
        uint64_t nameId = 0;
        ZqMatrix bind = ZqMatrix(1.0f);
        ZqMatrix inverse = ZqMatrix(1.0f);
        Box box;
        int8_t parent = -1;
    };
    // A material's render states as device values.
    struct Material {
        static constexpr int8_t OFF = -2;
        uint64_t nameId = 0;
        uint8_t shader = 0;
        uint8_t technique = 0;
        uint8_t cullMode = 2;
        int8_t alphaFunc = OFF; // OFF: alpha test off
        uint8_t alphaRef = 0;
        uint8_t depthFunc = 4;
        uint8_t depthWrite = 1;
        int8_t blendOp = OFF; // OFF: blending off
        uint8_t srcBlend = 5;
        uint8_t dstBlend = 6;
        bool useBlendFactor = false;
        uint32_t blendFactor = 0; // ARGB
        ZqVector4 ambient{0.0f, 0.0f, 0.0f, 1.0f};
        ZqVector4 diffuse{0.0f, 0.0f, 0.0f, 1.0f};
        ZqVector4 specular{0.0f, 0.0f, 0.0f, 0.0f};
        float shininess = 0.0f;
    };
    struct Texture {
        std::u16string fileName;
        uint8_t addressU = 1;
        uint8_t addressV = 1;
        uint8_t addressW = 1;
        uint8_t magFilter = 0;
        uint8_t minFilter = 0;
        uint8_t mipFilter = 0;
    };
    struct Submodel {
        uint8_t primitiveCode = 0;
        uint8_t nrPrimitives = 0;
        uint8_t nrStages = 0;
        uint8_t nrBlendWeights = 0;
        uint8_t textures[4] = {};
        uint8_t paletteLength = 0;
        uint16_t paletteStart = 0; // first entry in the bone-number table
        uint8_t material = 0;
        // The vertex format mask (ZqGlPrimitive) and the data in the file image; only with a
        // primitive.
        uint32_t format = 0;
        uint32_t stride = 0;
        const uint8_t* vertices = nullptr;
        uint32_t nrVertices = 0;
        const uint8_t* indices = nullptr; // little-endian u16
        uint32_t nrIndices = 0;
        Box box;
        Sphere sphere;
        uint8_t mainBones[4] = {};
        float mainBoneWeights[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    };

    std::vector<Bone> bones;
    std::vector<uint8_t> boneNumbers;
    std::vector<Submodel> submodels;
    std::vector<Material> materials;
    std::vector<Texture> textures;
    Box box;
    Sphere sphere;

    // Checks and reads a whole file image. 0, or the code of the first failed check (the
    // tables are then left in an unspecified state). The image must outlive the submodels'
    // vertex and index pointers.
    uint32_t read(const void* data, uint64_t size);

    // The decimal decoding of the material codes: floor(v) div 10 and v - 10 floor(v x 0.1),
    // in single precision.
    static int tensDigit(float v);
    static float unitsPart(float v);
    // The vertex-format mask of an element list (count elements of 4 bytes); 0 when the list
    // is not a valid one.
    static uint32_t elementsToMask(const uint8_t* elements, uint32_t count);
};
