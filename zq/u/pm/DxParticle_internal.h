// DxParticle: turns the live particles into draw batches and vertices. Once a frame, after the
// simulation steps, the three pools hand over their particles in draw-list order; DxParticle
// keeps them as compact records grouped into batches of equal blend mode and texture, and
// fills the vertices of each kind: four per rotating or line particle (corner offsets and the
// angle's sine and cosine, or the line direction and half width, for the vertex shader), and a
// generated mesh per model particle (quad, crossed quads, tube, cone).
// drawRot, drawLine and drawModel send them to the device with the particle effect: one vertex
// buffer per kind rewritten each draw over fixed quad indices, one small mesh buffer per model
// entry. Main thread only; record and vertex arrays are allocated once, at create. Internal to
// the particle engine.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"
#include "zq/u/pm/ZquPm.h"

#include <cstdint>
#include <memory>
#include <vector>

class ParticleManager;
class ZqGlPrimitive;
class ZqGlShader;

class DxParticle {
public:
    static constexpr uint32_t MAX_RECORDS = 1000;
    static constexpr uint32_t MAX_MODELS = 200;
    static constexpr uint32_t MAX_BATCHES = 304;
    static constexpr uint32_t MODEL_VERTICES = 800;
    static constexpr uint32_t MODEL_INDICES = 1200;

    struct Batch {
        uint32_t blend = 0;
        uint32_t texIndex = 0;
        uint32_t first = 0;
        uint32_t count = 0;
    };
    struct RotRecord {
        const ZquPm::PMTEXTURE* texList = nullptr;
        int16_t frame = 0;
        ZqVector3 position{0.0f, 0.0f, 0.0f};
        uint32_t argb = 0;
        float size = 0.0f;
        float size2 = 0.0f;
        uint8_t angle = 0;
    };
    struct LineRecord {
        const ZquPm::PMTEXTURE* texList = nullptr;
        int16_t frame = 0;
        ZqVector3 head{0.0f, 0.0f, 0.0f};
        ZqVector3 tail{0.0f, 0.0f, 0.0f};
        uint32_t headArgb = 0;
        uint32_t tailArgb = 0;
        float width = 0.0f;
    };
    // 40 bytes: position, corner (u, v), offset (x, y), (sin, cos), colour.
    struct RotVertex {
        float x, y, z, u, v, ox, oy, s, c;
        uint32_t argb;
    };
    // 40 bytes: position, (u, v), line direction and signed half width, colour.
    struct LineVertex {
        float x, y, z, u, v, dx, dy, dz, hw;
        uint32_t argb;
    };
    // 24 bytes: position, (u, v), colour.
    struct ModelVertex {
        float x, y, z, u, v;
        uint32_t argb;
    };
    struct ModelEntry {
        uint16_t shape = 0;
        uint32_t blend = 0;
        const ZquPm::PMTEXTURE* texList = nullptr;
        int16_t texIndex = 0;
        ZqMatrix world{1.0f};
        uint16_t segments = 0;
        float shapeParam = 0.0f;
        uint16_t frame = 0;
        uint32_t argb = 0;
        uint32_t vertexCount = 0;
        uint32_t indexCount = 0;
        uint8_t shapeFlag = 0;
        std::vector<ModelVertex> vertices;
        std::vector<uint16_t> indices;
        // The entry's device mesh (made by createPrimitives).
        ZqGlPrimitive* primitive = nullptr;
    };
    template <class R> struct Collection {
        std::vector<R> records;
        uint32_t count = 0;
        std::vector<Batch> batches;
        uint32_t batchCount = 0;
        int32_t blend = -1;
    };

    static std::unique_ptr<DxParticle> create();
    DxParticle();
    ~DxParticle();
    DxParticle(const DxParticle&) = delete;
    DxParticle& operator=(const DxParticle&) = delete;

    // The device buffers "RotParticle", "LineParticle" and one "ModelParticle" per entry; false
    // when one could not be made (that kind is then not drawn). Needs the graphics device.
    bool createPrimitives();

    // Draw with shader (the particle effect: parameters after the standard ones, techniques
    // "Default", "LineParticle", "RotParticle") and the texture table's slots (texture list
    // index n is slot n - 1). Nothing is drawn without records or buffers.
    void drawRot(ZqGlShader& shader, ZqGlTexture* const* textures) const;
    void drawLine(ZqGlShader& shader, ZqGlTexture* const* textures) const;
    void drawModel(ZqGlShader& shader, ZqGlTexture* const* textures) const;
    // Effect parameters from the current camera, set before each kind is drawn.
    static void billboard(ZqGlShader& shader);

    // Record count 0, batch count 0, blend mode none, in every collection.
    void clear();
    // The batches of the rotating, then the line, then the model pool.
    void build(const ParticleManager& pm);

    // Adders: the new count, or -1 when full. Rotating and line records join the current
    // batch; a model entry counts only when its mesh could be made.
    void openRotBatch(uint32_t blend, uint32_t texIndex);
    int addRot(const RotRecord& r);
    void openLineBatch(uint32_t blend, uint32_t texIndex);
    int addLine(const LineRecord& r);
    int addModel(const ModelEntry& e);

    // The four vertices of each record, batch by batch; the quad count written.
    uint32_t fillRot(RotVertex* out) const;
    uint32_t fillLine(LineVertex* out) const;
    // The mesh of a model entry in its shape's layout; false for a shape above 3 or a mesh
    // larger than an entry's buffers.
    static bool buildMesh(ModelEntry& e);
    // The frame's rectangle (umin, vmin, umax, vmax): the whole texture without a list or for
    // a frame outside it.
    static void frameRect(const ZquPm::PMTEXTURE* list, int frame, float rect[4]);

    const Collection<RotRecord>& rot() const { return m_rot; }
    const Collection<LineRecord>& line() const { return m_line; }
    const Collection<ModelEntry>& model() const { return m_model; }

private:
    // addModel for the values already in the next free slot.
    int addModelSlot();

    Collection<RotRecord> m_rot;
    Collection<LineRecord> m_line;
    Collection<ModelEntry> m_model;
    // What each model slot's mesh was last built from.
    struct MeshKey {
        bool valid = false;
        uint16_t shape = 0;
        uint8_t shapeFlag = 0;
        uint16_t segments = 0;
        uint32_t argb = 0;
        uint32_t shapeParam = 0;
        uint32_t rect[4] = {};
    };
    MeshKey m_meshKeys[MAX_MODELS];
    ZqGlPrimitive* m_rotPrimitive = nullptr;
    ZqGlPrimitive* m_linePrimitive = nullptr;
};
