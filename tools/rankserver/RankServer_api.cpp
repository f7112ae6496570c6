// The ranking server's protocol: the database of entries and the answers to the three API
// commands and the connection check.
#include "tools/rankserver/RankServer_internal.h"

#include "dorvanex/core/play/NameFilter.h"
#include "dorvanex/screens/RankingProtocol.h"

#include <sqlite3.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace rankserver {

namespace {

constexpr int64_t WEEK_SECONDS = 7 * 24 * 60 * 60;

void exec(sqlite3* const db, const char* const sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message != nullptr ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(std::string("database: ") + text);
    }
}

// A prepared statement, finalised when it goes.
class Statement {
public:
    Statement(sqlite3* const db, const char* const sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("database: ") + sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

int64_t nowSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

// The first second of the current UTC month.
int64_t monthStart(const int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    gmtime_r(&t, &tm);
    tm.tm_mday = 1;
    tm.tm_hour = 0;
    tm.tm_min = 0;
    tm.tm_sec = 0;
    return static_cast<int64_t>(timegm(&tm));
}

// The start of each table's period: all-time, month, week.
int64_t periodStart(const uint32_t kind, const int64_t now) {
    switch (kind) {
    case 1:
        return monthStart(now);
    case 2:
        return now - WEEK_SECONDS;
    default:
        return INT64_MIN;
    }
}

std::string textField(const uint8_t* const at) {
    return std::string(reinterpret_cast<const char*>(at),
                       strnlen(reinterpret_cast<const char*>(at), rankproto::TEXT_SIZE));
}

bool hasNul(const uint8_t* const at) {
    return std::find(at, at + rankproto::TEXT_SIZE, 0) != at + rankproto::TEXT_SIZE;
}

std::string withoutBlanks(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ') {
            out += c;
        }
    }
    return out;
}

std::string statusText(const int status) {
    switch (status) {
    case 200:
        return "200 OK";
    case 206:
        return "206 Partial Content";
    case 400:
        return "400 Bad Request";
    case 403:
        return "403 Forbidden";
    case 404:
        return "404 Not Found";
    case 405:
        return "405 Method Not Allowed";
    case 418:
        return "418 I'm a teapot";
    case 500:
        return "500 Internal Server Error";
    case 503:
        return "503 Service Unavailable";
    default:
        return std::to_string(status) + " Status";
    }
}

struct Reply {
    int status = 200;
    std::string body;
};

} // namespace

void openDatabase(RankServer::Impl& impl) {
    const std::string path = (std::filesystem::path(impl.options.stateDir) / "ranking.db").string();
    if (sqlite3_open(path.c_str(), &impl.db) != SQLITE_OK) {
        closeDatabase(impl);
        throw std::runtime_error("cannot open " + path);
    }
    try {
        exec(impl.db, "PRAGMA journal_mode=WAL");
        // Every acknowledged entry is on disk before the answer goes out.
        exec(impl.db, "PRAGMA synchronous=FULL");
        exec(impl.db, "CREATE TABLE IF NOT EXISTS entries (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                      "time INTEGER NOT NULL, game INTEGER NOT NULL, name TEXT NOT NULL, "
                      "score INTEGER NOT NULL, country INTEGER NOT NULL)");
        exec(impl.db, "CREATE INDEX IF NOT EXISTS entries_game_time ON entries (game, time)");
    } catch (...) {
        closeDatabase(impl);
        throw;
    }
}

void closeDatabase(RankServer::Impl& impl) {
    sqlite3_close(impl.db);
    impl.db = nullptr;
}

std::vector<StoredEntry> RankServer::entries() const {
    const std::lock_guard<std::mutex> hold(m_impl->dbMutex);
    Statement s(m_impl->db, "SELECT time, game, name, score, country FROM entries ORDER BY id");
    std::vector<StoredEntry> out;
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        StoredEntry e;
        e.time = sqlite3_column_int64(s.get(), 0);
        e.gameId = static_cast<uint32_t>(sqlite3_column_int64(s.get(), 1));
        const unsigned char* const name = sqlite3_column_text(s.get(), 2);
        e.name = name != nullptr ? reinterpret_cast<const char*>(name) : "";
        e.score100 = sqlite3_column_int(s.get(), 3);
        e.country = sqlite3_column_int(s.get(), 4);
        out.push_back(e);
    }
    return out;
}

