#include "zq/u/pm/ZquPmFileLoader.h"

#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqUtf_internal.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <algorithm>
#include <cstring>

using namespace ZquPm;

namespace {

std::string toUtf8(const std::u16string& s) {
    std::string out;
    zqUtf16Encode(s.data(), s.size(), [&out](const char c) { out.push_back(c); });
    return out;
}

std::u16string toUtf16(const std::string& s) {
    std::u16string out;
    zqUtf8Decode(s.data(), s.size(), [&out](const char16_t c) { out.push_back(c); });
    return out;
}

// A NUL-terminated name inside a fixed field.
std::string fieldName(const uint8_t* p, const uint32_t size) {
    const void* const end = std::memchr(p, 0, size);
    const size_t n = end != nullptr ? static_cast<const uint8_t*>(end) - p : size;
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool readWhole(const std::u16string& path, std::vector<uint8_t>& out) {
    uint32_t size = 0;
    void* const data = ZqFile::load(path.c_str(), &size);
    if (data == nullptr) {
        return false;
    }
    const uint8_t* const b = static_cast<const uint8_t*>(data);
    out.assign(b, b + size);
    ZqMemAlloc::deallocate(data);
    return true;
}

// Cuts after the last "/", else after the last "\", else nothing is left.
std::string directoryOf(const std::string& path) {
    size_t cut = path.rfind('/');
    if (cut == std::string::npos) {
        cut = path.rfind('\\');
    }
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// "<...>/<from>/" becomes "<...>/<to>/" cut right after it; else the path's own directory.
std::string siblingDirectory(const std::string& path, const char* from, const char* to) {
    for (const char sep : {'/', '\\'}) {
        const std::string key = std::string(1, sep) + from + sep;
        const size_t at = path.find(key);
        if (at != std::string::npos) {
            return path.substr(0, at) + sep + to + sep;
        }
    }
    return directoryOf(path);
}

std::string baseName(const std::string& name) {
    size_t cut = name.rfind('/');
    if (cut == std::string::npos) {
        cut = name.rfind('\\');
    }
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

} // namespace

ZquPmFileLoader::ZquPmFileLoader() {
    setTextureHooks(nullptr, nullptr);
}

ZquPmFileLoader::~ZquPmFileLoader() = default;

void ZquPmFileLoader::setTextureHooks(TextureSource source, TextureRelease release) {
    m_source = source ? std::move(source) : [](const std::u16string& name, const bool create) {
        return create ? ZqGlTexture::create(name.c_str(), name.c_str(), 1)
                      : ZqGlTexture::search(name.c_str());
    };
    m_release = release ? std::move(release) : [](ZqGlTexture* const t) { t->release(); };
}

bool ZquPmFileLoader::parsePmd(const void* const image, const uint64_t size, PMD_HEADER& out) {
    using namespace zqpm;
    const ZqByteReader r(image, size);
    const uint8_t* const magic = r.bytes(0, 4);
    if (magic == nullptr || std::memcmp(magic, PMD_MAGIC, 4) != 0 || size < PMD_HEADER_SIZE) {
        return false;
    }
    uint32_t count = 0;
    r.u16(PMD_LOOP, out.loop);
    r.u16(PMD_FRAME_RATE, out.frameRate);
    r.u32(PMD_MOTION_TYPE, out.motionType);
    r.f32(PMD_LENGTH, out.length);
    r.u32(PMD_EMITTER_COUNT, count);
    if (!r.fits(PMD_HEADER_SIZE, count, EMIT_SIZE)) {
        return false;
    }
    out.texList = fieldName(r.bytes(PMD_TEXTURE_LIST, PMD_NAME_SIZE), PMD_NAME_SIZE);
    out.emitters.assign(count, EMITDATA());
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = PMD_HEADER_SIZE + static_cast<uint64_t>(i) * EMIT_SIZE;
        out.emitters[i].read(r.bytes(at, EMIT_SIZE), EMIT_SIZE);
    }
    const uint8_t* const b = static_cast<const uint8_t*>(image);
    out.image.assign(b, b + PMD_HEADER_SIZE + static_cast<uint64_t>(count) * EMIT_SIZE);
    return true;
}

bool ZquPmFileLoader::parsePmt(const void* const image, const uint64_t size, PMTEXTURE& out,
                               std::vector<std::string>* const names) {
    using namespace zqpm;
    const ZqByteReader r(image, size);
    const uint8_t* const magic = r.bytes(0, 4);
    uint32_t t = 0;
    uint32_t f = 0;
    if (magic == nullptr || std::memcmp(magic, PMT_MAGIC, 4) != 0 || !r.u32(PMT_TEXTURE_COUNT, t) ||
        !r.u32(PMT_FRAME_COUNT, f) || t > PMT_MAX_TEXTURES) {
        return false;
    }
    const uint64_t frames = PMT_HEADER_SIZE + static_cast<uint64_t>(t) * PMT_TEXTURE_SIZE;
    if (!r.fits(frames, f, PMT_FRAME_SIZE)) {
        return false;
    }
    out.textureCount = t;
    if (names != nullptr) {
        names->clear();
        for (uint32_t i = 0; i < t; ++i) {
            const uint64_t at = PMT_HEADER_SIZE + static_cast<uint64_t>(i) * PMT_TEXTURE_SIZE;
            names->push_back(fieldName(r.bytes(at, PMT_TEXTURE_SIZE), PMT_TEXTURE_SIZE));
        }
    }
    out.frames.assign(f, FrameRect());
    for (uint32_t i = 0; i < f; ++i) {
        const uint64_t at = frames + static_cast<uint64_t>(i) * PMT_FRAME_SIZE + PMT_FRAME_RECT;
        FrameRect& fr = out.frames[i];
        r.f32(at, fr.umin);
        r.f32(at + 4, fr.vmin);
        r.f32(at + 8, fr.du);
        r.f32(at + 12, fr.dv);
    }
    const uint8_t* const b = static_cast<const uint8_t*>(image);
    out.image.assign(b, b + frames + static_cast<uint64_t>(f) * PMT_FRAME_SIZE);
    return true;
}

ZquPm::PMTEXTURE* ZquPmFileLoader::findPmt(const std::string& path) {
    for (const auto& t : m_pmts) {
        if (t->count != 0 && t->path == path) {
            return t.get();
        }
    }
    return nullptr;
}

ZquPm::PMTEXTURE* ZquPmFileLoader::buildPmt(const void* const image, const uint64_t size,
                                            const std::string& path, const bool create) {
    auto pmt = std::make_unique<PMTEXTURE>();
    std::vector<std::string> names;
    if (!parsePmt(image, size, *pmt, &names)) {
        return nullptr;
    }
    pmt->path = path;
    pmt->count = 1;
    pmt->ownsTextures = create;
    const std::string dir = siblingDirectory(path, "pmt", "png");
    for (uint32_t i = 0; i < pmt->textureCount; ++i) {
        ZqGlTexture* const tex = m_source(toUtf16(dir + baseName(names[i])), create);
        if (tex == nullptr) {
            for (uint32_t k = 0; k < i && create; ++k) {
                m_release(pmt->textures[k]);
            }
            return nullptr;
        }
        pmt->textures[i] = tex;
    }
    // Each texture takes a table slot; a slot counts the lists that use it.
    for (uint32_t i = 0; i < pmt->textureCount; ++i) {
        ZqGlTexture* const tex = pmt->textures[i];
        uint32_t* free = nullptr;
        bool held = false;
        for (uint32_t s = 0; s < TEXTURE_SLOTS && !held; ++s) {
            if (m_table[s] == tex) {
                ++m_uses[s];
                held = true;
            } else if (m_table[s] == nullptr && free == nullptr) {
                free = &m_uses[s];
            }
        }
        if (!held && free != nullptr) {
            const uint32_t s = static_cast<uint32_t>(free - m_uses);
            m_table[s] = tex;
            m_uses[s] = 1;
        }
    }
    m_pmts.push_back(std::move(pmt));
    return m_pmts.back().get();
}

void ZquPmFileLoader::releasePmt(PMTEXTURE* const pmt) {
    if (pmt == nullptr || pmt->count == 0) {
        return;
    }
    if (--pmt->count != 0) {
        return;
    }
    for (uint32_t i = 0; i < pmt->textureCount; ++i) {
        ZqGlTexture* const tex = pmt->textures[i];
        for (uint32_t s = 0; s < TEXTURE_SLOTS; ++s) {
            if (m_table[s] == tex) {
                if (--m_uses[s] == 0) {
                    m_table[s] = nullptr;
                }
                break;
            }
        }
        // A list registered from memory found its textures without a reference of its own.
        if (pmt->ownsTextures && tex != nullptr) {
            m_release(tex);
        }
    }
    m_pmts.remove_if([pmt](const std::unique_ptr<PMTEXTURE>& p) { return p.get() == pmt; });
}

const PMD_HEADER* ZquPmFileLoader::LoadPMD(const char16_t* const path) {
    if (path == nullptr) {
        return nullptr;
    }
    const std::u16string p(path);
    for (Pmd& d : m_pmds) {
        if (d.count != 0 && d.path == p) {
            ++d.count;
            return d.pmd.get();
        }
    }
    std::vector<uint8_t> bytes;
    if (!readWhole(p, bytes)) {
        return nullptr;
    }
    auto pmd = std::make_unique<PMD_HEADER>();
    if (!parsePmd(bytes.data(), bytes.size(), *pmd)) {
        return nullptr;
    }
    const std::string full = siblingDirectory(toUtf8(p), "pmd", "pmt") + pmd->texList;
    PMTEXTURE* pmt = findPmt(full);
    if (pmt != nullptr) {
        ++pmt->count;
    } else {
        std::vector<uint8_t> list;
        if (!readWhole(toUtf16(full), list) ||
            buildPmt(list.data(), list.size(), full, true) == nullptr) {
            return nullptr;
        }
    }
    m_pmds.push_back(Pmd{p, full, 1, std::move(pmd)});
    return m_pmds.back().pmd.get();
}

const PMD_HEADER* ZquPmFileLoader::LoadPMD(const void* const image, const uint64_t size) {
    if (image == nullptr || size < zqpm::PMD_HEADER_SIZE) {
        return nullptr;
    }
    for (Pmd& d : m_pmds) {
        if (d.count != 0 && std::memcmp(d.pmd->image.data(), image, zqpm::PMD_HEADER_SIZE) == 0) {
            ++d.count;
            return d.pmd.get();
        }
    }
    auto pmd = std::make_unique<PMD_HEADER>();
    if (!parsePmd(image, size, *pmd)) {
        return nullptr;
    }
    PMTEXTURE* const pmt = findPmt(pmd->texList);
    if (pmt != nullptr) {
        ++pmt->count;
    }
    const std::string texPath = pmd->texList;
    m_pmds.push_back(
        Pmd{std::u16string(), pmt != nullptr ? texPath : std::string(), 1, std::move(pmd)});
    return m_pmds.back().pmd.get();
}

int ZquPmFileLoader::UnLoadPMD(const PMD_HEADER* const pmd) {
    for (auto it = m_pmds.begin(); it != m_pmds.end(); ++it) {
        if (it->pmd.get() != pmd || it->count == 0) {
            continue;
        }
        if (--it->count == 0) {
            if (!it->texListPath.empty()) {
                releasePmt(findPmt(it->texListPath));
            }
            m_pmds.erase(it);
        }
        return 0;
    }
    return 0;
}

PMTEXTURE* ZquPmFileLoader::LoadPMT(const char16_t* const path) {
    if (path == nullptr) {
        return nullptr;
    }
    const std::string full = toUtf8(path);
    if (full.find_last_of("/\\") == std::string::npos) {
        return nullptr;
    }
    PMTEXTURE* const pmt = findPmt(full);
    if (pmt != nullptr) {
        ++pmt->count;
        return pmt;
    }
    std::vector<uint8_t> bytes;
    if (!readWhole(path, bytes)) {
        return nullptr;
    }
    return buildPmt(bytes.data(), bytes.size(), full, true);
}

PMTEXTURE* ZquPmFileLoader::LoadPMT(const void* const image, const uint64_t size,
                                    const char* const path) {
    if (image == nullptr || size < zqpm::PMT_HEADER_SIZE) {
        return nullptr;
    }
    for (const auto& t : m_pmts) {
        if (t->count != 0 && std::memcmp(t->image.data(), image, zqpm::PMT_HEADER_SIZE) == 0) {
            ++t->count;
            return t.get();
        }
    }
    return buildPmt(image, size, path != nullptr ? path : "", false);
}

int ZquPmFileLoader::UnLoadPMT(PMTEXTURE* const pmt) {
    for (const auto& t : m_pmts) {
        if (t.get() == pmt) {
            releasePmt(pmt);
            break;
        }
    }
    return 0;
}

const PMTEXTURE* ZquPmFileLoader::getPmTexture(const PMD_HEADER* const pmd) const {
    // An empty name would match every list.
    if (pmd == nullptr || pmd->texList.empty()) {
        return nullptr;
    }
    for (const auto& t : m_pmts) {
        if (t->count != 0 && t->path.find(pmd->texList) != std::string::npos) {
            return t.get();
        }
    }
    return nullptr;
}

ZqGlTexture* ZquPmFileLoader::getTex(const int n) const {
    return n >= 1 && n <= static_cast<int>(TEXTURE_SLOTS) ? m_table[n - 1] : nullptr;
}
