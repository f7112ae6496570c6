#include "dorvanex/scene/CResourceManager.h"

#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/os/utf.h"
#include "zq/sd/ZqSdSound.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>
#include <chrono>
#include <thread>

std::unique_ptr<CResourceManager> CResourceManager::m_pInstance;

namespace {

constexpr uint32_t FULL_MIP_CHAIN = 0xFFFFFFFFu;
constexpr uint32_t PATH_CHARACTERS = 260;
constexpr int FONT_WIDTH = 7;
constexpr int FONT_HEIGHT = 19;
constexpr uint32_t FONT_BOLD = 0x2000;
constexpr float ANIMATION_RATE = 60.0f;

const CResourceManager::ModelEntry EMPTY_MODEL;

// A loader's common rule: nothing is made for an index the bank already holds; what the maker
// refuses is noted as failed.
template <class Map, class Request, class Make>
void makeOnce(Map& map, const Request& r, std::vector<int32_t>& failed, const Make& make) {
    if (map.count(r.index) != 0) {
        return;
    }
    const typename Map::mapped_type made = make();
    if (made != nullptr) {
        map[r.index] = made;
    } else {
        failed.push_back(r.index);
    }
}

template <class Map> typename Map::mapped_type find(const Map& map, const int32_t index) {
    const auto it = map.find(index);
    return it != map.end() ? it->second : nullptr;
}

const char16_t* pathOf(const int32_t index) {
    return getResourceEntry(static_cast<uint32_t>(index)).name;
}

} // namespace

struct CResourceManager::Archive {
    std::unique_ptr<ZqFile::Io> io;
    std::unique_ptr<ZqArcFile> arc;
    uint32_t openId = 0;
    bool finished = false;
    bool opened = false;
    // Reads still running when the archive was given up on.
    std::vector<uint32_t> reads;
};

struct CResourceManager::Request {
    enum STAGE : uint32_t { WAITING = 0, READING = 1, DONE = 2 };
    uint32_t stage = WAITING;
    int32_t index = -1;
    uint32_t kind = 0;
    Archive* archive = nullptr;
    void* data = nullptr;
    uint32_t size = 0;
    uint32_t readId = 0;
    uint32_t fileNr = 0;
    bool failed = false;
};

struct CResourceManager::Bank {
    uint32_t state = STATE_EMPTY;
    uint32_t requestedAt = 0;
    std::map<int32_t, ModelEntry> models;
    std::map<int32_t, ZqGlTexture*> textures;
    std::map<int32_t, ZqGlAnimation*> animations;
    std::map<int32_t, ZqGlTextureAnimation*> textureAnimations;
    std::map<int32_t, CDldFile*> layouts;
    std::vector<int32_t> failed;
};

CResourceManager* CResourceManager::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CResourceManager>();
    }
    return m_pInstance.get();
}

void CResourceManager::deleteInstance() {
    m_pInstance.reset();
}

CResourceManager::CResourceManager() {
    for (auto& bank : m_banks) {
        bank = std::make_unique<Bank>();
    }
}

