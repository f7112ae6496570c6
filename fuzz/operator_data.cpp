// Two arbitrary copies of "testmode.dat" (the input's first 356 bytes for e:, the rest for
// f:) through the in-memory disk into loadDataFile and CGameSettings::load; the same copies as
// "ranking.dat" through the ranking store's checks.
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/CMemoryDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"
#include "dorvanex/core/play/RankingStore.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t split = std::min<size_t>(size, CGameSettings::FILE_SIZE + DATA_FILE_OVERHEAD);
    CMemoryDataFileOps disk;
    disk.putFile(u"e:/SPORTS_OPTION/testmode.dat", std::vector<uint8_t>(data, data + split));
    if (size > split) {
        disk.putFile(u"f:/SPORTS_OPTION/testmode.dat",
                     std::vector<uint8_t>(data + split, data + size));
    }
    setDataFileOps(&disk);
    uint8_t out[CGameSettings::FILE_SIZE] = {};
    loadDataFile("testmode.dat", out, sizeof out);
    loadDataFile("testmode.dat", out, sizeof out, &CGameSettings::isValidFile);
    CGameSettings::create();
    CGameSettings::getInstance()->load();
    CGameSettings::release();
    disk.putFile(u"e:/SPORTS_OPTION/ranking.dat", std::vector<uint8_t>(data, data + split));
    disk.putFile(u"f:/SPORTS_OPTION/ranking.dat", std::vector<uint8_t>(data + split, data + size));
    createRankingStore(nullptr, nullptr);
    loadRankingData();
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    getLocalRankingTable(0, board, 0);
    releaseRankingStore();
    setDataFileOps(nullptr);
    return 0;
}
