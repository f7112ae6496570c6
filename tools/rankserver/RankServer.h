// A local ranking server for development and tests: the game's ranking protocol
// (dorvanex/screens/RankingProtocol.h) over TLS on 127.0.0.1, with the entries kept in an
// SQLite database (WAL, committed before the answer) in a state folder of its own. On first
// start it makes a CA and a server certificate for 127.0.0.1 and localhost there and writes
// the CA as "ca.pem" for the game. It requires a client certificate it trusts: the
// development certificate, or another named in the options.
//
// Faults can be switched on for the next answers (a status, a delay, a cut, a body of the
// test's choosing, a broken image, a wrong or missing Content-Length, or a client CA that
// refuses every certificate); every request is recorded. One connection at a time, served on
// the server's own thread. Not for use outside 127.0.0.1.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace rankserver {

struct Options {
    std::string stateDir;
    // 0: a free port.
    uint16_t port = 0;
    // PEM certificate of the client to trust; empty: the development certificate.
    std::string clientCertFile;
    // The host name of a server certificate made in a new state folder; empty: 127.0.0.1 and
    // localhost.
    std::string serverName;
    // Names refused beside the game's own list (compared with blanks removed).
    std::vector<std::string> refusedWords;
};

struct Fault {
    // An HTTP status in place of the right one (0: keep).
    int status = 0;
    // Milliseconds to wait before answering.
    int delayMs = 0;
    // Closes after this many bytes of the answer (negative: never).
    int64_t closeAfter = -1;
    // Sent as the body in place of the answer.
    bool replaceBody = false;
    std::string body;
    // "get_ranking": an image of this many bytes in place of the right one (0: keep).
    uint32_t imageSize = 0;
    // "get_ranking": a stream cut in its middle.
    bool brokenStream = false;
    enum class Length { Right, Missing, Value } length = Length::Right;
    // The Content-Length sent with Length::Value.
    uint64_t lengthValue = 0;
    // The handshake trusts no client certificate at all.
    bool refuseClientCert = false;
};

struct Request {
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool hadClientCert = false;
    // The value of the first header of that name (any case); "" when missing.
    std::string header(const std::string& name) const;
    bool has(const std::string& name) const;
};

// One stored entry.
struct StoredEntry {
    int64_t time = 0; // seconds since 1970, UTC
    uint32_t gameId = 0;
    std::string name;
    int32_t score100 = 0;
    int32_t country = 0;
};

class RankServer {
public:
    // Starts serving; throws std::runtime_error when the state folder, the certificates, the
    // database or the socket cannot be set up.
    explicit RankServer(const Options& options);
    ~RankServer();
    RankServer(const RankServer&) = delete;
    RankServer& operator=(const RankServer&) = delete;

    uint16_t port() const { return m_port; }
    // The CA the game must trust.
    std::string caFile() const;

    void setFault(const Fault& fault);
    void clearFault() { setFault(Fault{}); }
    std::vector<Request> requests() const;
    void clearRequests();

    // Everything stored, oldest first.
    std::vector<StoredEntry> entries() const;
    // The 72,040-byte image as "get_ranking" builds it now, and its zlib stream.
    std::vector<uint8_t> buildImage() const;
    static std::vector<uint8_t> compress(const std::vector<uint8_t>& image);

    // The answer's status line, headers and body for one request (the faults applied except
    // the delay and the cut). Exposed for the tests of the protocol without TLS.
    std::string answer(const Request& request);

    // The state behind the class (RankServer_internal.h).
    struct Impl;

private:
    void run();
    void serve(int socket);

    std::unique_ptr<Impl> m_impl;
    uint16_t m_port = 0;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
    Fault m_fault;
    std::thread m_thread;
};

} // namespace rankserver