CResourceManager::~CResourceManager() {
    closeArchives();
    // The worker still holds given-up archives: wait a little for it, and should it never
    // finish, leave them to it rather than free what it writes into.
    for (int i = 0; i < 100 && !reapAbandoned(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (auto& a : m_abandoned) {
        a.release();
    }
    releaseBank(BANK_RESIDENT);
    releaseBank(BANK_CHAPTER);
    for (ZqGlFont*& font : m_fonts) {
        if (font != nullptr) {
            font->release();
            font = nullptr;
        }
    }
}

uint32_t CResourceManager::getState(const uint32_t bank) const {
    return bank < NR_BANKS ? m_banks[bank]->state : STATE_EMPTY;
}

const std::vector<int32_t>& CResourceManager::getFailed(const uint32_t bank) const {
    return m_banks[bank < NR_BANKS ? bank : 0]->failed;
}

bool CResourceManager::isLoaded(const int32_t index, const uint32_t kind,
                                const uint32_t bank) const {
    for (const auto& r : m_pending) {
        if (r->index == index) {
            return true;
        }
    }
    if (bank >= NR_BANKS) {
        return false;
    }
    const Bank& b = *m_banks[bank];
    switch (kind) {
    case KIND_MODEL:
        return b.models.count(index) != 0;
    case KIND_TEXTURE:
        return b.textures.count(index) != 0;
    case KIND_ANIMATION:
        return b.animations.count(index) != 0;
    case KIND_TEXTURE_ANIMATION:
        return b.textureAnimations.count(index) != 0;
    case KIND_LAYOUT:
        return b.layouts.count(index) != 0;
    default:
        return false;
    }
}

const CResourceManager::ModelEntry& CResourceManager::getModel(const int32_t index,
                                                               const uint32_t bank) const {
    if (bank >= NR_BANKS) {
        return EMPTY_MODEL;
    }
    const auto it = m_banks[bank]->models.find(index);
    return it != m_banks[bank]->models.end() ? it->second : EMPTY_MODEL;
}

ZqGlTexture* CResourceManager::getTexture(const int32_t index, const uint32_t bank) const {
    return bank < NR_BANKS ? find(m_banks[bank]->textures, index) : nullptr;
}

ZqGlAnimation* CResourceManager::getAnimation(const int32_t index, const uint32_t bank) const {
    return bank < NR_BANKS ? find(m_banks[bank]->animations, index) : nullptr;
}

ZqGlTextureAnimation* CResourceManager::getTextureAnimation(const int32_t index,
                                                            const uint32_t bank) const {
    return bank < NR_BANKS ? find(m_banks[bank]->textureAnimations, index) : nullptr;
}

CDldFile* CResourceManager::getLayout(const int32_t index, const uint32_t bank) const {
    if (bank >= NR_BANKS) {
        return nullptr;
    }
    const auto it = m_banks[bank]->layouts.find(index);
    return it != m_banks[bank]->layouts.end() ? it->second : nullptr;
}

CResourceManager::Archive* CResourceManager::openArchive(const int32_t index) {
    const uint32_t group = getResourceEntry(static_cast<uint32_t>(index)).archive;
    auto it = m_archives.find(group);
    if (it == m_archives.end()) {
        auto a = std::make_unique<Archive>();
        a->io = std::make_unique<ZqFile::Io>();
        a->arc = std::make_unique<ZqArcFile>(a->io.get());
        char16_t path[PATH_CHARACTERS] = {};
        if (getArchivePath(group, path, PATH_CHARACTERS)) {
            a->openId = a->arc->ropenStart(path);
        } else {
            // No such archive: finished, not opened.
            a->finished = true;
        }
        it = m_archives.emplace(group, std::move(a)).first;
    }
    return it->second.get();
}

void CResourceManager::requestList(const Pair* const pairs, const uint32_t bank) {
    if (bank >= NR_BANKS) {
        return;
    }
    Bank& b = *m_banks[bank];
    if (b.state != STATE_LOADING) {
        b.failed.clear();
        b.requestedAt = ZqSystem::getTime();
    }
    for (const Pair* p = pairs; p != nullptr && p->kind != 0; ++p) {
        if (isLoaded(p->index, p->kind, bank)) {
            continue;
        }
        auto r = std::make_unique<Request>();
        r->index = p->index;
        r->kind = p->kind;
        if (p->index < 0 || static_cast<uint32_t>(p->index) >= NR_RESOURCES) {
            // A row the manifest does not have: dropped at the first step.
            r->failed = true;
        } else {
            r->archive = openArchive(p->index);
        }
        m_pending.push_back(std::move(r));
    }
    b.state = STATE_LOADING;
}

bool CResourceManager::startRead(Request& r) {
    const char16_t* const name = pathOf(r.index);
    uint32_t fileNr = 0;
    if (r.archive->arc->searchFileNr(name, &fileNr) == 0) {
        return false;
    }
    r.fileNr = fileNr;
    r.size = r.archive->arc->getFileSize(fileNr);
    r.readId = r.archive->arc->loadStart(name, r.size, r.size);
    r.stage = Request::READING;
    return r.readId != 0;
}

void CResourceManager::fail(Request& r, const uint32_t bank) {
    r.stage = Request::DONE;
    r.failed = true;
    m_banks[bank]->failed.push_back(r.index);
}

void CResourceManager::queueTexture(const int32_t index, Archive* const archive,
                                    const uint32_t bank) {
    if (isLoaded(index, KIND_TEXTURE, bank)) {
        return;
    }
    auto r = std::make_unique<Request>();
    r->index = index;
    r->kind = KIND_TEXTURE;
    r->archive = archive;
    if (!startRead(*r)) {
        fail(*r, bank);
    }
    m_pending.push_back(std::move(r));
}

bool CResourceManager::loadStep(const uint32_t bank) {
    if (bank >= NR_BANKS) {
        return false;
    }
    if (bank == BANK_CHAPTER && m_holdChapterBank) {
        return false;
    }
    Bank& b = *m_banks[bank];
    if (b.state == STATE_COMPLETE) {
        return true;
    }
    reapAbandoned();
    const uint32_t start = ZqSystem::getTime();
    bool outOfTime = false;
    // Passes repeat while one moved a request on: reads started early in a pass are often done
    // by its end, and a request taken now saves the bank a frame of waiting.
    bool moved = true;
    for (bool first = true; moved && !outOfTime; first = false) {
        moved = false;
        // Index-based: loaders append texture requests that this walk reaches too.
        for (size_t i = 0; i < m_pending.size(); ++i) {
            if ((!first || i != 0) && ZqSystem::getTime() - start >= STEP_BUDGET_MS) {
                outOfTime = true;
                break;
            }
            Request& r = *m_pending[i];
            if (r.failed && r.stage != Request::DONE) {
                fail(r, bank);
            }
            if (r.stage == Request::WAITING) {
                Archive& a = *r.archive;
                if (!a.finished) {
                    bool opened = false;
                    if (a.arc->isRopenFinished(a.openId, &opened)) {
                        a.finished = true;
                        a.opened = opened;
                    }
                }
                if (a.finished) {
                    if (!a.opened || !startRead(r)) {
                        fail(r, bank);
                    }
                    moved = true;
                }
            } else if (r.stage == Request::READING) {
                void* data = nullptr;
                if (r.archive->arc->isLoadFinished(r.readId, &data)) {
                    if (data == nullptr) {
                        fail(r, bank);
                    } else {
                        r.data = data;
                        r.stage = Request::DONE;
                        loadResource(r, bank);
                        ZqMemAlloc::deallocate(r.data);
                        r.data = nullptr;
                    }
                    moved = true;
                }
            }
        }
    }
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [](const auto& r) { return r->stage == Request::DONE; }),
                    m_pending.end());
    if (!m_pending.empty()) {
        // Still waiting: give up on what is left once the bank has waited long enough.
        if (ZqSystem::getTime() - b.requestedAt < GIVE_UP_MS) {
            return false;
        }
        for (const auto& r : m_pending) {
            b.failed.push_back(r->index);
        }
        abandonPending();
    } else if (outOfTime) {
        return false;
    }
    complete(bank);
    return true;
}

