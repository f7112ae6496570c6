// CResourceManager: stand-in until the resource manager lands. It holds no assets; its banks
// are always empty, so a bank step reports an empty bank as complete. Tests may hold the
// per-chapter bank incomplete to keep a chapter loading.
#pragma once

#include <cstdint>
#include <memory>

class CResourceManager {
public:
    enum BANK : uint32_t { BANK_RESIDENT = 0, BANK_CHAPTER = 1 };

    static CResourceManager* getInstance();
    static void deleteInstance();

    // One loading step of the bank; true once it is complete.
    bool stepBank(uint32_t bank) const { return bank != BANK_CHAPTER || !m_holdChapterBank; }
    // Keeps the per-chapter bank incomplete (a load that never ends) while set.
    void setHoldChapterBank(bool hold) { m_holdChapterBank = hold; }

private:
    bool m_holdChapterBank = false;

    static std::unique_ptr<CResourceManager> m_pInstance;
};
