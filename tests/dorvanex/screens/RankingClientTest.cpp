// The network ranking client against the local ranking server (in this process, on
// 127.0.0.1, with the development client certificate): the protocol on the wire, what gets
// published, the ranks predicted, and a table of failures each of which must leave the task
// usable and the player's data alone.
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/CMemoryDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/screens/RankingProtocol.h"
#include "dorvanex/screens/SPInternetRankingTask.h"
#include "tools/rankserver/RankServer.h"
#include "zq/net/ZqNetSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr float FRAME_MS = 16.0f;

fs::path scratchRoot() {
    return fs::temp_directory_path() / ("zqrank-" + std::to_string(::getpid()));
}

// A state folder per server, sharing one set of certificates (made once: key generation is
// slow under the sanitizers).
fs::path newStateDir(const std::string& name) {
    static const fs::path pki = [] {
        const fs::path dir = scratchRoot() / "pki";
        fs::remove_all(dir);
        rankserver::Options o;
        o.stateDir = dir.string();
        rankserver::RankServer server(o);
        return dir;
    }();
    const fs::path dir = scratchRoot() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"ca.pem", "server.pem", "server-key.pem"}) {
        fs::copy_file(pki / f, dir / f);
    }
    return dir;
}

// Removes the scratch folders (the shared certificates among them) when the program ends.
struct ScratchCleanup {
    ScratchCleanup() = default;
    ScratchCleanup(const ScratchCleanup&) = delete;
    ScratchCleanup& operator=(const ScratchCleanup&) = delete;
    ~ScratchCleanup() {
        std::error_code ec;
        fs::remove_all(scratchRoot(), ec);
    }
} g_cleanup;

std::string bodyText(const std::string& body, const size_t at) {
    return std::string(body.c_str() + at, strnlen(body.c_str() + at, 16));
}

uint32_t u32At(const std::string& body, const size_t at) {
    return ZqByteReader::load<uint32_t>(reinterpret_cast<const uint8_t*>(body.data()) + at);
}

RankingEntry entryOf(const char* const name, const float score, const int32_t character) {
    RankingEntry e{};
    std::strncpy(e.name, name, sizeof e.name - 1);
    e.score = score;
    e.character = character;
    return e;
}

class RankingClientTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        m_state = newStateDir(test);
        ::setenv("DORVANEX_CERT_DIR", ZQ_DEVCERT_DIR, 1);
        setDataFileOps(&m_disk);
        ASSERT_EQ(CGameSettings::create(), 0);
        CGameSettings::getInstance()->setValue(16, 1);
        CGameWork::getInstance().setOfflineWord(2);
        ZqNetSystem::sysInit();
    }
    void TearDown() override {
        releaseRankingStore();
        m_server.reset();
        ZqNetSystem::sysQuit();
        CGameSettings::release();
        setDataFileOps(nullptr);
        for (const char* v : {"DORVANEX_CERT_DIR", "DORVANEX_CA_FILE", "DORVANEX_RANKING_SERVER"}) {
            ::unsetenv(v);
        }
        fs::remove_all(m_state);
    }

    // port 0: the last one used, else any.
    void startServer(std::vector<std::string> refused = {}) {
        rankserver::Options o;
        o.stateDir = m_state.string();
        o.refusedWords = std::move(refused);
        o.port = m_port;
        m_server = std::make_unique<rankserver::RankServer>(o);
        m_port = m_server->port();
        ::setenv("DORVANEX_CA_FILE", m_server->caFile().c_str(), 1);
        ::setenv("DORVANEX_RANKING_SERVER",
                 ("127.0.0.1:" + std::to_string(m_server->port())).c_str(), 1);
    }
    // A new store and task, as the root makes them, with a time-out.
    SPInternetRankingTask& startTask(const uint32_t timeoutMs = 20000) {
        releaseRankingStore();
        createRankingStore(nullptr, &SPInternetRankingTask::create);
        auto* const task = static_cast<SPInternetRankingTask*>(getRankingClient());
        task->init();
        EXPECT_TRUE(setRankingTimeout(timeoutMs));
        return *task;
    }
    SPInternetRankingTask& task() {
        return *static_cast<SPInternetRankingTask*>(getRankingClient());
    }
    // Runs frames until the condition holds (false after 30 s); counts them.
    bool runUntil(const std::function<bool()>& done, int* frames = nullptr) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            task().main1(FRAME_MS);
            if (frames != nullptr) {
                ++*frames;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // The requests under way are over and the task has taken in their outcome (a changed
    // online flag resets it on the next frame).
    bool settle(int* frames = nullptr) {
        const auto idle = [&] {
            return isConnectionCheckDone() &&
                   task().getState() == SPInternetRankingTask::State::IDLE;
        };
        for (int i = 0; i < 3; ++i) {
            if (!runUntil(idle, frames)) {
                return false;
            }
            task().main1(FRAME_MS);
        }
        return runUntil(idle, frames);
    }
    std::vector<rankserver::Request> requests(const char* command) const {
        std::vector<rankserver::Request> out;
        for (const rankserver::Request& r : m_server->requests()) {
            if (r.body.size() >= 36 && bodyText(r.body, 20) == command) {
                out.push_back(r);
            }
        }
        return out;
    }
    void upload(const std::vector<std::pair<uint32_t, RankingEntry>>& entries,
                int32_t* ranks = nullptr) {
        clearPendingRankEntries();
        for (auto [event, e] : entries) {
            setPendingRankEntry(e, event);
        }
        int32_t local[RANKING_UPLOAD_RANKS] = {};
        startScoreUpload(ranks != nullptr ? ranks : local);
    }

    fs::path m_state;
    CMemoryDataFileOps m_disk;
    std::unique_ptr<rankserver::RankServer> m_server;
    uint16_t m_port = 0;
};