void CResourceManager::complete(const uint32_t bank) {
    Bank& b = *m_banks[bank];
    for (auto& [index, entry] : b.models) {
        entry.textures.assign(entry.textureRows.size(), nullptr);
        for (size_t i = 0; i < entry.textureRows.size(); ++i) {
            if (entry.textureRows[i] >= 0) {
                entry.textures[i] = getTexture(entry.textureRows[i], bank);
            }
        }
    }
    for (auto& [index, layout] : b.layouts) {
        for (const uint32_t row : layout->takeTextureRows()) {
            layout->addTexture(getTexture(static_cast<int32_t>(row), bank));
        }
    }
    b.state = STATE_COMPLETE;
    closeArchives();
    if (!b.failed.empty()) {
        postOperatorError(ERROR_ROW_FILE_BROKEN, static_cast<uint16_t>(b.failed.front()));
    }
}

void CResourceManager::loadResource(Request& r, const uint32_t bank) {
    switch (r.kind) {
    case KIND_MODEL:
        loadModel(r, bank);
        break;
    case KIND_TEXTURE:
        loadTexture(r, bank);
        break;
    case KIND_ANIMATION:
        loadAnimation(r, bank);
        break;
    case KIND_TEXTURE_ANIMATION:
        loadTextureAnimation(r, bank);
        break;
    case KIND_LAYOUT:
        loadLayout(r, bank);
        break;
    case KIND_SOUND_EFFECT:
        ZqSdSound::loadSe(pathOf(r.index), r.data, r.size, bank, 1);
        break;
    case KIND_SOUND_LIST:
        if (bank == BANK_RESIDENT) {
            parseSoundList(r.data, r.size, m_soundList);
        }
        break;
    case KIND_FONTS:
        if (bank == BANK_RESIDENT) {
            loadFonts(r);
        }
        break;
    default:
        // Camera animations, faces and effect sets: read, nothing made until their classes
        // exist; kind 6 makes nothing by design.
        break;
    }
}

