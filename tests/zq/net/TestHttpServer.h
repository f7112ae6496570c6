// A small HTTP and HTTPS server on 127.0.0.1 for the HTTP connection's tests, and the
// certificates it needs, made at test time with OpenSSL: a CA, server certificates (right host,
// wrong host, expired) and client certificates (issued by the CA, and self-signed).
// The server answers one connection at a time on its own thread; each answer is raw bytes that
// the test writes, so broken answers are as easy as good ones.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zqtest {

// PEM texts of a certificate and of its private key.
struct PemPair {
    std::string cert;
    std::string key;
};

// The certificates of a test run, made once per process (RSA-2048 keys).
struct TestPki {
    std::string caCert;
    PemPair server;                 // 127.0.0.1 and localhost, issued by the CA
    PemPair wrongHost;              // other.invalid only
    PemPair expired;                // valid for 127.0.0.1, ended yesterday
    PemPair client;                 // issued by the CA
    PemPair clientSelf;             // the same key as client, self-signed
    std::vector<uint8_t> clientKey; // client's RSA public key, encoded (270 bytes)
    std::vector<uint8_t> otherKey;  // the CA's RSA public key, encoded
    static const TestPki& get();
};

struct HttpRequestSeen {
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool hadClientCert = false;
    // The value of the first header of that name (case-insensitive), or "" when missing.
    std::string header(const std::string& name) const;
    bool has(const std::string& name) const;
};

// What the server does with one request.
struct HttpReply {
    std::string bytes;
    // Waits this long (interrupted by stop) before answering.
    int delayMs = 0;
};

class TestHttpServer {
public:
    using Handler = std::function<HttpReply(const HttpRequestSeen&)>;

    // tls: null for plain HTTP. requireClientCert: the handshake fails without a client
    // certificate issued by the test CA.
    TestHttpServer(const PemPair* tls, bool requireClientCert, Handler handler);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    uint16_t port() const { return m_port; }
    // The requests read so far, oldest first.
    std::vector<HttpRequestSeen> requests() const;

    // "HTTP/1.1 <status>" with the headers and body given, Content-Length added unless the
    // headers hold one.
    static std::string answer(const std::string& status, const std::string& headers,
                              const std::string& body);

private:
    void run();
    void serve(int socket);

    const PemPair* m_tls;
    bool m_requireClientCert;
    Handler m_handler;
    void* m_ctx = nullptr;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<HttpRequestSeen> m_requests;
    std::thread m_thread;
};

} // namespace zqtest