TEST_F(RankingClientTest, FirstFramesDownloadThenCheckWithTheProtocolsHeaders) {
    startServer();
    startTask();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(isRankingServerOnline());
    EXPECT_EQ(CGameWork::getInstance().getOfflineWord(), 0);
    const std::vector<rankserver::Request> seen = m_server->requests();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].method, "POST");
    EXPECT_EQ(seen[0].target, "/zarvometrix/api");
    EXPECT_EQ(seen[0].body.size(), 36u);
    EXPECT_EQ(u32At(seen[0].body, 0), 1u);
    EXPECT_EQ(bodyText(seen[0].body, 4), "A0001");
    EXPECT_EQ(bodyText(seen[0].body, 20), "get_ranking");
    EXPECT_EQ(seen[0].header("Range"), "bytes=0-72039");
    EXPECT_EQ(seen[1].method, "GET");
    EXPECT_EQ(seen[1].target, "/zarvometrix/check");
    EXPECT_FALSE(seen[1].has("Range"));
    for (const rankserver::Request& r : seen) {
        EXPECT_TRUE(r.hadClientCert);
        EXPECT_EQ(r.header("Content-Type"), "application/octed-stream");
        EXPECT_EQ(r.header("Accept"), "*/*");
        EXPECT_EQ(r.header("Connection"), "close");
        EXPECT_EQ(r.header("User-Agent"), "user-agent");
    }
    ASSERT_NE(task().getPublishedImage(), nullptr);
    EXPECT_EQ(std::memcmp(task().getPublishedImage(), m_server->buildImage().data(),
                          rankproto::IMAGE_SIZE),
              0);
}

TEST_F(RankingClientTest, ResultsGoUpOnePerEventAndComeBackInTheImage) {
    startServer();
    startTask();
    ASSERT_TRUE(settle());
    m_server->clearRequests();
    upload({{0, entryOf("ABC", 10.83f, 0)}, {5, entryOf("ABC", 30.0f, 5)}});
    bool ok = false;
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }));
    EXPECT_TRUE(ok);
    EXPECT_EQ(getLastUploadStatus(), 200);
    const std::vector<rankserver::Request> sent = requests("entry_ranking");
    ASSERT_EQ(sent.size(), 2u);
    const uint32_t games[] = {1, 5};
    const int32_t scores[] = {1082, 3000};
    const int32_t countries[] = {1, 4};
    for (size_t i = 0; i < 2; ++i) {
        const std::string& b = sent[i].body;
        ASSERT_EQ(b.size(), 64u);
        EXPECT_EQ(bodyText(b, 4), "A0001");
        EXPECT_EQ(u32At(b, 36), games[i]);
        EXPECT_EQ(bodyText(b, 40), "ABC");
        EXPECT_EQ(static_cast<int32_t>(u32At(b, 56)), scores[i]);
        EXPECT_EQ(static_cast<int32_t>(u32At(b, 60)), countries[i]);
        EXPECT_FALSE(sent[i].has("Range"));
    }
    // A new run downloads what the server stored.
    startTask();
    ASSERT_TRUE(settle());
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    ASSERT_TRUE(getNetRankingTable(0, board, 5));
    EXPECT_STREQ(board[0].name, "ABC");
    EXPECT_FLOAT_EQ(board[0].score, 30.0f);
    EXPECT_EQ(board[0].character, 5);
    EXPECT_STREQ(board[1].name, "GUEST   ");
    EXPECT_EQ(board[1].character, 10);
    ASSERT_TRUE(getNetRankingTable(2, board, 0));
    EXPECT_FLOAT_EQ(board[0].score, 10.82f) << "the weekly table, as sent";
}