void CResourceManager::loadModel(const Request& r, const uint32_t bank) {
    Bank& b = *m_banks[bank];
    if (b.models.count(r.index) != 0) {
        return;
    }
    ZqGlModel* const model = ZqGlModel::create(0, pathOf(r.index), r.data, r.size);
    if (model == nullptr) {
        b.failed.push_back(r.index);
        return;
    }
    // A model's textures follow it in its archive: the row of a texture is the model's row
    // plus the distance between their file numbers. A name the archive does not hold, or one
    // that would name a row outside the archive, leaves its slot empty.
    const uint32_t archive = getResourceEntry(static_cast<uint32_t>(r.index)).archive;
    const int64_t first = getArchiveFirstRow(archive);
    const int64_t end = first + getArchiveRowCount(archive);
    ModelEntry entry;
    entry.model = model;
    const uint32_t n = model->getNrTextures();
    entry.textureRows.assign(n, -1);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t fileNr = 0;
        if (r.archive->arc->searchFileNr(model->getTextureFilename(i), &fileNr) == 0) {
            continue;
        }
        const int64_t row = int64_t{r.index} + int64_t{fileNr} - int64_t{r.fileNr};
        if (row < first || row >= end) {
            continue;
        }
        entry.textureRows[i] = static_cast<int32_t>(row);
        queueTexture(static_cast<int32_t>(row), r.archive, bank);
    }
    b.models[r.index] = std::move(entry);
}

void CResourceManager::loadAnimation(const Request& r, const uint32_t bank) {
    makeOnce(m_banks[bank]->animations, r, m_banks[bank]->failed, [&r] {
        return ZqGlAnimation::create(pathOf(r.index), r.data, r.size, ANIMATION_RATE);
    });
}

void CResourceManager::loadTextureAnimation(const Request& r, const uint32_t bank) {
    makeOnce(m_banks[bank]->textureAnimations, r, m_banks[bank]->failed, [&r] {
        return ZqGlTextureAnimation::create(pathOf(r.index), r.data, r.size, ANIMATION_RATE);
    });
}

void CResourceManager::loadTexture(const Request& r, const uint32_t bank) {
    makeOnce(m_banks[bank]->textures, r, m_banks[bank]->failed,
             [&r] { return ZqGlTexture::create(pathOf(r.index), r.data, r.size, FULL_MIP_CHAIN); });
}

void CResourceManager::loadLayout(const Request& r, const uint32_t bank) {
    Bank& b = *m_banks[bank];
    if (b.layouts.count(r.index) != 0) {
        return;
    }
    CDldFile* const layout = CDldFile::create(r.data, r.size);
    // The texture count only from a header that passed the checks, and never past the rows
    // that follow the layout in its own archive.
    const uint32_t row = static_cast<uint32_t>(r.index);
    const uint32_t archive = getResourceEntry(row).archive;
    const uint32_t left = getArchiveFirstRow(archive) + getArchiveRowCount(archive) - row - 1;
    const uint32_t count = std::min(layout->getTables().getTextureCount(), left);
    std::vector<uint32_t> rows(count);
    for (uint32_t i = 0; i < count; ++i) {
        rows[i] = row + 1 + i;
        queueTexture(static_cast<int32_t>(rows[i]), r.archive, bank);
    }
    layout->setTextureRows(rows.data(), count);
    b.layouts[r.index] = layout;
}

