// CRankBoard: an event's four best records over layout 58: a 20-frame intro, a hold that
// ends at the time limit or on player 1's button 0, 1 or 2, and an outro; each row shows the
// record's value, a face by character and a badge (1P, 2P or COM). The board takes layout
// 58 from bank 1 when requestRankBoardLayout has put it there, else the resident copy. A board
// whose layer could not be made still runs its states (the waits for the layer count as
// ended), so an event waiting on it always goes on. Main thread only.
#pragma once

#include "dorvanex/event/CScoreBase.h"

#include <cstdint>

class CDldElementList;
class CDldFile;
class CDldLayer;
struct CDldCellInfo;

// One row: the badge (0 1P, 1 2P, any other COM), the face (character 0..9, 10 an empty row)
// and the value.
struct CRankRecord {
    int32_t firstId = 4;
    int32_t secondId = 10;
    float value = 0.0f;
};

// Queues layout 58 into the per-scene bank (bank 1).
void requestRankBoardLayout();

class CRankBoard {
public:
    static constexpr uint32_t NR_ROWS = 4;
    enum class State : int32_t { Intro = 0, Hold = 1, Outro = 2, Idle = 3 };

    // board: the layout's board number (layers 3 x board .. 3 x board + 2); limit in ms.
    CRankBoard(uint32_t board, float limitMs, const CRankRecord* records, uint32_t count);
    ~CRankBoard();
    CRankBoard(const CRankBoard&) = delete;
    CRankBoard& operator=(const CRankBoard&) = delete;

    bool createElementList();
    void releaseElementList();
    // Copies up to four records; the board has data from now on.
    void setRecords(const CRankRecord* records, uint32_t count);
    // The board's layer and the rows (5 digits with largeRows, else 2), rows hidden. The
    // layout: null takes the resource manager's.
    void start(bool largeRows, CDldFile* layout = nullptr);
    // Only with data: rows visible with their values, the intro plays.
    void show();
    // dt in ms; readInput: player 1's buttons may end the hold. True while the board runs.
    bool update(float dt, int32_t readInput = 1);
    void draw();

    State getState() const { return m_state; }
    bool hasData() const { return m_hasData; }
    bool areRowsPlaced() const { return m_rowsShown; }
    const CDldLayer* getLayer() const { return m_pLayer; }
    const CRankScore& getRow(uint32_t r) const { return m_rows[r < NR_ROWS ? r : 0]; }

private:
    static void cellCallback(const CDldCellInfo& info, void* user);
    void playLayer(uint32_t offset, uint32_t endMode);
    bool isLayerEnded() const;
    bool holdButtonPressed() const;

    CDldElementList* m_pList = nullptr;
    CDldLayer* m_pLayer = nullptr;
    CRankScore m_rows[NR_ROWS];
    State m_state = State::Idle;
    uint32_t m_board = 0;
    bool m_hasData = false;
    float m_limit = 0.0f;
    float m_timer = 0.0f;
    bool m_rowsShown = false;
    CRankRecord m_records[NR_ROWS];
};
