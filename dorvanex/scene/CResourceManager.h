// CResourceManager: loads the game's assets by manifest index into two banks (0 resident,
// 1 per chapter). A caller queues a list of {manifest index, kind} pairs for a bank and calls
// loadStep once a frame until it answers true; each step opens archives and reads members on
// the file worker and makes resources within a 16 ms budget. A failed archive open, a member
// missing from its archive or a failed read drops that request; a bank still incomplete 30 s
// after it was requested completes without what is missing. Either way operator error row 10
// is posted with the first failed manifest index. Main thread only.
// Kinds whose classes do not exist yet (camera animations, faces, effect sets) are read and
// make nothing.
// Stand-in: camera animations, faces, effect sets read to nothing; replaced by #42, #43, #44.
#pragma once

#include "dorvanex/scene/CResourceManifest.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CDldFile;
class ZqArcFile;
class ZqGlAnimation;
class ZqGlFont;
class ZqGlModel;
class ZqGlTexture;
class ZqGlTextureAnimation;

class CResourceManager {
public:
    enum BANK : uint32_t { BANK_RESIDENT = 0, BANK_CHAPTER = 1 };
    enum STATE : uint32_t { STATE_EMPTY = 0, STATE_LOADING = 1, STATE_COMPLETE = 2 };
    static constexpr uint32_t NR_BANKS = 2;
    static constexpr uint32_t STEP_BUDGET_MS = 16;
    static constexpr uint32_t GIVE_UP_MS = 30000;
    static constexpr int32_t ERROR_ROW_FILE_BROKEN = 10;
    static constexpr uint32_t NR_FONTS = 6;

    // A request pair; a list ends with kind 0.
    using Pair = CResourceRequest;
    // One record of the sound list: its four head words.
    struct SoundListRecord {
        uint32_t words[4];
    };
    using SoundList = std::map<std::u16string, SoundListRecord>;
    // A loaded model and its textures: the manifest rows of its texture slots (-1 for a name
    // its archive does not hold), and once the bank is complete the textures themselves (null
    // where the bank holds none).
    struct ModelEntry {
        ZqGlModel* model = nullptr;
        std::vector<int32_t> textureRows;
        std::vector<ZqGlTexture*> textures;
    };

    static CResourceManager* getInstance();
    static void deleteInstance();
    CResourceManager();
    ~CResourceManager();
    CResourceManager(const CResourceManager&) = delete;
    CResourceManager& operator=(const CResourceManager&) = delete;

    void requestList(const Pair* pairs, uint32_t bank);
    bool loadStep(uint32_t bank);
    bool isLoaded(int32_t index, uint32_t kind, uint32_t bank) const;
    uint32_t getState(uint32_t bank) const;

    // The model entry, or an empty entry (null model) when the bank does not hold it.
    const ModelEntry& getModel(int32_t index, uint32_t bank) const;
    ZqGlTexture* getTexture(int32_t index, uint32_t bank) const;
    ZqGlAnimation* getAnimation(int32_t index, uint32_t bank) const;
    ZqGlTextureAnimation* getTextureAnimation(int32_t index, uint32_t bank) const;
    CDldFile* getLayout(int32_t index, uint32_t bank) const;
    const SoundList& getSoundList() const { return m_soundList; }
    ZqGlFont* getFont(uint32_t i) const { return i < NR_FONTS ? m_fonts[i] : nullptr; }
    // The manifest indices dropped since the bank was last requested, in the order they failed.
    const std::vector<int32_t>& getFailed(uint32_t bank) const;

    void releaseBank(uint32_t bank);
    void closeArchives();

    // Reads a sound list: two u32 (the second the record count), then records of five u32
    // (the fifth the name's byte length n) and the UTF-8 name, each 20 + n + 1 bytes padded
    // to 4. A record that does not fit ends the parse with what was read. The records read.
    static uint32_t parseSoundList(const void* data, uint64_t size, SoundList& out);

    // Test hook: keeps loadStep of bank 1 answering false (a load that never ends).
    void setHoldChapterBank(bool hold) { m_holdChapterBank = hold; }

private:
    struct Archive;
    struct Request;
    struct Bank;

    Archive* openArchive(int32_t index);
    bool startRead(Request& r);
    void fail(Request& r, uint32_t bank);
    void loadResource(Request& r, uint32_t bank);
    void loadModel(const Request& r, uint32_t bank);
    void loadTexture(const Request& r, uint32_t bank);
    void loadAnimation(const Request& r, uint32_t bank);
    void loadTextureAnimation(const Request& r, uint32_t bank);
    void loadLayout(const Request& r, uint32_t bank);
    void loadFonts(const Request& r);
    void queueTexture(int32_t index, Archive* archive, uint32_t bank);
    void complete(uint32_t bank);
    void abandonPending();
    bool reapAbandoned();

    std::unique_ptr<Bank> m_banks[NR_BANKS];
    std::vector<std::unique_ptr<Request>> m_pending;
    std::map<uint32_t, std::unique_ptr<Archive>> m_archives;
    // Archives given up on while the worker still had their open or a read: kept until those
    // finish, since the worker writes into them.
    std::vector<std::unique_ptr<Archive>> m_abandoned;
    SoundList m_soundList;
    ZqGlFont* m_fonts[NR_FONTS] = {};
    bool m_holdChapterBank = false;

    static std::unique_ptr<CResourceManager> m_pInstance;
};