TEST_F(RankingClientTest, PredictedRanksComeFromRealInsertionsOnly) {
    startServer();
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    startTask();
    // Nothing published yet: no rank at all (not "first").
    upload({{0, entryOf("A", 11.0f, 1)}}, ranks);
    for (const int32_t r : ranks) {
        EXPECT_EQ(r, -1);
    }
    ASSERT_TRUE(runUntil([] {
        bool ok = false;
        return getRankingRequestResult(&ok);
    }));
    startTask();
    ASSERT_TRUE(settle());
    upload({{0, entryOf("B", 10.0f, 1)}, {3, entryOf("C", 50.0f, 2)}}, ranks);
    EXPECT_EQ(ranks[0], 0);
    EXPECT_EQ(ranks[1], 0);
    EXPECT_EQ(ranks[2], 0);
    EXPECT_EQ(ranks[3 * 3], 0) << "javelin into empty tables";
    EXPECT_EQ(ranks[1 * 3], -1) << "no entry";
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    getNetRankingTable(0, board, 0);
    EXPECT_STREQ(board[0].name, "B");
    EXPECT_STREQ(board[1].name, "A");
}

TEST_F(RankingClientTest, AnIdenticalReplyIsNotInflatedUnlessAsked) {
    startServer();
    RankingTransport t;
    ASSERT_TRUE(initRankingTransport(t, 0));
    setRankingHttpTimeout(t, 20000);
    std::vector<uint8_t> target(rankproto::IMAGE_SIZE);
    const auto download = [&] {
        uint32_t err = 0;
        uint32_t status = 0;
        EXPECT_TRUE(startGetRanking(t, target.data(), &err));
        int32_t result = -1;
        while ((result = pollRankingRequest(t, &err, &status)) == -1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return result;
    };
    EXPECT_EQ(download(), 200);
    EXPECT_TRUE(takeRankingChanged(t, true));
    EXPECT_EQ(download(), 200);
    EXPECT_FALSE(takeRankingChanged(t, true)) << "the same bytes again";
    setAcceptUnchangedRanking(t, true);
    EXPECT_EQ(download(), 200);
    EXPECT_TRUE(takeRankingChanged(t, false));
    EXPECT_EQ(std::memcmp(target.data(), m_server->buildImage().data(), target.size()), 0);
    shutdownRankingTransport(t);
}

TEST_F(RankingClientTest, NameCheckCopiesTheNameAndReportsARefusal) {
    startServer({"BAD"});
    startTask();
    ASSERT_TRUE(settle());
    {
        // Freed at once: the task must have its own copy.
        auto name = std::make_unique<char[]>(32);
        std::strcpy(name.get(), "XBADX TOO LONG A NAME");
        startNameCheck(name.get());
    }
    // An upload asked for meanwhile predicts ranks but is not queued.
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    upload({{0, entryOf("R", 9.0f, 0)}}, ranks);
    EXPECT_EQ(ranks[0], 0);
    bool ok = false;
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(isNameAccepted());
    const std::vector<rankserver::Request> sent = requests("check_tabooword");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].body.size(), 52u);
    EXPECT_EQ(bodyText(sent[0].body, 36), "XBADX TOO LONG ");
    EXPECT_EQ(sent[0].header("Range"), "bytes=0-3");
    EXPECT_TRUE(requests("entry_ranking").empty());
    startNameCheck("GOOD");
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(isNameAccepted());
    // A reply of three bytes is no answer.
    rankserver::Fault shortReply;
    shortReply.replaceBody = true;
    shortReply.body = "abc";
    m_server->setFault(shortReply);
    startNameCheck("GOOD");
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(getLastUploadStatus(), -4);
}

