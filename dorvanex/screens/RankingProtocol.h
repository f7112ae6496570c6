// The ranking server's protocol: the records the game POSTs to "/zarvometrix/api", the
// replies, and the downloaded ranking image. One layout for the client, the server tool and
// the fuzz target. All numbers little-endian; texts NUL-padded.
//
//   header (36 bytes, every API request)
//   +0   version       u32 = 1
//   +4   client code   16 bytes "A0001"
//   +20  command       16 bytes "entry_ranking" | "get_ranking" | "check_tabooword"
//
//   "entry_ranking" (64)          "get_ranking" (36)      "check_tabooword" (52)
//   +36  game id     u32 1..10      header only             +36 name 16 bytes, NUL within
//   +40  name        16 bytes, NUL within
//   +56  score x 100 i32
//   +60  country     i32 1..10
//
//   replies: "entry_ranking" 28 bytes (name 16, then all-time, monthly, weekly i32 positions,
//   0-based, -1 past the table); "check_tabooword" 4 bytes (u32, 0 refused); "get_ranking" a
//   zlib stream of the image below.
//
//   image (72,040 bytes) = 10 blocks x 7,204
//   block  +0 game id u32;  +4 all-time, +2,404 monthly, +4,804 weekly: 100 entries each
//   entry (24)  +0 name 16 bytes (first byte 0: empty, empties last)  +16 score x 100 i32
//               +20 country i32
//   Tables are best first: ascending for the time games (ids 1, 2, 7, 9, 10), else descending.
#pragma once

#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"

#include <cstdint>
#include <cstring>

namespace rankproto {

constexpr uint32_t VERSION = 1;
constexpr const char* CLIENT_CODE = "A0001";
constexpr const char* COMMAND_ENTRY = "entry_ranking";
constexpr const char* COMMAND_GET = "get_ranking";
constexpr const char* COMMAND_TABOO = "check_tabooword";
constexpr const char* API_PATH = "/zarvometrix/api";
constexpr const char* CHECK_PATH = "/zarvometrix/check";

constexpr uint32_t TEXT_SIZE = 16;
constexpr uint32_t HEADER_SIZE = 36;
constexpr uint32_t HEADER_CODE = 4;
constexpr uint32_t HEADER_COMMAND = 20;

constexpr uint32_t ENTRY_SIZE = 64;
constexpr uint32_t ENTRY_GAME_ID = 36;
constexpr uint32_t ENTRY_NAME = 40;
constexpr uint32_t ENTRY_SCORE = 56;
constexpr uint32_t ENTRY_COUNTRY = 60;
constexpr uint32_t GET_SIZE = 36;
constexpr uint32_t TABOO_SIZE = 52;
constexpr uint32_t TABOO_NAME = 36;

constexpr uint32_t ENTRY_REPLY_SIZE = 28;
constexpr uint32_t TABOO_REPLY_SIZE = 4;

constexpr uint32_t GAMES = 10;
constexpr uint32_t TABLE_KINDS = 3;
constexpr uint32_t TABLE_ROWS = 100;
constexpr uint32_t NET_ENTRY_SIZE = 24;
constexpr uint32_t NET_ENTRY_SCORE = 16;
constexpr uint32_t NET_ENTRY_COUNTRY = 20;
constexpr uint32_t TABLE_SIZE = TABLE_ROWS * NET_ENTRY_SIZE;
constexpr uint32_t BLOCK_TABLES = 4;
constexpr uint32_t BLOCK_SIZE = BLOCK_TABLES + TABLE_KINDS * TABLE_SIZE;
constexpr uint32_t IMAGE_SIZE = GAMES * BLOCK_SIZE;
static_assert(BLOCK_SIZE == 7204 && IMAGE_SIZE == 72040);

// A table of the image: kind 0 all-time, 1 monthly, 2 weekly.
constexpr uint32_t tableOffset(const uint32_t block, const uint32_t kind) {
    return block * BLOCK_SIZE + BLOCK_TABLES + kind * TABLE_SIZE;
}

// The time games rank ascending.
constexpr bool isAscendingGame(const int32_t gameId) {
    return gameId == 1 || gameId == 2 || gameId == 7 || gameId == 9 || gameId == 10;
}

struct NetRankingEntry {
    char name[TEXT_SIZE];
    int32_t score100;
    int32_t country;
};

inline void writeText(uint8_t* const at, const char* const text) {
    std::memset(at, 0, TEXT_SIZE);
    const size_t n = text != nullptr ? strnlen(text, TEXT_SIZE - 1) : 0;
    std::memcpy(at, text, n);
}

inline void writeHeader(uint8_t* const out, const char* const command) {
    ZqByteWriter::store<uint32_t>(out, VERSION);
    writeText(out + HEADER_CODE, CLIENT_CODE);
    writeText(out + HEADER_COMMAND, command);
}

inline NetRankingEntry readNetEntry(const uint8_t* const at) {
    NetRankingEntry e{};
    std::memcpy(e.name, at, TEXT_SIZE);
    e.score100 = ZqByteReader::load<int32_t>(at + NET_ENTRY_SCORE);
    e.country = ZqByteReader::load<int32_t>(at + NET_ENTRY_COUNTRY);
    return e;
}

inline void writeNetEntry(uint8_t* const at, const NetRankingEntry& e) {
    std::memcpy(at, e.name, TEXT_SIZE);
    ZqByteWriter::store<int32_t>(at + NET_ENTRY_SCORE, e.score100);
    ZqByteWriter::store<int32_t>(at + NET_ENTRY_COUNTRY, e.country);
}

} // namespace rankproto
