// ZqGlShader: a compiled effect as the framework uses it: named and reference-counted in a pool
// of 16, found by a number 1..127 (0 is the library's own default effect "*default"), with a
// table that maps parameter indices to the effect's parameters, the 22 standard ones first
// (camera, lights, fog, render-state colours, textures and model matrices feed every effect
// through them), then the caller's extra ones, and a table of the caller's techniques. Every
// effect shares its `shared` parameters through one effect pool. One effect is current: the
// one whose technique was set last; each frame starts with the default effect current on
// "DiffuseTexFog".
// Not for: drawing (the callers begin techniques and passes and draw themselves). Depends on
// ZqRefList, the effect runtime (ZqGlEffect), the device (ZqGlSystem), the camera's view for
// the model-view matrices, textures and the file loader.
#pragma once

#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <memory>
#include <vector>

class ZqGlEffect;
class ZqGlEffectPool;
class ZqGlTexture;
class ZqMatrix;
class ZqVector4;

class ZqGlShader : public ZqRefList<ZqGlShader> {
public:
    static constexpr uint32_t POOL_SIZE = 16;
    // Numbers run 0..127; 0 is the default effect.
    static constexpr unsigned int MAX_SHADERS = 128;
    static constexpr unsigned int NR_STANDARD_PARAMS = 22;
    static constexpr unsigned int MAX_MODEL_VIEW_MATRICES = 48;
    // Compiled effects given in memory or read from a file stay below this size.
    static constexpr unsigned int MAX_FILE_SIZE = 0x20000;

    // Indices of the standard parameters.
    enum PARAM : unsigned int {
        PARAM_LIGHT_AMBIENT = 0,
        PARAM_LIGHT_COLOR,
        PARAM_LIGHT_DIR,
        PARAM_LIGHT_POS,
        PARAM_LIGHT_ATTENUTATION,
        PARAM_AMBIENT,
        PARAM_DIFFUSE,
        PARAM_SPECULAR,
        PARAM_SHININESS,
        PARAM_VIEW_PROJ,
        PARAM_VIEW_WORLD,
        PARAM_FOG_PARAMS,
        PARAM_FOG_COLOR,
        PARAM_VERTEX_BLEND_FLAGS,
        PARAM_TEXTURE_MATRIX,
        PARAM_TEX0,
        PARAM_TEX1,
        PARAM_TEX2,
        PARAM_TEX3,
        PARAM_TEX_CUBE,
        PARAM_TEX_NORMAL,
        PARAM_MODEL_VIEW,
    };
    // Techniques of the default effect.
    enum TECHNIQUE : unsigned int {
        TECHNIQUE_DIFFUSE = 0,
        TECHNIQUE_TEX,
        TECHNIQUE_DIFFUSE_TEX,
        TECHNIQUE_DIFFUSE_FOG,
        TECHNIQUE_TEX_FOG,
        TECHNIQUE_DIFFUSE_TEX_FOG,
        TECHNIQUE_DIFFUSE_2D,
        TECHNIQUE_TEX_2D,
        TECHNIQUE_DIFFUSE_TEX_2D,
        TECHNIQUE_DIFFUSE_FOG_2D,
        TECHNIQUE_TEX_FOG_2D,
        TECHNIQUE_DIFFUSE_TEX_FOG_2D,
    };

    // Makes effect number shaderNr (1..127, free) named name from a compiled effect file read
    // through the current file reader, or from memory (size below MAX_FILE_SIZE).
    // paramNames: the extra parameters' names, null-terminated, or null for none;
    // techniqueNames: the techniques' names, null-terminated. An effect of that name already
    // alive is returned with one more reference, nothing loaded. Null on a bad argument, a
    // taken number, a failed load, or an effect that is no compiled effect of ours or lacks a
    // standard or named parameter or a named technique.
    static ZqGlShader* create(unsigned char shaderNr, const char16_t* name,
                              const char16_t* fileName, const char16_t** paramNames,
                              const char16_t** techniqueNames);
    // The same with the file name as the name.
    static ZqGlShader* create(unsigned char shaderNr, const char16_t* fileName,
                              const char16_t** paramNames, const char16_t** techniqueNames);
    static ZqGlShader* create(unsigned char shaderNr, const char16_t* name, const void* data,
                              unsigned int size, const char16_t** paramNames,
                              const char16_t** techniqueNames);
    // Replaces the compiled effect of this live effect, keeping its name, number and
    // references; this effect, or null (the old effect stays) on failure. Not for the default.
    ZqGlShader* reload(const char16_t* fileName, const char16_t** paramNames,
                       const char16_t** techniqueNames);
    ZqGlShader* reload(const void* data, unsigned int size, const char16_t** paramNames,
                       const char16_t** techniqueNames);
    // Drops one reference; the count left. Releasing the current effect makes the default
    // effect current on technique 0 first.
    unsigned int release();

