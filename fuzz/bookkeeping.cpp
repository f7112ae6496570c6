// Two arbitrary copies of "BOOKKEEPING" (the input's first 358,652 bytes for e:, the rest for
// f:) through the in-memory disk into bookkeepingLoad, then every query.
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CMemoryDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t split = std::min<size_t>(size, bookkeeping::PAYLOAD_SIZE + DATA_FILE_OVERHEAD);
    CMemoryDataFileOps disk;
    disk.putFile(u"e:/SPORTS_OPTION/BOOKKEEPING", std::vector<uint8_t>(data, data + split));
    if (size > split) {
        disk.putFile(u"f:/SPORTS_OPTION/BOOKKEEPING",
                     std::vector<uint8_t>(data + split, data + size));
    }
    setDataFileOps(&disk);
    bookkeepingCreate();
    bookkeepingLoad();
    std::vector<int32_t> out(7 * bookkeeping::COUNTERS);
    bookkeepingGetLast7DayRecords(out.data());
    bookkeepingGetCoinDataOfLast7Days(out.data());
    bookkeepingGetCoinDataOfEachDay(out.data());
    bookkeepingGetCoinDataOfEachHour(out.data());
    bookkeepingGetCoinDataOfLast52Weeks(out.data());
    bookkeepingGetGameTimesStatistic(out.data());
    int32_t record[bookkeeping::RECORD_FIELDS] = {};
    for (size_t i = 0; i < bookkeeping::RECORD_FIELDS && i * 4 + 3 < size; ++i) {
        record[i] = static_cast<int32_t>(data[i * 4] | data[i * 4 + 1] << 8 |
                                         data[i * 4 + 2] << 16 | uint32_t{data[i * 4 + 3]} << 24);
    }
    bookkeepingAddPlayRecord(record);
    bookkeepingAddCoin(static_cast<int32_t>(size));
    bookkeepingDestroy();
    setDataFileOps(nullptr);
    return 0;
}
