#include "zq/gl/ZqGlModel.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlResourceFile_internal.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSprintf.h"

#include <new>
#include <string>

namespace {

constexpr uint32_t MIN_FILE_SIZE = 192;

} // namespace

// A null name or file name to create from a file is the no-free code; a reload takes the flag
// it is given and leaves culling off.
struct ZqGlModelTraits : zq_gl::ResourceFile<MIN_FILE_SIZE, 0x200000>,
                         ZqRefResourceDefaults<ZqGlModel> {
    using T = ZqGlModel;
    static constexpr uint32_t NULL_FILE_NAME = T::ERROR_NO_FREE;
    static constexpr uint32_t NOT_LIVE = T::ERROR_NOT_LIVE;
    static constexpr uint32_t MIN_SIZE = MIN_FILE_SIZE;
    static constexpr uint32_t MAX_SIZE = T::MAX_FILE_SIZE;

    static uint32_t parse(T& m, const uint8_t* const data, const uint32_t size, const bool reload,
                          const T::FLAG flag) {
        return m.createBody(flag, data, size, reload);
    }
    static uint32_t takeOver(T& live, T& fresh) {
        live.releaseBody();
        live.m_body = std::move(fresh.m_body);
        fresh.m_body = T::Body{};
        live.m_flag = fresh.m_flag;
        live.m_cullingEnable = false;
        return 0;
    }
};

namespace {

uint32_t primitiveType(const uint8_t code) {
    static const uint32_t types[6] = {
        ZqGlPrimitive::TYPE_TRIANGLESTRIP, ZqGlPrimitive::TYPE_TRIANGLELIST,
        ZqGlPrimitive::TYPE_TRIANGLEFAN,   ZqGlPrimitive::TYPE_LINELIST,
        ZqGlPrimitive::TYPE_LINESTRIP,     ZqGlPrimitive::TYPE_POINTLIST,
    };
    return types[code];
}

std::u16string primitiveName(const char16_t* const model, const uint32_t submodel) {
    std::u16string name = model;
    const std::string tail = "*model*" + std::to_string(submodel) + "*0";
    name.append(tail.begin(), tail.end());
    return name;
}

} // namespace

ZqGlModel::AlphaEntry ZqGlModel::m_vAlphaSortSubmodels[64];
ZqGlModel::AlphaEntry* ZqGlModel::m_vpAlphaSortSubmodels[64];

ZqGlModel::~ZqGlModel() {
    releaseBody();
}

void ZqGlModel::sysInit() {
    init(POOL_SIZE);
}

void ZqGlModel::sysQuit() {
    quit();
}

ZqGlModel* ZqGlModel::create(const FLAG flag, const char16_t* const name, const void* const data,
                             const unsigned int size) {
    return createResource(name, data, size, flag);
}

ZqGlModel* ZqGlModel::create(const FLAG flag, const char16_t* const name,
                             const char16_t* const fileName) {
    return createResourceFile(name, fileName, flag);
}

ZqGlModel* ZqGlModel::reload(const FLAG flag, const void* const data, const unsigned int size) {
    return reloadResource(data, size, flag);
}

ZqGlModel* ZqGlModel::reload(const FLAG flag, const char16_t* const fileName) {
    return reloadResourceFile(fileName, flag);
}

unsigned int ZqGlModel::release() {
    return releaseResource();
}

void ZqGlModel::releaseBody() {
    for (Submodel& s : m_body.submodels) {
        if (s.primitive != nullptr) {
            s.primitive->release();
            s.primitive = nullptr;
        }
    }
    m_body = Body{};
}

