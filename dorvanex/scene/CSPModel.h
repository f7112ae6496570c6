// CSPModel: the base of every 3D object of the game, inherited virtually so that a class that
// is both an animated model and, say, a key item holds one model. It keeps a framework model
// from the resource manager's chapter bank (not owned), its texture list, a local and a world
// matrix, an optional parent bone to follow, submodel flags and an alpha. Its draw does not
// draw: each enabled submodel becomes a render object in the render queue, optionally a
// second time flattened by the queue's planar shadow matrix. CSPModelAnm adds the interface of
// an animated model (CSPBoneNoBlendAnim implements it).
// Main thread only; a queued model must live until the render queue is cleared.
#pragma once

#include "zq/zq.h"

#include <cstdint>
#include <vector>

class CSPBoneNoBlendAnim;
class ZqGlModel;
class ZqGlTexture;
class ZqGlTextureAnimationPlayer;

class CSPModel {
public:
    // Render groups of the queue.
    enum GROUP : uint32_t {
        GROUP_SCENE = 0,
        GROUP_CHARACTER = 1,
        GROUP_FLARE = 2,
        GROUP_LATE = 3,
    };

    explicit CSPModel(uint32_t group = GROUP_SCENE);
    virtual ~CSPModel();
    CSPModel(const CSPModel&) = delete;
    CSPModel& operator=(const CSPModel&) = delete;

    // The model entry of modelId in the resource manager's chapter bank; false (nothing
    // changed) when the bank holds no model there.
    virtual bool load(int32_t modelId);
    virtual void update(float dt);
    virtual void preDraw() {}
    // Queues every enabled submodel (and its shadow when enabled). bones: one matrix per bone
    // of the model, or null for a rigid draw.
    virtual void draw(float dt, const ZqMatrix* bones, ZqGlTextureAnimationPlayer* const* players,
                      uint32_t nrPlayers);
    virtual void postDraw() {}
    virtual void drawShadow(float dt, const ZqMatrix* bones);
    // Draws at once with the model's own materials.
    virtual void drawImmediate(float dt, const ZqMatrix* bones,
                               ZqGlTextureAnimationPlayer* const* players, uint32_t nrPlayers);

    // Copies one flag per submodel from flags (at most count, never past the model's
    // submodels); 0 hides that submodel.
    void setSubmodelEnables(const uint8_t* flags, uint32_t count);
    // -1 when none, or without a model.
    int32_t searchBone(const char* name) const;
    // The model's bounds placed by the world matrix when attached, else by the local one.
    ZqDgSphere getWorldBoundingSphere() const;
    ZqDgAxisAlignedBoundingBox getWorldBoundingBox() const;
    // Follows parent's bone from the next draw on. A parent without that bone (or none) leaves
    // the model free.
    void attach(CSPBoneNoBlendAnim* parent, int32_t bone);
    // Keeps the model where it was last drawn; null when it was not attached, else the former
    // parent.
    CSPBoneNoBlendAnim* detach();
    bool isAttached() const { return m_pParent != nullptr; }

    void setScale(float x, float y, float z);
    void scale(const ZqVector3& s);
    void scaleZ(float z);
    void setRotY(float angle);
    void setRotXYZ(const ZqVector3& angles);
    void rotY(float angle);
    void setTrans(const ZqVector3& t);
    void setTransXYZ(float x, float y, float z);
    ZqVector3 getTrans() const;
    void getTransXYZ(float& x, float& y, float& z) const;
    const ZqMatrix& getMatrix() const { return m_local; }
    void setMatrix(const ZqMatrix& m) { m_local = m; }
    const ZqMatrix& getWorldMatrix() const { return m_world; }

    void setVisible(const bool on) { m_visible = on; }
    bool isVisible() const { return m_visible; }
    void setDrawEnable(const bool on) { m_drawEnable = on; }
    void setShadowEnable(const bool on) { m_shadowEnable = on; }
    // Clamped to 0..1.
    void setAlpha(float alpha);
    float getAlpha() const { return m_alpha; }
    // Uses model (culling turned on) with a copy of textures (count entries; slots past it are
    // empty), instead of loading.
    void setModel(ZqGlModel* model, ZqGlTexture* const* textures, uint32_t count);
    ZqGlModel* getModel() const { return m_pModel; }
    int32_t getModelId() const { return m_modelId; }
    uint32_t getGroup() const { return m_group; }
    bool isDrawnImmediately() const { return m_drawnImmediately; }

protected:
    bool canDraw() const { return m_drawEnable && m_visible && m_pModel != nullptr; }
    void calcWorldMatrix();
    bool isSubmodelEnabled(uint32_t s) const;
    void queuePieces(const ZqMatrix* world, const ZqMatrix* bones,
                     ZqGlTextureAnimationPlayer* const* players, uint32_t nrPlayers, float alpha,
                     bool shadow);
    ZqGlTexture* const* textureArray() const {
        return m_textures.empty() ? nullptr : m_textures.data();
    }

    int32_t m_modelId = -1;
    uint32_t m_group;
    ZqGlModel* m_pModel = nullptr;
    std::vector<ZqGlTexture*> m_textures;
    ZqMatrix m_local = ZqMatrix::UNIT;
    bool m_visible = true;
    bool m_drawEnable = true;
    bool m_shadowEnable = false;
    float m_alpha = 1.0f;
    CSPBoneNoBlendAnim* m_pParent = nullptr;
    int32_t m_parentBone = -1;
    ZqMatrix m_world = ZqMatrix::UNIT;
    ZqMatrix m_shadowWorld = ZqMatrix::UNIT;
    // One per submodel, 1 = drawn; empty means every submodel is drawn.
    std::vector<uint8_t> m_submodelFlags;
    bool m_drawnImmediately = false;
};

// The interface of an animated model over the one model it shares.
class CSPModelAnm : public virtual CSPModel {
public:
    explicit CSPModelAnm(int32_t modelId);

    virtual bool isEnd() const = 0;
    // The retired form that picks an animation by id.
    virtual int32_t ChangeAnm(int32_t animationId) = 0;
    virtual void setLoop(uint8_t loop) { m_loop = loop; }
    virtual bool isLoop() const { return m_loop != 0; }
    virtual int32_t getCurrentAnimationId() const { return m_currentAnimationId; }
    virtual void onAnimationHook() {}
    bool load(int32_t modelId) override = 0;

    void setSpeedFactor(const float speed) { m_speedFactor = speed; }
    float getSpeedFactor() const { return m_speedFactor; }
    void setAnimationEnable(const bool on) { m_animationEnable = on; }

protected:
    float m_speedFactor = 1.0f;
    int32_t m_currentAnimationId = -1;
    uint8_t m_loop = 0;
    bool m_animationEnable = true;
};
