#include "dorvanex/dld/CDldFile.h"

#include "zq/gl/ZqGlTexture.h"

#include <utility>

CDldFile* CDldFile::create(const void* const image, const uint64_t size) {
    CDldFile* const file = dldCreate<CDldFile>();
    if (image != nullptr && size != 0) {
        const auto* const bytes = static_cast<const uint8_t*>(image);
        file->m_image.assign(bytes, bytes + size);
        file->m_tables = CDldTables(file->m_image.data(), file->m_image.size());
    }
    return file;
}

CDldFile::~CDldFile() {
    clear();
}

void CDldFile::setTextureRows(const uint32_t* const rows, const uint32_t count) {
    m_textureRows.assign(rows, rows + (rows != nullptr ? count : 0));
}

std::vector<uint32_t> CDldFile::takeTextureRows() {
    return std::exchange(m_textureRows, {});
}

bool CDldFile::addTexture(ZqGlTexture* const texture) {
    if (m_nrTextures >= MAX_TEXTURES) {
        return false;
    }
    if (texture != nullptr) {
        texture->addRef();
    }
    ZqGlTexture*& slot = m_textures[m_nrTextures++];
    if (slot != nullptr) {
        slot->release();
    }
    slot = texture;
    return true;
}

void CDldFile::clear() {
    for (ZqGlTexture*& texture : m_textures) {
        if (texture != nullptr) {
            texture->release();
            texture = nullptr;
        }
    }
    m_nrTextures = 0;
    m_textureRows.clear();
    m_tables = CDldTables();
    m_image.clear();
    m_image.shrink_to_fit();
}