TEST_F(RankingClientTest, RankingOffSendsNothing) {
    CGameSettings::getInstance()->setValue(16, 0);
    startServer();
    startTask();
    for (int i = 0; i < 50; ++i) {
        task().main1(FRAME_MS);
    }
    upload({{0, entryOf("A", 11.0f, 1)}});
    bool ok = true;
    EXPECT_TRUE(getRankingRequestResult(&ok));
    EXPECT_EQ(getLastUploadStatus(), 200) << "the total result goes on at once";
    for (int i = 0; i < 50; ++i) {
        task().main1(FRAME_MS);
    }
    EXPECT_TRUE(m_server->requests().empty());
    EXPECT_EQ(CGameWork::getInstance().getOfflineWord(), 2);
}

TEST_F(RankingClientTest, EntriesOutliveAServerRestart) {
    startServer();
    startTask();
    ASSERT_TRUE(settle());
    upload({{7, entryOf("LIFT", 150.0f, 3)}});
    ASSERT_TRUE(runUntil([] {
        bool ok = false;
        return getRankingRequestResult(&ok);
    }));
    releaseRankingStore();
    m_server.reset();
    startServer();
    const std::vector<rankserver::StoredEntry> kept = m_server->entries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].gameId, 6u);
    EXPECT_EQ(kept[0].name, "LIFT");
    EXPECT_EQ(kept[0].score100, 15000);
    EXPECT_EQ(kept[0].country, 9);
}

TEST_F(RankingClientTest, UploadsThatFailDoNotReadAsSuccess) {
    startServer();
    startTask();
    ASSERT_TRUE(settle());
    // Dropped: the online flag changes while the upload is queued.
    upload({{0, entryOf("A", 11.0f, 1)}});
    m_server.reset();
    requestConnectionCheck();
    bool ok = true;
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }));
    EXPECT_FALSE(ok);
    EXPECT_NE(getLastUploadStatus(), 200);
    // Failed start: no client certificate to present.
    startServer();
    ::setenv("DORVANEX_CERT_DIR", (m_state / "none").c_str(), 1);
    startTask();
    ASSERT_TRUE(settle());
    EXPECT_FALSE(isRankingServerOnline());
    upload({{0, entryOf("A", 11.0f, 1)}});
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(getLastUploadStatus(), -3);
}

} // namespace

// Each row: a fresh task against a server with the fault, with a 1,000 ms time-out where the
// row ends in a failed transfer (a slow sanitizer build must not turn the others into
// time-outs, such as a 10 MB inflate under ThreadSanitizer). The
// download and check end, nothing is published but a good image, the pending entries and
// "ranking.dat" stay as they were, and with the fault gone the next check runs.
struct FailureRow;

class RankingFailureTest : public RankingClientTest {
public:
    void run(const FailureRow& row);
    void setEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
    fs::path state() const { return m_state; }
    rankserver::RankServer& server() { return *m_server; }
    void stopServer() { m_server.reset(); }
    // A server whose certificate names another host, on the same port.
    void startServerNamed(const std::string& name) {
        m_server.reset();
        rankserver::Options o;
        o.stateDir = (m_state / "named").string();
        o.serverName = name;
        o.port = m_port;
        m_server = std::make_unique<rankserver::RankServer>(o);
        setEnv("DORVANEX_CA_FILE", m_server->caFile());
    }
};

struct FailureRow {
    int line;
    const char* what;
    std::function<void(rankserver::Fault&, RankingFailureTest&)> setUp;
    int32_t downloadResult; // of the first download
    bool published;
    bool online;          // after the first check
    int32_t uploadStatus; // what the upload screen reads
};