void CResourceManager::loadFonts(const Request& r) {
    for (ZqGlFont*& font : m_fonts) {
        if (font != nullptr) {
            font->release();
        }
        font = ZqGlFont::create(FONT_BOLD, FONT_WIDTH, FONT_HEIGHT, r.data, r.size, u"Geneva");
    }
}

void CResourceManager::releaseBank(const uint32_t bank) {
    if (bank >= NR_BANKS) {
        return;
    }
    Bank& b = *m_banks[bank];
    for (auto& [index, layout] : b.layouts) {
        dldRelease(layout);
    }
    b.layouts.clear();
    for (auto& [index, animation] : b.textureAnimations) {
        animation->release();
    }
    b.textureAnimations.clear();
    for (auto& [index, animation] : b.animations) {
        animation->release();
    }
    b.animations.clear();
    for (auto& [index, texture] : b.textures) {
        texture->release();
    }
    b.textures.clear();
    for (auto& [index, entry] : b.models) {
        entry.model->release();
    }
    b.models.clear();
    ZqSdSound::unloadSeGroup(bank);
    if (bank == BANK_RESIDENT) {
        m_soundList.clear();
    }
    b.state = STATE_EMPTY;
}

void CResourceManager::closeArchives() {
    for (auto& [group, a] : m_archives) {
        if (a) {
            a->arc->close();
        }
    }
    for (auto& r : m_pending) {
        if (r->data != nullptr) {
            ZqMemAlloc::deallocate(r->data);
        }
    }
    m_pending.clear();
    m_archives.clear();
}

void CResourceManager::abandonPending() {
    for (auto& r : m_pending) {
        if (r->stage == Request::READING && r->archive != nullptr) {
            r->archive->reads.push_back(r->readId);
        }
    }
    for (auto& [group, a] : m_archives) {
        if (!a->finished || !a->reads.empty()) {
            m_abandoned.push_back(std::move(a));
        }
    }
    closeArchives();
}

bool CResourceManager::reapAbandoned() {
    for (auto& a : m_abandoned) {
        if (!a->finished) {
            bool opened = false;
            a->finished = a->arc->isRopenFinished(a->openId, &opened);
        }
        for (auto it = a->reads.begin(); it != a->reads.end();) {
            void* data = nullptr;
            if (a->arc->isLoadFinished(*it, &data)) {
                if (data != nullptr) {
                    ZqMemAlloc::deallocate(data);
                }
                it = a->reads.erase(it);
            } else {
                ++it;
            }
        }
    }
    m_abandoned.erase(std::remove_if(m_abandoned.begin(), m_abandoned.end(),
                                     [](const auto& a) {
                                         if (!a->finished || !a->reads.empty()) {
                                             return false;
                                         }
                                         a->arc->close();
                                         return true;
                                     }),
                      m_abandoned.end());
    return m_abandoned.empty();
}

uint32_t CResourceManager::parseSoundList(const void* const data, const uint64_t size,
                                          SoundList& out) {
    const ZqByteReader in(data, size);
    uint32_t count = 0;
    if (!in.u32(4, count)) {
        return 0;
    }
    uint64_t at = 8;
    uint32_t read = 0;
    for (; read < count; ++read) {
        uint32_t head[5] = {};
        for (uint32_t i = 0; i < 5; ++i) {
            in.u32(at + 4ull * i, head[i]);
        }
        const uint64_t n = head[4];
        const uint8_t* const name = in.bytes(at + 20, n + 1);
        if (!in.fits(at, 20) || name == nullptr) {
            break;
        }
        const std::string utf8(reinterpret_cast<const char*>(name), n);
        out[zqp::utf8ToUtf16(utf8)] = {{head[0], head[1], head[2], head[3]}};
        at += (20 + n + 1 + 3) / 4 * 4;
    }
    return read;
}
