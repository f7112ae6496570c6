#include "dorvanex/screens/SPInternetRankingTask.h"

#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/screens/RankingProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t SETTING_NETWORK_RANKING = 16;
constexpr int32_t OFFLINE_WORD_ONLINE = 0;
constexpr int32_t OFFLINE_WORD_OFFLINE = 1;
constexpr int32_t OFFLINE_WORD_OFF = 2;
constexpr int32_t RESULT_OK = 200;
constexpr int32_t RESULT_RUNNING = -1;
constexpr int32_t RESULT_NO_CONNECTION = -2;
constexpr int32_t RESULT_START_FAILED = -3;
constexpr int32_t NO_ENTRY = -1;
constexpr uint8_t PLACEHOLDER_NAME[] = "GUEST   ";
// The character of a board row with no player.
constexpr int32_t NO_CHARACTER = 10;

int32_t rankingSetting() {
    const CGameSettings* const settings = CGameSettings::getInstance();
    return settings != nullptr ? settings->getValue(SETTING_NETWORK_RANKING)
                               : CGameSettings::DEFAULTS[SETTING_NETWORK_RANKING].value;
}

// The image's block of a game id, or -1.
int32_t findBlock(const uint8_t* const image, const int32_t gameId) {
    for (uint32_t b = 0; b < rankproto::GAMES; ++b) {
        if (ZqByteReader::load<uint32_t>(image + b * rankproto::BLOCK_SIZE) ==
            static_cast<uint32_t>(gameId)) {
            return static_cast<int32_t>(b);
        }
    }
    return -1;
}

} // namespace

int32_t toScore100(const float score) {
    const double v = std::trunc(static_cast<double>(score) * 100.0);
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int32_t>(std::clamp(v, double{std::numeric_limits<int32_t>::min()},
                                           double{std::numeric_limits<int32_t>::max()}));
}

int32_t insertNetRankingEntry(uint8_t* const table, const int32_t gameId, const char* const name,
                              const int32_t score100, const int32_t country) {
    using namespace rankproto;
    const auto at = [&](const int32_t i) {
        return table + static_cast<size_t>(i) * NET_ENTRY_SIZE;
    };
    const auto empty = [&](const int32_t i) { return at(i)[0] == 0; };
    const auto score = [&](const int32_t i) {
        return ZqByteReader::load<int32_t>(at(i) + NET_ENTRY_SCORE);
    };
    const bool ascending = isAscendingGame(gameId);
    // Positive: the new score is worse than entry i. In 64 bits, so that no server score
    // overflows the difference.
    const auto worse = [&](const int32_t i) {
        const int64_t d = int64_t{score100} - int64_t{score(i)};
        return ascending ? d : -d;
    };
    constexpr int32_t ROWS = static_cast<int32_t>(TABLE_ROWS);
    int32_t lo = 0;
    int32_t hi = ROWS - 1;
    int32_t firstFree = -1;
    int32_t position = -1;
    while (lo <= hi) {
        const int32_t mid = (lo + hi) / 2;
        if (empty(mid)) {
            firstFree = mid;
            hi = mid - 1;
            continue;
        }
        const int64_t d = worse(mid);
        if (d > 0) {
            lo = mid + 1;
        } else if (d < 0) {
            hi = mid - 1;
        } else {
            // Equal scores already in the table stay ahead.
            position = mid;
            while (position < ROWS && !empty(position) && score(position) == score100) {
                ++position;
            }
            break;
        }
    }
    if (position < 0) {
        position = lo;
    }
    if (position >= ROWS) {
        return -1;
    }
    // Moves down up to the free slot found, else to the end (the last falls off).
    const int32_t last = firstFree >= position ? firstFree : ROWS - 1;
    std::memmove(at(position + 1), at(position),
                 static_cast<size_t>(last - position) * NET_ENTRY_SIZE);
    NetRankingEntry e{};
    const size_t n = name != nullptr ? strnlen(name, TEXT_SIZE - 1) : 0;
    std::memcpy(e.name, name, n);
    e.score100 = score100;
    e.country = country;
    writeNetEntry(at(position), e);
    return position;
}

std::unique_ptr<CRankingClient> SPInternetRankingTask::create() {
    return std::make_unique<SPInternetRankingTask>();
}