std::vector<uint8_t> RankServer::buildImage() const {
    std::vector<uint8_t> image(rankproto::IMAGE_SIZE, 0);
    const int64_t now = nowSeconds();
    const std::lock_guard<std::mutex> hold(m_impl->dbMutex);
    for (uint32_t b = 0; b < rankproto::GAMES; ++b) {
        const int32_t gameId = static_cast<int32_t>(b + 1);
        ZqByteWriter::store<uint32_t>(image.data() + b * rankproto::BLOCK_SIZE,
                                      static_cast<uint32_t>(gameId));
        // Best first; ties in arrival order.
        const char* const sql = rankproto::isAscendingGame(gameId)
                                    ? "SELECT name, score, country FROM entries WHERE game = ? "
                                      "AND time >= ? ORDER BY score ASC, id ASC LIMIT 100"
                                    : "SELECT name, score, country FROM entries WHERE game = ? "
                                      "AND time >= ? ORDER BY score DESC, id ASC LIMIT 100";
        for (uint32_t kind = 0; kind < rankproto::TABLE_KINDS; ++kind) {
            Statement s(m_impl->db, sql);
            sqlite3_bind_int(s.get(), 1, gameId);
            sqlite3_bind_int64(s.get(), 2, periodStart(kind, now));
            uint8_t* at = image.data() + rankproto::tableOffset(b, kind);
            while (sqlite3_step(s.get()) == SQLITE_ROW) {
                rankproto::NetRankingEntry e{};
                const unsigned char* const name = sqlite3_column_text(s.get(), 0);
                if (name != nullptr) {
                    std::memcpy(
                        e.name, name,
                        strnlen(reinterpret_cast<const char*>(name), rankproto::TEXT_SIZE - 1));
                }
                e.score100 = sqlite3_column_int(s.get(), 1);
                e.country = sqlite3_column_int(s.get(), 2);
                rankproto::writeNetEntry(at, e);
                at += rankproto::NET_ENTRY_SIZE;
            }
        }
    }
    return image;
}

std::vector<uint8_t> RankServer::compress(const std::vector<uint8_t>& image) {
    uLongf size = compressBound(static_cast<uLong>(image.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, image.data(), static_cast<uLong>(image.size()), 9) != Z_OK) {
        throw std::runtime_error("compress");
    }
    out.resize(size);
    return out;
}

namespace {

// Stores an entry and answers its three positions.
Reply entryRanking(RankServer::Impl& impl, const uint8_t* const record) {
    const uint32_t gameId = ZqByteReader::load<uint32_t>(record + rankproto::ENTRY_GAME_ID);
    if (gameId < 1 || gameId > rankproto::GAMES || !hasNul(record + rankproto::ENTRY_NAME)) {
        return {400, {}};
    }
    const std::string name = textField(record + rankproto::ENTRY_NAME);
    const int32_t score = ZqByteReader::load<int32_t>(record + rankproto::ENTRY_SCORE);
    const int32_t country = ZqByteReader::load<int32_t>(record + rankproto::ENTRY_COUNTRY);
    const int64_t now = nowSeconds();
    const std::lock_guard<std::mutex> hold(impl.dbMutex);
    Statement insert(impl.db,
                     "INSERT INTO entries (time, game, name, score, country) VALUES (?,?,?,?,?)");
    sqlite3_bind_int64(insert.get(), 1, now);
    sqlite3_bind_int(insert.get(), 2, static_cast<int>(gameId));
    sqlite3_bind_text(insert.get(), 3, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(insert.get(), 4, score);
    sqlite3_bind_int(insert.get(), 5, country);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        return {500, {}};
    }
    const int64_t id = sqlite3_last_insert_rowid(impl.db);
    std::string body(rankproto::ENTRY_REPLY_SIZE, '\0');
    auto* const out = reinterpret_cast<uint8_t*>(body.data());
    rankproto::writeText(out, name.c_str());
    const char* const ahead = rankproto::isAscendingGame(static_cast<int32_t>(gameId))
                                  ? "SELECT COUNT(*) FROM entries WHERE game = ? AND time >= ? AND "
                                    "(score < ? OR (score = ? AND id < ?))"
                                  : "SELECT COUNT(*) FROM entries WHERE game = ? AND time >= ? AND "
                                    "(score > ? OR (score = ? AND id < ?))";
    for (uint32_t kind = 0; kind < rankproto::TABLE_KINDS; ++kind) {
        Statement s(impl.db, ahead);
        sqlite3_bind_int(s.get(), 1, static_cast<int>(gameId));
        sqlite3_bind_int64(s.get(), 2, periodStart(kind, now));
        sqlite3_bind_int(s.get(), 3, score);
        sqlite3_bind_int(s.get(), 4, score);
        sqlite3_bind_int64(s.get(), 5, id);
        const int64_t count = sqlite3_step(s.get()) == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0)
                                                                  : rankproto::TABLE_ROWS;
        const int32_t position = count < rankproto::TABLE_ROWS ? static_cast<int32_t>(count) : -1;
        ZqByteWriter::store<int32_t>(out + rankproto::TEXT_SIZE + kind * 4, position);
    }
    return {200, body};
}