void RankingFailureTest::run(const FailureRow& row) {
    SCOPED_TRACE(testing::Message() << "line " << row.line << ": " << row.what);
    startServer({"BAD"});
    rankserver::Fault fault;
    row.setUp(fault, *this);
    if (m_server != nullptr) {
        m_server->setFault(fault);
    }
    startTask(row.downloadResult == -3 ? 1000 : 20000);
    ASSERT_EQ(resetRankingData(), 0);
    const std::vector<uint8_t> fileBefore = m_disk.file(u"e:/SPORTS_OPTION/ranking.dat");
    RankingEntry pending = entryOf("P", 11.0f, 2);
    setPendingRankEntry(pending, 0);
    RankingEntry pendingBefore[RANKING_EVENTS] = {};
    for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
        pendingBefore[e] = *getPendingRankEntry(e);
    }
    int frames = 0;
    ASSERT_TRUE(settle(&frames));
    EXPECT_EQ(task().getOutcome(SPInternetRankingTask::KIND_DOWNLOAD).result, row.downloadResult);
    EXPECT_EQ(isRankingServerOnline(), row.online);
    EXPECT_EQ(task().getPublishedImage() != nullptr, row.published);
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    startScoreUpload(ranks);
    bool ok = false;
    ASSERT_TRUE(runUntil([&] { return getRankingRequestResult(&ok); }, &frames));
    int32_t status = 0;
    EXPECT_TRUE(CGameWork::getInstance().getUploadStatus(&status));
    EXPECT_EQ(status, row.uploadStatus);
    EXPECT_GT(frames, 2) << "frames ran while requests were out";
    for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
        EXPECT_EQ(std::memcmp(getPendingRankEntry(e), &pendingBefore[e], sizeof(RankingEntry)), 0);
    }
    EXPECT_EQ(m_disk.file(u"e:/SPORTS_OPTION/ranking.dat"), fileBefore);
    // The fault gone, the task works again.
    if (m_server == nullptr) {
        startServer();
    }
    m_server->clearFault();
    ::setenv("DORVANEX_CERT_DIR", ZQ_DEVCERT_DIR, 1);
    ::setenv("DORVANEX_CA_FILE", m_server->caFile().c_str(), 1);
    requestConnectionCheck();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(isRankingServerOnline());
    releaseRankingStore();
    m_server.reset();
}

TEST_F(RankingFailureTest, EveryFailureLeavesTheTaskUsable) {
    using F = rankserver::Fault;
    using T = RankingFailureTest;
    const auto status = [](int s) { return [s](F& f, T&) { f.status = s; }; };
    // The faults hit every request: an upload reads no answer, so a broken body does not fail
    // it, and a check reads no body at all.
    const FailureRow rows[] = {
        {__LINE__, "server down", [](F&, T& t) { t.stopServer(); }, -3, false, false, -3},
        {__LINE__, "slower than the time-out", [](F& f, T&) { f.delayMs = 2500; }, -3, false, false,
         -3},
        {__LINE__, "client certificate refused", [](F& f, T&) { f.refuseClientCert = true; }, -3,
         false, false, -3},
        {__LINE__, "no client certificate",
         [](F&, T& t) { t.setEnv("DORVANEX_CERT_DIR", (t.state() / "none").string()); }, 200, false,
         false, -3},
        {__LINE__, "untrusted server",
         [](F&, T& t) {
             t.setEnv("DORVANEX_CA_FILE", std::string(ZQ_DEVCERT_DIR) + "/dev_client_cert.pem");
         },
         -3, false, false, -3},
        {__LINE__, "server certificate for another host (accepted)",
         [](F&, T& t) { t.startServerNamed("other.invalid"); }, 200, true, true, 200},
        {__LINE__, "cut image", [](F& f, T&) { f.brokenStream = true; }, -6, false, true, 200},
        {__LINE__, "garbage image",
         [](F& f, T&) {
             f.replaceBody = true;
             f.body = "garbage";
         },
         -6, false, true, 200},
        {__LINE__, "inflates to 72,039", [](F& f, T&) { f.imageSize = 72039; }, -4, false, true,
         200},
        {__LINE__, "inflates to 72,041", [](F& f, T&) { f.imageSize = 72041; }, -6, false, true,
         200},
        {__LINE__, "inflates to 10 MB", [](F& f, T&) { f.imageSize = 10000000; }, -6, false, true,
         200},
        {__LINE__, "body of 80,000",
         [](F& f, T&) {
             f.replaceBody = true;
             f.body.assign(80000, 'x');
         },
         -4, false, true, 200},
        {__LINE__, "no Content-Length", [](F& f, T&) { f.length = F::Length::Missing; }, -5, false,
         true, 200},
        {__LINE__, "Content-Length too large",
         [](F& f, T&) {
             f.length = F::Length::Value;
             f.lengthValue = 72040;
         },
         -3, false, true, 200},
        {__LINE__, "Content-Length too small",
         [](F& f, T&) {
             f.length = F::Length::Value;
             f.lengthValue = 10;
         },
         -6, false, true, 200},
        {__LINE__, "empty 200", [](F& f, T&) { f.replaceBody = true; }, 200, false, true, 200},
        {__LINE__, "400", status(400), 400, false, false, 400},
        {__LINE__, "403", status(403), 403, false, false, 403},
        {__LINE__, "404", status(404), 404, false, false, 404},
        {__LINE__, "405", status(405), 405, false, false, 405},
        {__LINE__, "418", status(418), -5, false, false, -5},
        {__LINE__, "500", status(500), 500, false, false, 500},
        {__LINE__, "503", status(503), 503, false, false, 503},
        {__LINE__, "206", status(206), -5, false, false, -5},
    };
    for (const FailureRow& row : rows) {
        run(row);
        if (HasFatalFailure()) {
            return;
        }
    }
}

