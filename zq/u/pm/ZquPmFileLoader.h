// ZquPmFileLoader: loads particle effect descriptions ("PMD0") and texture lists ("PMT0"),
// from files or from images in memory, shares identical loads by reference count, and keeps
// the manager's table of 100 particle textures. Every count and size is checked before use: a
// file shorter than its tables, a list of more than 16 textures or a wrong magic is refused.
// Owned by ZquPmManager; main thread only. Textures come from ZqGlTexture (created from files
// on a file load, searched by name on a memory registration); tests may replace both.
#pragma once

#include "zq/u/pm/ZquPm.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

class ZquPmFileLoader {
public:
    static constexpr uint32_t TEXTURE_SLOTS = 100;

    ZquPmFileLoader();
    ~ZquPmFileLoader();
    ZquPmFileLoader(const ZquPmFileLoader&) = delete;
    ZquPmFileLoader& operator=(const ZquPmFileLoader&) = delete;

    // A description from a file (its texture list from the matching pmt directory); null on
    // any failure. The same path again shares the load.
    const ZquPm::PMD_HEADER* LoadPMD(const char16_t* path);
    // A description registered from an image in memory (copied); its texture list must be
    // registered already under its bare name to be found. Null for a null, short or foreign
    // image.
    const ZquPm::PMD_HEADER* LoadPMD(const void* image, uint64_t size);
    // Drops one reference; at 0 the description and its list's reference go. Returns 0.
    int UnLoadPMD(const ZquPm::PMD_HEADER* pmd);

    ZquPm::PMTEXTURE* LoadPMT(const char16_t* path);
    // A texture list from memory; path is stored and gives its texture directory.
    ZquPm::PMTEXTURE* LoadPMT(const void* image, uint64_t size, const char* path);
    int UnLoadPMT(ZquPm::PMTEXTURE* pmt);

    // The first loaded texture list whose path contains the description's list name.
    const ZquPm::PMTEXTURE* getPmTexture(const ZquPm::PMD_HEADER* pmd) const;
    // Slot n (1-based) of the texture table; null for 0 or out of range.
    ZqGlTexture* getTex(int n) const;
    ZqGlTexture* const* textureTable() const { return m_table; }

    // Parses a description image; false when it is short, foreign or inconsistent.
    static bool parsePmd(const void* image, uint64_t size, ZquPm::PMD_HEADER& out);
    // Parses a texture list image (textures left null); false on the same faults.
    static bool parsePmt(const void* image, uint64_t size, ZquPm::PMTEXTURE& out,
                         std::vector<std::string>* names);

    // Test hooks: how a texture is made from a file (create) or found by name (search), and
    // released. Null restores ZqGlTexture's.
    using TextureSource = std::function<ZqGlTexture*(const std::u16string& name, bool create)>;
    using TextureRelease = std::function<void(ZqGlTexture*)>;
    void setTextureHooks(TextureSource source, TextureRelease release);

private:
    struct Pmd {
        std::u16string path;
        std::string texListPath;
        uint32_t count = 0;
        std::unique_ptr<ZquPm::PMD_HEADER> pmd;
    };

    ZquPm::PMTEXTURE* buildPmt(const void* image, uint64_t size, const std::string& path,
                               bool create);
    ZquPm::PMTEXTURE* findPmt(const std::string& path);
    void releasePmt(ZquPm::PMTEXTURE* pmt);

    std::list<Pmd> m_pmds;
    std::list<std::unique_ptr<ZquPm::PMTEXTURE>> m_pmts;
    ZqGlTexture* m_table[TEXTURE_SLOTS] = {};
    uint32_t m_uses[TEXTURE_SLOTS] = {};
    TextureSource m_source;
    TextureRelease m_release;
};