SPInternetRankingTask::~SPInternetRankingTask() {
    shutdownRankingTransport(m_transport);
}

uint32_t SPInternetRankingTask::init() {
    m_online = false;
    m_onlineSeen = false;
    m_downloaded = false;
    m_downloadBuffer.assign(rankproto::IMAGE_SIZE, 0);
    m_publishedImage.assign(rankproto::IMAGE_SIZE, 0);
    reset();
    m_checkElapsed = CHECK_INTERVAL_MS;
    m_checkForced = true;
    m_checkPending = true;
    m_downloadElapsed = DOWNLOAD_INTERVAL_MS;
    m_downloadForced = true;
    m_active = true;
    m_rankingSetting = rankingSetting();
    // Without a connection every start fails and the task stays idle and offline.
    m_transportOpen = initRankingTransport(m_transport, 0);
    return 0;
}

void SPInternetRankingTask::quit() {
    shutdownRankingTransport(m_transport);
    m_transportOpen = false;
    m_downloadBuffer = {};
    m_publishedImage = {};
}

void SPInternetRankingTask::reset() {
    const bool requestDropped = m_pendingRequest != State::IDLE;
    const bool checkDropped = m_state == State::CHECK;
    // A request on the wire is dropped with its connection state; the next start reconnects.
    if (m_transport.connection != nullptr) {
        m_transport.type = RankingTransport::NONE;
    }
    m_state = State::IDLE;
    m_pendingRequest = State::IDLE;
    m_inFlight = false;
    m_requestOk = false;
    m_uploadIndex = -1;
    m_nameReply = 0;
    m_nameToCheck[0] = 0;
    for (Outcome& o : m_results) {
        o = Outcome{};
    }
    // A request dropped here did not succeed: the upload screen must not read success.
    if (requestDropped) {
        m_results[KIND_REQUEST].result = RESULT_NO_CONNECTION;
    }
    if (checkDropped) {
        m_checkPending = false;
    }
}

uint32_t SPInternetRankingTask::main1(const float timeTick) {
    const int32_t setting = rankingSetting();
    CGameWork& work = CGameWork::getInstance();
    if (setting != m_rankingSetting) {
        m_rankingSetting = setting;
        reset();
        if (setting == 0) {
            work.setOfflineWord(OFFLINE_WORD_OFF);
            m_online = false;
        }
    }
    if (m_onlineSeen != m_online) {
        reset();
        m_onlineSeen = m_online;
    }
    if (m_rankingSetting != 0) {
        work.setOfflineWord(m_online ? OFFLINE_WORD_ONLINE : OFFLINE_WORD_OFFLINE);
        if (m_active) {
            switch (m_state) {
            case State::IDLE:
                updateIdle();
                break;
            case State::CHECK:
                updateCheck();
                break;
            case State::UPLOAD:
                updateUpload();
                break;
            case State::DOWNLOAD:
                updateDownload();
                break;
            case State::NAME_CHECK:
                updateNameCheck();
                break;
            }
        }
    }
    m_checkElapsed += timeTick;
    m_downloadElapsed += timeTick;
    return 0;
}

int32_t SPInternetRankingTask::poll(const Kind kind) {
    Outcome& o = m_results[kind];
    const int32_t result = pollRankingRequest(m_transport, &o.error, &o.status);
    if (result != RESULT_RUNNING) {
        o.result = result;
    }
    return result;
}

void SPInternetRankingTask::updateIdle() {
    if (m_pendingRequest != State::IDLE) {
        m_inFlight = false;
        m_state = m_pendingRequest;
        return;
    }
    if (m_downloadForced || m_downloadElapsed >= DOWNLOAD_INTERVAL_MS) {
        m_downloadForced = false;
        m_downloadElapsed = 0.0f;
        if (startGetRanking(m_transport, m_downloadBuffer.data(),
                            &m_results[KIND_DOWNLOAD].error)) {
            m_state = State::DOWNLOAD;
        }
        return;
    }
    if (m_checkForced || m_checkElapsed >= CHECK_INTERVAL_MS) {
        m_checkForced = false;
        m_checkElapsed = 0.0f;
        if (startConnectionCheck(m_transport, &m_results[KIND_CHECK].error)) {
            m_state = State::CHECK;
        } else {
            // A check that cannot start is over: the check page must not wait for it.
            m_online = false;
            m_checkPending = false;
            m_results[KIND_CHECK].result = RESULT_START_FAILED;
        }
    }
}

