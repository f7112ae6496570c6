// ZqDgObbTree: one oriented volume per chosen bone of a skinned model, so that points can be
// tested against the moving body. Built once from the model's per-bone boxes, moved every frame
// from the bone matrices and the world matrix, drawn as wire boxes for debugging. Each volume
// is a ZqDgCylindroid whose sizes are the bone box's half sizes and never change. A fixed pool
// of 32 trees; each holds one reference to its model.
// Not for: collision between volumes (see the collision sets), models of more than 255 bones.
// Depends on: ZqFixList, ZqGlModel (bone count, per-bone boxes, references), ZqGlLine.
#pragma once

#include "zq/dg/ZqDgCylindroid.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>
#include <vector>

class ZqGlModel;

class ZqDgObbTree : public ZqFixList<ZqDgObbTree> {
public:
    static constexpr uint32_t POOL_SIZE = 32;

    struct Entry {
        uint8_t boneNr = 0;
        // Centre of the bone's box in the bone's own space.
        ZqVector3 localCenter{0.0f, 0.0f, 0.0f};
        // In world space after update; zero-sized at the origin until filled.
        ZqDgCylindroid volume{ZqVector3(0.0f, 0.0f, 0.0f), ZqVector3(0.0f, 0.0f, 0.0f)};
    };

    // A tree over model with one entry per bone b where boneMask is null or boneMask[b] is
    // non-zero. The first argument is not read. Null for a null model or a full pool; throws
    // 560 when the entries cannot be allocated.
    static ZqDgObbTree* create(unsigned int, ZqGlModel* model, const bool* boneMask);
    // Moves every volume: centre and axes from translation(local centre) x boneMatrices[bone]
    // x world, axes normalised, sizes kept. boneMatrices holds one matrix per bone.
    void update(const ZqMatrix* boneMatrices, const ZqMatrix& world);
    unsigned int getNrObbs() const { return static_cast<unsigned int>(m_entries.size()); }
    // i below getNrObbs().
    ZqDgCylindroid& getObb(const unsigned int i) { return m_entries[i].volume; }
    unsigned int getBoneNr(const unsigned int i) const { return m_entries[i].boneNr; }
    ZqGlModel& getModel() const { return *m_pModel; }
    // Every volume as a wire box; edges from corner 0 along axes 0, 1, 2 in green, red and
    // blue, the others white, all half transparent. The last colour stays set.
    void draw() const;
    // Frees the entries, releases the model and gives the tree back; returns 0.
    unsigned int release();

    static void sysInit();
    static void sysQuit();

private:
    friend class ZqFixList<ZqDgObbTree>;

    ZqDgObbTree() = default;
    ~ZqDgObbTree() override = default;

    std::vector<Entry> m_entries;
    ZqGlModel* m_pModel = nullptr;
};
