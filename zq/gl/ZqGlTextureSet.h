// ZqGlTextureSet: a table of texture file names read from a "ZQTS" file
// (ZqGlTextureSetFormat.h), arranged as sets of the same number of textures, with one texture
// slot per name that the caller fills; a set's row of slots is the texture array a model's
// draw takes. Loads no textures itself. Named and shared by name (pool of 256). Creation,
// reload and release hold the pool's lock; accessors take none and check no ranges.
// Depends on ZqRefList, ZqFile and ZqGlTexture (references only).
#pragma once

#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <memory>

class ZqGlTexture;

class ZqGlTextureSet : public ZqRefList<ZqGlTextureSet> {
public:
    static constexpr uint32_t POOL_SIZE = 256;

    static void sysInit();
    static void sysQuit();

    // A set from a file image; null for a null name or data, a size of 16,384 or more, or a
    // file that is refused. A name in use returns that set with one more reference.
    static ZqGlTextureSet* create(const char16_t* name, const void* data, uint32_t size);
    // The same with the file read whole through the current file Io.
    static ZqGlTextureSet* create(const char16_t* name, const char16_t* fileName);
    static ZqGlTextureSet* create(const char16_t* name) { return create(name, name); }

    // Rebuilds this live set in place (every slot empty again); null, the set unchanged, on
    // failure.
    ZqGlTextureSet* reload(const void* data, uint32_t size);
    ZqGlTextureSet* reload(const char16_t* fileName);
    // Drops one reference; at 0 the slots' textures are released. Returns the count left.
    unsigned int release();

    // Puts `texture` (may be null) into the slot with a reference of its own, then drops the
    // reference of the texture that was there.
    void setTexture(uint32_t set, uint32_t index, ZqGlTexture* texture);
    ZqGlTexture* getTexture(uint32_t set, uint32_t index) const;
    // The set's row of getNrTexturesPerSet slots.
    ZqGlTexture** getTextureArray(uint32_t set) const;
    const char16_t* getTextureFilename(uint32_t set, uint32_t index) const;
    uint32_t getNrSets() const { return m_nrSets; }
    uint32_t getNrTexturesPerSet() const { return m_nrTexturesPerSet; }

private:
    friend class ZqFixList<ZqGlTextureSet>;
    friend class ZqRefList<ZqGlTextureSet>;

    // The slots, the name pointers and the names of one table, made together.
    struct Block;

    ZqGlTextureSet() = default;
    ~ZqGlTextureSet() override;

    bool createBody(const uint8_t* data, uint32_t size);
    void releaseBody();

    uint8_t m_nrSets = 0;
    uint8_t m_nrTexturesPerSet = 0;
    std::unique_ptr<Block> m_pBlock;
};