void SPInternetRankingTask::updateCheck() {
    const int32_t result = poll(KIND_CHECK);
    if (result == RESULT_RUNNING) {
        return;
    }
    m_state = State::IDLE;
    m_checkPending = false;
    if (result == RESULT_OK) {
        m_online = true;
        if (!m_downloaded) {
            m_downloadForced = true;
        }
    } else {
        m_online = false;
    }
}

void SPInternetRankingTask::endRequest() {
    m_state = State::IDLE;
    m_pendingRequest = State::IDLE;
    m_inFlight = false;
}

void SPInternetRankingTask::failRequest(const int32_t result) {
    m_requestOk = false;
    m_results[KIND_REQUEST].result = result;
    endRequest();
}

void SPInternetRankingTask::takeStart(const bool started) {
    m_requestOk = started;
    if (!started) {
        failRequest(m_transport.connection == nullptr ? RESULT_NO_CONNECTION : RESULT_START_FAILED);
        return;
    }
    m_inFlight = true;
}

int32_t SPInternetRankingTask::pollInFlight() {
    const int32_t result = poll(KIND_REQUEST);
    if (result != RESULT_RUNNING) {
        m_inFlight = false;
    }
    return result;
}

void SPInternetRankingTask::updateUpload() {
    if (!m_inFlight) {
        while (m_uploadIndex < static_cast<int32_t>(RANKING_EVENTS) &&
               m_uploadEntries[m_uploadIndex].character == NO_ENTRY) {
            ++m_uploadIndex;
        }
        if (m_uploadIndex >= static_cast<int32_t>(RANKING_EVENTS)) {
            endRequest();
            return;
        }
        const int32_t event = m_uploadIndex;
        const RankingEntry& e = m_uploadEntries[event];
        char name[sizeof e.name + 1] = {};
        std::memcpy(name, e.name, sizeof e.name);
        const bool started = startEntryRanking(
            m_transport, static_cast<uint32_t>(eventToGameId(event)), name, toScore100(e.score),
            characterToCountryCode(e.character), nullptr, &m_results[KIND_REQUEST].error);
        m_uploadIndex = event + 1;
        takeStart(started);
        return;
    }
    const int32_t result = pollInFlight();
    if (result == RESULT_RUNNING) {
        return;
    }
    if (result != RESULT_OK) {
        // The entries already sent stay sent; the rest are dropped.
        failRequest(result);
        return;
    }
    m_requestOk = true;
    if (m_uploadIndex >= static_cast<int32_t>(RANKING_EVENTS)) {
        endRequest();
    }
}

void SPInternetRankingTask::updateDownload() {
    const int32_t result = poll(KIND_DOWNLOAD);
    if (result == RESULT_RUNNING) {
        return;
    }
    m_state = State::IDLE;
    // Only an image the request layer accepted is published: an empty or unchanged answer
    // leaves the last one.
    if (result == RESULT_OK && takeRankingChanged(m_transport, true)) {
        publishImage(m_downloadBuffer.data());
    }
}

void SPInternetRankingTask::publishImage(const uint8_t* const image) {
    m_publishedImage.assign(image, image + rankproto::IMAGE_SIZE);
    m_downloaded = true;
}

void SPInternetRankingTask::updateNameCheck() {
    if (!m_inFlight) {
        const bool started = startTabooCheck(m_transport, m_nameToCheck, &m_nameReply,
                                             &m_results[KIND_REQUEST].error);
        takeStart(started);
        return;
    }
    const int32_t result = pollInFlight();
    if (result == RESULT_RUNNING) {
        return;
    }
    m_requestOk = result == RESULT_OK;
    endRequest();
}