    // The effect of a number, null when none (numbers above 127 have none).
    static ZqGlShader* getShader(unsigned char shaderNr);
    static ZqGlShader* getDefaultShader() { return m_pDefaultShader; }
    static ZqGlShader* getCurrent() { return m_pCurrentShader; }
    static unsigned int getCurrentTechniqueNr() { return m_currentTechniqueNr; }
    // The texture last bound to standard texture stage 0..3 this frame (null: none).
    static const ZqGlTexture* getCurrentTexture(unsigned int stage);

    unsigned char getNrParams() const { return m_nrParams; }
    unsigned char getNrTechniques() const { return m_nrTechniques; }
    unsigned char getShaderNr() const { return m_shaderNr; }
    // The live effect (null after release); for callers that need more than the table gives.
    ZqGlEffect* getEffect() const { return m_pEffect.get(); }

    // Techniques and passes. setTechnique makes this effect current with that technique; it
    // does nothing when both are current already. beginTechnique gives the number of passes,
    // 0 on failure. commitParamChanges sends changes made inside a pass.
    bool setTechnique(unsigned int techniqueNr);
    unsigned int beginTechnique();
    bool beginPass(unsigned int pass);
    bool endPass();
    bool endTechnique();
    bool commitParamChanges();

    // Parameters by index into the table (standard ones, then the extra ones); false for an
    // index outside it or a parameter of another kind (see ZqGlEffectParams).
    bool setParamInt(unsigned int index, int value);
    bool getParamInt(unsigned int index, int& out) const;
    bool setParamIntArray(unsigned int index, const int* values, unsigned int count);
    bool getParamIntArray(unsigned int index, int* out, unsigned int count) const;
    bool setParamFloat(unsigned int index, float value);
    bool getParamFloat(unsigned int index, float& out) const;
    bool setParamFloatArray(unsigned int index, const float* values, unsigned int count);
    bool getParamFloatArray(unsigned int index, float* out, unsigned int count) const;
    bool setParamVector4(unsigned int index, const ZqVector4& value);
    bool getParamVector4(unsigned int index, ZqVector4& out) const;
    bool setParamVector4Array(unsigned int index, const ZqVector4* values, unsigned int count);
    bool getParamVector4Array(unsigned int index, ZqVector4* out, unsigned int count) const;
    bool setParamMatrix(unsigned int index, const ZqMatrix& value);
    bool getParamMatrix(unsigned int index, ZqMatrix& out) const;
    bool setParamMatrixArray(unsigned int index, const ZqMatrix* values, unsigned int count);
    bool getParamMatrixArray(unsigned int index, ZqMatrix* out, unsigned int count) const;

    // "gmTexture".
    bool setParamTextureMatrix(const ZqMatrix& value);
    bool getParamTextureMatrix(ZqMatrix& out) const;
    // "gvmModelView": model x the current camera's view, one matrix or count (at most 48).
    bool setParamModelViewMatrix(const ZqMatrix& model);
    bool setParamModelViewMatrixArray(const ZqMatrix* models, unsigned int count);
    bool getParamModelViewMatrix(ZqMatrix& out) const;
    bool getParamModelViewMatrixArray(ZqMatrix* out, unsigned int count) const;
    // Binds a texture (null: none) to "gTex0".."gTex3"; nothing reaches the effect when that
    // stage got the same texture already this frame.
    bool setParamTexture(unsigned int stage, const ZqGlTexture* texture);

    // Parameter blocks: begin drops the recorded block and records the following changes, end
    // keeps them, apply sets them again.
    bool beginParamBlock();
    bool endParamBlock();
    bool applyParamBlock();

    // Called by ZqGlSystem: the pool and the default effect (failures throw 1040 and 1041),
    // the frame's first step, device loss and reset, shut-down, and the effect pool's end.
    static void sysInit();
    static void sysMain();
    static void sysQuit();
    static void onLostDevice();
    static void onResetDevice();
    static void releaseEffectPool();

private:
    friend class ZqFixList<ZqGlShader>;
    ZqGlShader();
    ~ZqGlShader() override;

    static ZqGlShader* createFromData(unsigned char shaderNr, const char16_t* name,
                                      const void* data, unsigned int size, const char16_t* fileName,
                                      const char16_t** paramNames, const char16_t** techniqueNames);
    bool createBody(unsigned char shaderNr, const void* data, unsigned int size,
                    const char16_t** paramNames, const char16_t** techniqueNames);
    void releaseBody();
    void takeOver(ZqGlShader& other);
    int handle(unsigned int index) const;

    std::unique_ptr<ZqGlEffect> m_pEffect;
    // Parameter handles, then technique handles (indices into the effect's tables).
    std::vector<int> m_handles;
    unsigned char m_nrParams = 0;
    unsigned char m_nrTechniques = 0;
    unsigned char m_shaderNr = 0;

    static std::unique_ptr<ZqGlEffectPool> m_pD3dEffectPool;
    static ZqGlShader* m_vpShaders[MAX_SHADERS];
    static ZqGlShader* m_pDefaultShader;
    static ZqGlShader* m_pCurrentShader;
    static unsigned int m_currentTechniqueNr;
    static const ZqGlTexture* m_currentTexture[4];
};
