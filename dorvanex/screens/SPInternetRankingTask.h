// SPInternetRankingTask: the network ranking client. While the operator has network ranking
// on (setting 16) it keeps a copy of the server's rankings (downloaded at start, then daily),
// checks the connection every minute and on request, sends each single-mode player's results
// one event per request, and asks whether an entered name is allowed. Nothing blocks: a
// request is started, then polled each frame through the request layer (RankingTransport.h).
// It publishes the play state's offline word (0 online, 1 offline, 2 ranking off). A child of
// the root at priority 3, owned by the ranking store. Main thread only.
#pragma once

#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/screens/RankingTransport.h"

#include <cstdint>
#include <memory>
#include <vector>

class SPInternetRankingTask final : public CRankingClient {
public:
    enum class State : int32_t { IDLE = 0, CHECK = 1, UPLOAD = 2, DOWNLOAD = 3, NAME_CHECK = 4 };
    static constexpr float CHECK_INTERVAL_MS = 60000.0f;
    static constexpr float DOWNLOAD_INTERVAL_MS = 86400000.0f;
    // Name-check names keep at most this many characters.
    static constexpr uint32_t CHECKED_NAME_MAX = 15;

    static std::unique_ptr<CRankingClient> create();

    SPInternetRankingTask() = default;
    ~SPInternetRankingTask() override;
    SPInternetRankingTask(const SPInternetRankingTask&) = delete;
    SPInternetRankingTask& operator=(const SPInternetRankingTask&) = delete;

    uint32_t init() override;
    void quit() override;
    uint32_t main1(float timeTick) override;

    bool setTimeout(uint32_t ms) override;
    void requestConnectionCheck() override;
    bool isConnectionCheckDone() const override { return !m_checkPending; }
    bool isOnline() const override { return m_online; }
    int32_t getLastUploadStatus() const override { return m_results[KIND_REQUEST].result; }
    bool getRequestResult(bool* ok) const override;
    void requestNameCheck(const char* name) override;
    bool isNameAccepted() const override { return m_nameReply != 0; }
    void requestUpload(const RankingEntry* entries, int32_t* ranksOut) override;
    void setActive(bool on) override;
    bool getNetRankingTable(uint32_t kind, RankingEntry* out, uint32_t event) const override;

    State getState() const { return m_state; }
    // The last published image; null before the first.
    const uint8_t* getPublishedImage() const;
    bool isDownloaded() const { return m_downloaded; }
    RankingTransport& transport() { return m_transport; }
    // Publishes an image as a good download does (the fuzz target's way in).
    void publishImage(const uint8_t* image);

    // One request kind's last outcome.
    struct Outcome {
        uint32_t error = 0;
        uint32_t status = 0;
        int32_t result = 200;
    };
    enum Kind : uint32_t { KIND_REQUEST = 0, KIND_CHECK = 1, KIND_DOWNLOAD = 2 };
    const Outcome& getOutcome(Kind kind) const { return m_results[kind]; }

private:
    void reset();
    void updateIdle();
    void updateCheck();
    void updateUpload();
    void updateDownload();
    void updateNameCheck();
    void endRequest();
    // Ends a queued request that will not succeed, with the result the upload screen reads.
    void failRequest(int32_t result);
    // Takes in the start of an upload or name-check request: in flight, or ended.
    void takeStart(bool started);
    // Polls the upload or name check on the wire; no longer in flight once it has ended.
    int32_t pollInFlight();
    int32_t poll(Kind kind);

    State m_state = State::IDLE;
    State m_pendingRequest = State::IDLE;
    bool m_online = false;
    bool m_onlineSeen = false;
    bool m_inFlight = false;
    bool m_requestOk = false;
    bool m_active = true;
    bool m_checkForced = false;
    bool m_checkPending = false;
    RankingEntry m_uploadEntries[RANKING_EVENTS] = {};
    int32_t m_uploadIndex = -1;
    std::vector<uint8_t> m_downloadBuffer;
    std::vector<uint8_t> m_publishedImage;
    uint32_t m_nameReply = 0;
    char m_nameToCheck[CHECKED_NAME_MAX + 1] = {};
    Outcome m_results[3];
    float m_checkElapsed = 0.0f;
    float m_downloadElapsed = 0.0f;
    bool m_downloaded = false;
    bool m_downloadForced = false;
    int32_t m_rankingSetting = 0;
    bool m_transportOpen = false;
    RankingTransport m_transport;
};

// Enters a result into a published table of the image (game id picks the order); the position
// 0..99 or -1. Exposed for the tests and the benchmark.
int32_t insertNetRankingEntry(uint8_t* table, int32_t gameId, const char* name, int32_t score100,
                              int32_t country);
// The score as the server counts it: x 100 in double precision, truncated, kept in 32 bits.
int32_t toScore100(float score);
