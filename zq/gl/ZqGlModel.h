// ZqGlModel: the framework's model resource: a named, reference-counted pool element holding one
// model read from a model file (ZqGlModelFile): bones, submodels (one primitive each, with bone
// palette, material, texture stages, box, sphere and four main bones), materials with their
// render states, texture entries (file names and sampler settings), the model's box and sphere.
// It does not load textures: the game reads the file names, loads them and passes them to each
// draw. Draws skin through the current effect's model-view palette (up to 48 bones a submodel).
// Not for: animation (the players make the bone matrices). Depends on ZqGlModelFile,
// ZqGlPrimitive, ZqGlShader, ZqGlState, ZqGlCamera, ZqFile.
#pragma once

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/gl/ZqGlModelFile.h"
#include "zq/memory/ZqRefResource.h"

#include <cstdint>
#include <string>
#include <vector>

class ZqGlAnimation;
class ZqGlPrimitive;
class ZqGlShader;
class ZqGlState;
class ZqGlTexture;
class ZqGlTextureAnimationPlayer;

struct ZqGlModelTraits;

class ZqGlModel : public ZqRefResource<ZqGlModel, ZqGlModelTraits> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20003000;
    static constexpr uint32_t ERROR_READ = 0x20003001;
    static constexpr uint32_t ERROR_NULL = 0x20003002;
    static constexpr uint32_t ERROR_SIZE = 0x20003003;
    static constexpr uint32_t ERROR_NOT_LIVE = 0x20003004;
    static constexpr uint32_t POOL_SIZE = 1024;
    static constexpr uint32_t NR_BONE_INDICES = 512;
    // Files given from memory are 192 to MAX_FILE_SIZE bytes.
    static constexpr uint32_t MAX_FILE_SIZE = 2097151;
    using FLAG = uint32_t;
    using Material = ZqGlModelFile::Material;

    struct Submodel {
        uint8_t nrStages = 0;
        uint8_t nrPrimitives = 0;
        uint8_t nrBlendWeights = 0;
        uint8_t textures[4] = {};
        uint8_t paletteLength = 0;
        const Material* material = nullptr;
        ZqGlPrimitive* primitive = nullptr;
        const uint8_t* palette = nullptr;
        ZqDgAxisAlignedBoundingBox box;
        ZqDgSphere sphere;
        uint8_t mainBones[4] = {};
        float mainBoneWeights[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    };

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // The model named name from a file image of 192 to MAX_FILE_SIZE bytes; a name in use gives
    // that model with one more reference (the data is not read). Null on failure with the
    // thread's last error set (0x20003000 to 0x20003039, or a primitive's own code).
    static ZqGlModel* create(FLAG flag, const char16_t* name, const void* data, unsigned int size);
    // The same, reading fileName for a new model.
    static ZqGlModel* create(FLAG flag, const char16_t* name, const char16_t* fileName);
    static ZqGlModel* create(const FLAG flag, const char16_t* name) {
        return create(flag, name, name);
    }
    // Replaces the contents in place (name, slot and references stay; culling is off after).
    // Null with the model unchanged on failure.
    ZqGlModel* reload(FLAG flag, const void* data, unsigned int size);
    ZqGlModel* reload(FLAG flag, const char16_t* fileName);
    // Drops one reference; at 0 the primitives and tables go. Returns the count left.
    unsigned int release();

    uint8_t getNrSubmodels() const { return static_cast<uint8_t>(m_body.submodels.size()); }
    uint8_t getNrMaterials() const { return static_cast<uint8_t>(m_body.materials.size()); }
    uint8_t getNrTextures() const { return static_cast<uint8_t>(m_body.textures.size()); }
    uint8_t getNrBones() const { return static_cast<uint8_t>(m_body.bones.size()); }
    const char16_t* getTextureFilename(const uint32_t i) const {
        return m_body.textures[i].fileName.c_str();
    }
    const Material* getMaterial(const uint32_t i) const { return &m_body.materials[i]; }
    const Material* getSubmodelMaterial(const uint32_t s) const {
        return m_body.submodels[s].material;
    }
    uint8_t getNrPrimitives(const uint32_t s) const { return m_body.submodels[s].nrPrimitives; }
    ZqGlPrimitive* getPrimitive(const uint32_t s, const uint32_t) const {
        return m_body.submodels[s].primitive;
    }
    uint8_t getNrBones(const uint32_t s) const { return m_body.submodels[s].paletteLength; }
    uint8_t getBoneNr(const uint32_t s, const uint32_t j) const {
        return m_body.submodels[s].palette[j];
    }
    const Submodel& getSubmodel(const uint32_t s) const { return m_body.submodels[s]; }
    const ZqDgAxisAlignedBoundingBox& getBoundingBox(const uint32_t s) const {
        return m_body.submodels[s].box;
    }
    ZqDgSphere& getBoundingSphere(const uint32_t s) { return m_body.submodels[s].sphere; }
    void setBoundingSphere(uint32_t s, const ZqDgSphere& sphere);
    const ZqDgAxisAlignedBoundingBox& getBoundingBox() const { return m_body.box; }
    ZqDgSphere& getBoundingSphere() { return m_body.sphere; }
    void setBoundingSphere(const ZqDgSphere& sphere);
    void setCullingEnable(const bool on) { m_cullingEnable = on; }
    bool getCullingEnable() const { return m_cullingEnable; }
    const ZqMatrix& getBoneBindMatrix(const uint32_t b) const { return m_body.bones[b].bind; }
    const ZqMatrix& getBoneBindInvertMatrix(const uint32_t b) const {
        return m_body.bones[b].inverse;
    }
    int getBoneParentNr(const uint32_t b) const { return m_body.bones[b].parent; }
    const ZqDgAxisAlignedBoundingBox& getBoneBoundingBox(const uint32_t b) const {
        return m_body.boneBoxes[b];
    }
    ZqMatrix* getModelWorldMatrixArray() { return m_body.modelMatrices.data(); }
    FLAG getFlag() const { return m_flag; }

    // The bone (or material) whose name id is that of name, the highest index winning; -1
    // (null) when none.
    int searchBoneNr(const char* name) const;
    const Material* searchMaterial(const char* name) const;
    // True when the animation has this model's bone count and parents.
    bool testAnimation(const ZqGlAnimation* animation) const;
    // out = inverse bind(bone) x boneMatrices[bone] x world; world alone without bone
    // matrices; out unchanged with neither.
    void calcModelWorldMatrix(const ZqMatrix* boneMatrices, const ZqMatrix* world,
                              unsigned int bone, ZqMatrix& out) const;
    void calcModelWorldMatrixArray(const ZqMatrix* boneMatrices, const ZqMatrix* world,
                                   ZqMatrix* out) const;

    // Draws in the caller's effect pass, touching no render state. textures: by texture index,
    // or null; boneMatrices: one per bone, or null; world may be null.
    void draw(ZqGlTexture* const* textures, const ZqMatrix* boneMatrices, const ZqMatrix* world,
              ZqGlTextureAnimationPlayer* const* players, unsigned int nrPlayers);
    void draw(unsigned int submodel, ZqGlTexture* const* textures, const ZqMatrix* boneMatrices,
              const ZqMatrix* world, ZqGlTextureAnimationPlayer* const* players,
              unsigned int nrPlayers);
    // Draws with each submodel's material, shader (number + shaderOffset) and samplers; blended
    // submodels after the others, far to near.
    void drawMaterial(ZqGlTexture* const* textures, const ZqMatrix* boneMatrices,
                      const ZqMatrix* world, ZqGlTextureAnimationPlayer* const* players,
                      unsigned int nrPlayers, unsigned int shaderOffset);
    void drawMaterial(unsigned int submodel, ZqGlTexture* const* textures,
                      const ZqMatrix* boneMatrices, const ZqMatrix* world,
                      ZqGlTextureAnimationPlayer* const* players, unsigned int nrPlayers,
                      unsigned int shaderOffset);

private:
    friend class ZqFixList<ZqGlModel>;
    friend class ZqRefList<ZqGlModel>;
    friend class ZqRefResource<ZqGlModel, ZqGlModelTraits>;
    friend struct ZqGlModelTraits;

    struct Bone {
        ZqMatrix bind;
        ZqMatrix inverse;
        uint64_t nameId = 0;
        int8_t parent = -1;
    };
    struct TextureEntry {
        std::u16string fileName;
        uint8_t addressU = 1;
        uint8_t addressV = 1;
        uint8_t addressW = 1;
        uint8_t magFilter = 0;
        uint8_t minFilter = 0;
        uint8_t mipFilter = 0;
    };
    // Everything one load makes; a reload swaps it whole.
    struct Body {
        std::vector<Bone> bones;
        std::vector<ZqDgAxisAlignedBoundingBox> boneBoxes;
        std::vector<Submodel> submodels;
        std::vector<Material> materials;
        std::vector<TextureEntry> textures;
        std::vector<ZqMatrix> modelMatrices;
        std::vector<uint8_t> boneNumbers;
        ZqDgAxisAlignedBoundingBox box{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        ZqDgSphere sphere{ZqVector3(0.0f, 0.0f, 0.0f), 0.0f};
    };
    struct AlphaEntry {
        const Submodel* submodel = nullptr;
        float depth = 0.0f;
    };

    ZqGlModel() = default;
    ~ZqGlModel() override;

    // 0 or the error code; what was made is released on failure.
    uint32_t createBody(FLAG flag, const void* data, unsigned int size, bool force);
    void releaseBody();

    bool isCulled(const ZqMatrix* boneMatrices, const ZqMatrix* world) const;
    bool isSubmodelCulled(const Submodel& s, const ZqMatrix* boneMatrices,
                          const ZqMatrix* world) const;
    void calcSubmodelBoundingSphereCenterToView(const Submodel& s, const ZqMatrix* boneMatrices,
                                                const ZqMatrix* world, ZqVector3& out) const;
    void setPalette(ZqGlShader* shader, const Submodel& s, const ZqMatrix* boneMatrices,
                    const ZqMatrix* world);
    void bindTextures(ZqGlShader* shader, const Submodel& s, ZqGlTexture* const* textures,
                      bool samplers) const;
    // Textures (with their sampler states when samplers is set), palette, texture matrix and
    // vertex-blend flags of one submodel.
    void setSubmodelParams(ZqGlShader* shader, const Submodel& s, ZqGlTexture* const* textures,
                           bool samplers, const ZqMatrix* boneMatrices, const ZqMatrix* world,
                           ZqGlTextureAnimationPlayer* const* players, unsigned int nrPlayers);
    void drawSubmodel(ZqGlShader* shader, const Submodel& s, ZqGlTexture* const* textures,
                      const ZqMatrix* boneMatrices, const ZqMatrix* world,
                      ZqGlTextureAnimationPlayer* const* players, unsigned int nrPlayers);
    void drawSubmodelMaterial(ZqGlShader* shader, const Submodel& s, ZqGlTexture* const* textures,
                              const ZqMatrix* boneMatrices, const ZqMatrix* world,
                              ZqGlTextureAnimationPlayer* const* players, unsigned int nrPlayers);
    static void setMaterial(const Material& material, ZqGlState* state);
    static void setTextureAnimationMatrix(ZqGlShader* shader, uint64_t materialNameId,
                                          ZqGlTextureAnimationPlayer* const* players,
                                          unsigned int nrPlayers);
    // The material's shader made current with its technique; the shader to draw with.
    static ZqGlShader* selectShader(const Material& material, unsigned int shaderOffset);

    Body m_body;
    FLAG m_flag = 0;
    bool m_cullingEnable = false;

    static AlphaEntry m_vAlphaSortSubmodels[64];
    static AlphaEntry* m_vpAlphaSortSubmodels[64];
};
