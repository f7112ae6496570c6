// CDldFile: one loaded layout: an owned copy of the image, its table view (empty when the
// image fails the checks; such a layout draws nothing) and up to 32 texture slots. Before its
// textures are loaded the resource manager parks their manifest rows in it.
// Depends on CDldTables; textures are the framework's ZqGlTexture.
#pragma once

#include "dorvanex/dld/CDldRef.h"
#include "dorvanex/dld/CDldTables.h"

#include <cstdint>
#include <vector>

class ZqGlTexture;

class CDldFile : public CDldRef {
public:
    static constexpr uint32_t MAX_TEXTURES = dldfmt::MAX_TEXTURES;

    // A layout over a copy of the image, one reference held by the caller. A bad image still
    // gives a layout, with an empty view.
    static CDldFile* create(const void* image, uint64_t size);

    // Manifest rows of the textures still to load; takeTextureRows hands them out and forgets
    // them.
    void setTextureRows(const uint32_t* rows, uint32_t count);
    std::vector<uint32_t> takeTextureRows();
    // Puts the texture (one more reference) in the next slot; false when all 32 are taken.
    bool addTexture(ZqGlTexture* texture);
    ZqGlTexture* getTexture(uint32_t i) const { return i < m_nrTextures ? m_textures[i] : nullptr; }
    uint32_t getNrTextures() const { return m_nrTextures; }
    const CDldTables& getTables() const { return m_tables; }

    void clear() override;

    CDldFile() = default;
    ~CDldFile() override;

private:
    std::vector<uint8_t> m_image;
    CDldTables m_tables;
    ZqGlTexture* m_textures[MAX_TEXTURES] = {};
    uint32_t m_nrTextures = 0;
    std::vector<uint32_t> m_textureRows;
};