uint32_t ZqGlModel::createBody(const FLAG flag, const void* const data, const unsigned int size,
                               const bool force) {
    m_flag = flag;
    m_cullingEnable = false;
    releaseBody();
    ZqGlModelFile file;
    uint32_t error = 0;
    try {
        error = file.read(data, size);
        if (error != 0) {
            return error;
        }
        Body& b = m_body;
        b.bones.resize(file.bones.size());
        b.boneBoxes.resize(file.bones.size());
        for (size_t i = 0; i < file.bones.size(); ++i) {
            const ZqGlModelFile::Bone& in = file.bones[i];
            b.bones[i].bind = in.bind;
            b.bones[i].inverse = in.inverse;
            b.bones[i].nameId = in.nameId;
            b.bones[i].parent = in.parent;
            const float half[3] = {in.box.half.x, in.box.half.y, in.box.half.z};
            b.boneBoxes[i].set(in.box.centre, half);
        }
        b.boneNumbers = file.boneNumbers;
        b.modelMatrices.assign(b.boneNumbers.size() > 0 ? b.boneNumbers.size() : 1, ZqMatrix(1.0f));
        b.materials = file.materials;
        b.textures.resize(file.textures.size());
        for (size_t i = 0; i < file.textures.size(); ++i) {
            const ZqGlModelFile::Texture& t = file.textures[i];
            b.textures[i] = {t.fileName,  t.addressU,  t.addressV, t.addressW,
                             t.magFilter, t.minFilter, t.mipFilter};
        }
        const float half[3] = {file.box.half.x, file.box.half.y, file.box.half.z};
        b.box.set(file.box.centre, half);
        b.sphere.set(file.sphere.centre, file.sphere.radius);
        b.submodels.resize(file.submodels.size());
    } catch (const std::bad_alloc&) {
        throw ZqError::BLOCK_MEMORY;
    }

    const char16_t* const name = getName();
    for (size_t i = 0; i < file.submodels.size(); ++i) {
        const ZqGlModelFile::Submodel& in = file.submodels[i];
        Submodel& s = m_body.submodels[i];
        s.nrStages = in.nrStages;
        s.nrBlendWeights = in.nrBlendWeights;
        for (int k = 0; k < 4; ++k) {
            s.textures[k] = in.textures[k];
            s.mainBones[k] = in.mainBones[k];
            s.mainBoneWeights[k] = in.mainBoneWeights[k];
        }
        s.paletteLength = in.paletteLength;
        s.palette = m_body.boneNumbers.data() + in.paletteStart;
        s.material = &m_body.materials[in.material];
        const float half[3] = {in.box.half.x, in.box.half.y, in.box.half.z};
        s.box.set(in.box.centre, half);
        s.sphere.set(in.sphere.centre, in.sphere.radius);
        if (in.nrPrimitives == 0) {
            continue;
        }
        // The file's indices are little-endian 16-bit values; copied into host order.
        std::vector<unsigned short> indices(in.nrIndices);
        for (uint32_t k = 0; k < in.nrIndices; ++k) {
            indices[k] = ZqByteReader::load<uint16_t>(in.indices + 2 * k);
        }
        const std::u16string primitive = primitiveName(name, static_cast<uint32_t>(i));
        const uint32_t type = primitiveType(in.primitiveCode) | (flag & 0x1000);
        s.primitive =
            force ? ZqGlPrimitive::createForce(primitive.c_str(), type, in.format, in.vertices,
                                               in.nrVertices, indices.data(), in.nrIndices)
                  : ZqGlPrimitive::create(primitive.c_str(), type, in.format, in.vertices,
                                          in.nrVertices, indices.data(), in.nrIndices);
        if (s.primitive == nullptr) {
            error = zqp::getLastError();
            releaseBody();
            return error != 0 ? error : ERROR_NO_FREE;
        }
        s.nrPrimitives = 1;
    }
    return 0;
}

void ZqGlModel::setBoundingSphere(const uint32_t s, const ZqDgSphere& sphere) {
    m_body.submodels[s].sphere.set(sphere.getCenter(), sphere.getRadius());
}

void ZqGlModel::setBoundingSphere(const ZqDgSphere& sphere) {
    m_body.sphere.set(sphere.getCenter(), sphere.getRadius());
}

int ZqGlModel::searchBoneNr(const char* const name) const {
    const uint64_t id = zqCalcNameId64(name);
    for (size_t b = m_body.bones.size(); b-- > 0;) {
        if (m_body.bones[b].nameId == id) {
            return static_cast<int>(b);
        }
    }
    return -1;
}

const ZqGlModel::Material* ZqGlModel::searchMaterial(const char* const name) const {
    const uint64_t id = zqCalcNameId64(name);
    for (size_t m = m_body.materials.size(); m-- > 0;) {
        if (m_body.materials[m].nameId == id) {
            return &m_body.materials[m];
        }
    }
    return nullptr;
}

bool ZqGlModel::testAnimation(const ZqGlAnimation* const animation) const {
    if (animation == nullptr || animation->getNrBones() != m_body.bones.size()) {
        return false;
    }
    for (uint32_t b = 0; b < m_body.bones.size(); ++b) {
        if (animation->getBoneParentNr(b) != m_body.bones[b].parent) {
            return false;
        }
    }
    return true;
}

void ZqGlModel::calcModelWorldMatrix(const ZqMatrix* const boneMatrices,
                                     const ZqMatrix* const world, const unsigned int bone,
                                     ZqMatrix& out) const {
    if (boneMatrices != nullptr) {
        out = m_body.bones[bone].inverse * boneMatrices[bone];
        if (world != nullptr) {
            out = out * *world;
        }
    } else if (world != nullptr) {
        out = *world;
    }
}

void ZqGlModel::calcModelWorldMatrixArray(const ZqMatrix* const boneMatrices,
                                          const ZqMatrix* const world, ZqMatrix* const out) const {
    if (boneMatrices != nullptr) {
        for (uint32_t b = 0; b < m_body.bones.size(); ++b) {
            calcModelWorldMatrix(boneMatrices, world, b, out[b]);
        }
    } else if (world != nullptr) {
        out[0] = *world;
    }
}
