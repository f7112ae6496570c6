// The play state: stand-in until the play state of a credit lands. It holds only the ranking
// display cursor that the root resets when TEST opens the operator menu.
#pragma once

#include <cstdint>

class CGameWork {
public:
    static CGameWork& getInstance() {
        static CGameWork work;
        return work;
    }
    void resetRankingCursor() { m_rankingCursor = 0; }
    int32_t getRankingCursor() const { return m_rankingCursor; }
    void setRankingCursor(int32_t cursor) { m_rankingCursor = cursor; }
    // The network status the screens show (the credit line's label follows it).
    int32_t getOfflineWord() const { return m_offlineWord; }
    void setOfflineWord(int32_t word) { m_offlineWord = word; }

private:
    int32_t m_rankingCursor = 0;
    int32_t m_offlineWord = 2;
};