namespace {

// A table of the image: entries with the given scores (x 100), the rest empty.
std::vector<uint8_t> tableOf(const std::vector<int32_t>& scores) {
    std::vector<uint8_t> table(rankproto::TABLE_SIZE, 0);
    for (size_t i = 0; i < scores.size(); ++i) {
        rankproto::NetRankingEntry e{};
        std::snprintf(e.name, sizeof e.name, "E%zu", i);
        e.score100 = scores[i];
        e.country = 1;
        rankproto::writeNetEntry(table.data() + i * rankproto::NET_ENTRY_SIZE, e);
    }
    return table;
}

TEST(NetRankingInsert, PlacesAScoreBehindItsEquals) {
    struct Case {
        int line;
        int32_t gameId;
        std::vector<int32_t> scores;
        int32_t score;
        int32_t expected;
    };
    std::vector<int32_t> full(100);
    for (int i = 0; i < 100; ++i) {
        full[i] = 1000 + i * 10;
    }
    const Case cases[] = {
        {__LINE__, 1, {100, 200, 300, 500, 500, 500, 700}, 500, 6},
        {__LINE__, 3, {700, 500, 500, 500, 300}, 500, 4},
        {__LINE__, 1, {}, 500, 0},
        {__LINE__, 1, {100}, 50, 0},
        {__LINE__, 1, {100}, 150, 1},
        {__LINE__, 1, full, 5000, -1},
        {__LINE__, 1, full, 1985, 99},
        {__LINE__, 1, {INT32_MIN, INT32_MAX}, INT32_MAX, 2},
        {__LINE__, 1, {INT32_MIN, INT32_MAX}, INT32_MIN, 1},
        {__LINE__, 4, {INT32_MAX, INT32_MIN}, INT32_MIN, 2},
        {__LINE__, 4, {INT32_MAX, 0, INT32_MIN}, 1, 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> table = tableOf(c.scores);
        const std::vector<uint8_t> before = table;
        EXPECT_EQ(insertNetRankingEntry(table.data(), c.gameId, "NEW", c.score, 3), c.expected)
            << "line " << c.line;
        if (c.expected < 0) {
            EXPECT_EQ(table, before) << "line " << c.line;
            continue;
        }
        const rankproto::NetRankingEntry e =
            rankproto::readNetEntry(table.data() + c.expected * rankproto::NET_ENTRY_SIZE);
        EXPECT_STREQ(e.name, "NEW") << "line " << c.line;
        // Those behind moved down one place, the last falling off.
        const size_t at = static_cast<size_t>(c.expected) * rankproto::NET_ENTRY_SIZE;
        EXPECT_EQ(std::memcmp(table.data() + at + rankproto::NET_ENTRY_SIZE, before.data() + at,
                              rankproto::TABLE_SIZE - at - rankproto::NET_ENTRY_SIZE),
                  0)
            << "line " << c.line;
    }
}

} // namespace

namespace {

TEST(NetRankingInsert, AGameWithoutABlockGetsNoRank) {
    // Blocks for game ids 1..9 only: event 4 (game id 10) has none.
    std::vector<uint8_t> image(rankproto::IMAGE_SIZE, 0);
    for (uint32_t b = 0; b < 9; ++b) {
        ZqByteWriter::store<uint32_t>(image.data() + b * rankproto::BLOCK_SIZE, b + 1);
    }
    SPInternetRankingTask task;
    task.publishImage(image.data());
    RankingEntry entries[RANKING_EVENTS] = {};
    for (RankingEntry& e : entries) {
        e.character = -1;
    }
    entries[0] = entryOf("A", 10.0f, 0);
    entries[4] = entryOf("B", 20.0f, 0);
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    task.requestUpload(entries, ranks);
    EXPECT_EQ(ranks[0], 0);
    EXPECT_EQ(ranks[4 * 3], -1);
    EXPECT_EQ(ranks[4 * 3 + 2], -1);
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    ASSERT_TRUE(task.getNetRankingTable(0, board, 4));
    EXPECT_STREQ(board[0].name, "GUEST   ") << "nothing inserted anywhere";
    ASSERT_TRUE(task.getNetRankingTable(1, board, 0));
    EXPECT_STREQ(board[0].name, "A");
}

} // namespace