Reply tabooCheck(const RankServer::Impl& impl, const uint8_t* const record) {
    if (!hasNul(record + rankproto::TABOO_NAME)) {
        return {400, {}};
    }
    const std::string name = withoutBlanks(textField(record + rankproto::TABOO_NAME));
    bool refused = isNameAllowed(name.c_str()) == 0;
    for (const std::string& word : impl.options.refusedWords) {
        const std::string w = withoutBlanks(word);
        refused = refused || (!w.empty() && name.find(w) != std::string::npos);
    }
    std::string body(rankproto::TABOO_REPLY_SIZE, '\0');
    ZqByteWriter::store<uint32_t>(reinterpret_cast<uint8_t*>(body.data()), refused ? 0u : 1u);
    return {200, body};
}

} // namespace

std::string RankServer::answer(const Request& request) {
    Fault fault;
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        fault = m_fault;
    }
    Reply reply;
    bool isImage = false;
    const std::string path = request.target.substr(0, request.target.find('?'));
    if (path == rankproto::CHECK_PATH) {
        reply.status = request.method == "GET" ? 200 : 405;
    } else if (path != rankproto::API_PATH) {
        reply.status = 404;
    } else if (request.method != "POST") {
        reply.status = 405;
    } else {
        const auto* const body = reinterpret_cast<const uint8_t*>(request.body.data());
        const size_t size = request.body.size();
        const std::string command =
            size >= rankproto::HEADER_SIZE ? textField(body + rankproto::HEADER_COMMAND) : "";
        const bool headerOk = size >= rankproto::HEADER_SIZE &&
                              ZqByteReader::load<uint32_t>(body) == rankproto::VERSION &&
                              textField(body + rankproto::HEADER_CODE) == rankproto::CLIENT_CODE;
        if (!headerOk) {
            reply.status = 400;
        } else if (command == rankproto::COMMAND_ENTRY && size == rankproto::ENTRY_SIZE) {
            reply = entryRanking(*m_impl, body);
        } else if (command == rankproto::COMMAND_TABOO && size == rankproto::TABOO_SIZE) {
            reply = tabooCheck(*m_impl, body);
        } else if (command == rankproto::COMMAND_GET && size == rankproto::GET_SIZE) {
            std::vector<uint8_t> image = buildImage();
            if (fault.imageSize != 0) {
                image.assign(fault.imageSize, 0);
                for (size_t i = 0; i < image.size(); ++i) {
                    image[i] = static_cast<uint8_t>(i * 31 + 7);
                }
            }
            std::vector<uint8_t> stream = compress(image);
            if (fault.brokenStream) {
                stream.resize(stream.size() / 2);
            }
            reply.body.assign(stream.begin(), stream.end());
            isImage = true;
        } else {
            reply.status = 400;
        }
    }
    (void)isImage;
    if (fault.status != 0) {
        reply.status = fault.status;
    }
    if (fault.replaceBody) {
        reply.body = fault.body;
    }
    std::string text = "HTTP/1.1 " + statusText(reply.status) + "\r\nConnection: close\r\n";
    if (fault.length == Fault::Length::Right) {
        text += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    } else if (fault.length == Fault::Length::Value) {
        text += "Content-Length: " + std::to_string(fault.lengthValue) + "\r\n";
    }
    text += "Content-Type: application/octet-stream\r\n\r\n";
    return text + reply.body;
}

} // namespace rankserver