bool SPInternetRankingTask::setTimeout(const uint32_t ms) {
    return setRankingHttpTimeout(m_transport, static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
}

void SPInternetRankingTask::requestConnectionCheck() {
    if (m_state != State::CHECK) {
        m_checkForced = true;
    }
    m_checkPending = true;
}

bool SPInternetRankingTask::getRequestResult(bool* const ok) const {
    if (m_pendingRequest != State::IDLE) {
        return false;
    }
    if (ok != nullptr) {
        *ok = m_requestOk;
    }
    return true;
}

void SPInternetRankingTask::requestNameCheck(const char* const name) {
    if (m_pendingRequest != State::IDLE || name == nullptr) {
        return;
    }
    // A copy: the caller's buffer may be gone before a later frame starts the request.
    std::memset(m_nameToCheck, 0, sizeof m_nameToCheck);
    std::memcpy(m_nameToCheck, name, strnlen(name, CHECKED_NAME_MAX));
    m_pendingRequest = State::NAME_CHECK;
    m_requestOk = false;
    m_nameReply = 0;
    m_results[KIND_REQUEST].result = RESULT_OK;
}

void SPInternetRankingTask::requestUpload(const RankingEntry* const entries,
                                          int32_t* const ranksOut) {
    if (entries == nullptr) {
        return;
    }
    if (m_pendingRequest == State::IDLE) {
        const bool anything = std::any_of(entries, entries + RANKING_EVENTS,
                                          [](const auto& e) { return e.character != NO_ENTRY; });
        m_results[KIND_REQUEST].result = RESULT_OK;
        m_requestOk = false;
        // With ranking off nothing will ever be sent: the request is over at once.
        if (m_rankingSetting != 0 && anything) {
            m_pendingRequest = State::UPLOAD;
            std::copy_n(entries, RANKING_EVENTS, m_uploadEntries);
            m_uploadIndex = 0;
        }
    }
    if (ranksOut == nullptr) {
        return;
    }
    // A position only where a real insertion made one.
    std::fill_n(ranksOut, RANKING_UPLOAD_RANKS, -1);
    if (!m_downloaded) {
        return;
    }
    for (uint32_t event = 0; event < RANKING_EVENTS; ++event) {
        const RankingEntry& e = entries[event];
        if (e.character == NO_ENTRY) {
            continue;
        }
        const int32_t gameId = eventToGameId(static_cast<int32_t>(event));
        const int32_t block = findBlock(m_publishedImage.data(), gameId);
        if (block < 0) {
            continue;
        }
        char name[sizeof e.name + 1] = {};
        std::memcpy(name, e.name, sizeof e.name);
        for (uint32_t kind = 0; kind < rankproto::TABLE_KINDS; ++kind) {
            uint8_t* const table = m_publishedImage.data() +
                                   rankproto::tableOffset(static_cast<uint32_t>(block), kind);
            ranksOut[event * 3 + kind] = insertNetRankingEntry(
                table, gameId, name, toScore100(e.score), characterToCountryCode(e.character));
        }
    }
}

void SPInternetRankingTask::setActive(const bool on) {
    if (on != m_active) {
        m_active = on;
        reset();
    }
}

const uint8_t* SPInternetRankingTask::getPublishedImage() const {
    return m_downloaded ? m_publishedImage.data() : nullptr;
}

bool SPInternetRankingTask::getNetRankingTable(const uint32_t kind, RankingEntry* const out,
                                               const uint32_t event) const {
    if (out == nullptr) {
        return false;
    }
    for (uint32_t i = 0; i < RANKING_BOARD_ROWS; ++i) {
        out[i] = RankingEntry{};
        std::memcpy(out[i].name, PLACEHOLDER_NAME, sizeof PLACEHOLDER_NAME);
        out[i].character = NO_CHARACTER;
    }
    if (!m_downloaded || event >= RANKING_EVENTS || kind >= rankproto::TABLE_KINDS) {
        return true;
    }
    const int32_t block =
        findBlock(m_publishedImage.data(), eventToGameId(static_cast<int32_t>(event)));
    if (block < 0) {
        return true;
    }
    const uint8_t* const table =
        m_publishedImage.data() + rankproto::tableOffset(static_cast<uint32_t>(block), kind);
    for (uint32_t i = 0; i < RANKING_BOARD_ROWS; ++i) {
        const rankproto::NetRankingEntry e =
            rankproto::readNetEntry(table + i * rankproto::NET_ENTRY_SIZE);
        if (e.name[0] == 0) {
            continue;
        }
        RankingEntry& r = out[i];
        std::memset(r.name, 0, sizeof r.name);
        std::memcpy(r.name, e.name, strnlen(e.name, RANKING_NAME_KEPT - 1));
        r.score = static_cast<float>(e.score100 / 100.0);
        r.character = countryCodeToCharacter(e.country);
    }
    return true;
}
