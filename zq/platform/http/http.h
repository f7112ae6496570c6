// The HTTP service: one HTTP or HTTPS request at a time per connection, carried out on a
// worker thread of its own so that the caller never blocks. The caller opens a session (agent
// name, proxy, time-outs), opens a request on it, sets credentials, security flags, a client
// certificate and headers, and sends it; the worker then reports through HttpEvents: the
// headers arrived, each piece of the answer, the end (with an error value or none) and, last,
// that the request has closed. Header queries are answered from the headers received.
// Client certificates come from a folder of PEM files (certificates and private keys):
// $DORVANEX_CERT_DIR, else $XDG_CONFIG_HOME/dorvanex/certs, else ~/.config/dorvanex/certs.
// Server certificates are checked against the authorities in the PEM file $DORVANEX_CA_FILE
// when it is set, else against the system's.
// Not for redirects, cookies or keeping connections open between requests.
// Depends on nothing above the C++ runtime; the worker thread calls the events.
#pragma once

#include "zq/platform/os/os.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zqp {

// Error values a failed request leaves (the numbering of the platform the framework was first
// written for, so that callers comparing them keep working).
constexpr uint32_t HTTP_ERROR_OUT_OF_MEMORY = 8;
constexpr uint32_t HTTP_ERROR_TIMEOUT = 12002;
constexpr uint32_t HTTP_ERROR_INTERNAL = 12004;
constexpr uint32_t HTTP_ERROR_INVALID_URL = 12005;
constexpr uint32_t HTTP_ERROR_NAME_NOT_RESOLVED = 12007;
constexpr uint32_t HTTP_ERROR_OPERATION_CANCELLED = 12017;
constexpr uint32_t HTTP_ERROR_INCORRECT_HANDLE_STATE = 12019;
constexpr uint32_t HTTP_ERROR_CANNOT_CONNECT = 12029;
constexpr uint32_t HTTP_ERROR_CONNECTION_ERROR = 12030;
constexpr uint32_t HTTP_ERROR_CLIENT_AUTH_CERT_NEEDED = 12044;
constexpr uint32_t HTTP_ERROR_HEADER_NOT_FOUND = 12150;
constexpr uint32_t HTTP_ERROR_INVALID_SERVER_RESPONSE = 12152;
constexpr uint32_t HTTP_ERROR_SECURE_FAILURE = 12175;

// Certificate errors a request may ignore (its security flags).
constexpr uint32_t HTTP_SECURITY_IGNORE_UNKNOWN_CA = 0x100;
constexpr uint32_t HTTP_SECURITY_IGNORE_WRONG_USAGE = 0x200;
constexpr uint32_t HTTP_SECURITY_IGNORE_CERT_CN_INVALID = 0x1000;
constexpr uint32_t HTTP_SECURITY_IGNORE_CERT_DATE_INVALID = 0x2000;

// Length of an encoded RSA-2048 public key (the key bits of a certificate's public key).
constexpr size_t HTTP_CLIENT_KEY_SIZE = 270;

// True when the HTTP library is present and works (TLS included).
bool httpAvailable();

// Agent name, proxy ("host:port", empty for none: no proxy from the environment either) and the
// hosts that bypass it (separated by ';', ',' or blanks).
class HttpSession {
public:
    static std::unique_ptr<HttpSession> open(const std::string& agent, const std::string& proxy,
                                             const std::string& bypass);
    // Time-outs in ms. Resolving and connecting (the TLS handshake included) share one limit,
    // the sum of the first two (either 0: the library's default of 300 s); send and receive
    // each bound the time without progress while the body goes out and while the answer comes
    // in (0: unbounded), checked every 10 ms. False for a negative value.
    bool setTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);

    const std::string m_agent;
    const std::string m_proxy;
    const std::string m_bypass;
    int m_resolveMs = 0;
    int m_connectMs = 0;
    int m_sendMs = 0;
    int m_receiveMs = 0;

private:
    HttpSession(std::string agent, std::string proxy, std::string bypass);
};

// What the worker reports, in this order: headersAvailable once (when the answer's headers are
// complete), data for each piece of the body, then end; closing once the request is closed
// (after close(), end is not reported). The worker calls them; they must not call back into the
// request except for header queries.
class HttpEvents {
public:
    virtual ~HttpEvents() = default;
    // True to receive the body, false to end the transfer here.
    virtual bool headersAvailable() = 0;
    // A piece of the body; returns false to end the transfer after it.
    virtual bool data(const uint8_t* bytes, size_t size) = 0;
    // The transfer ended: error 0 when the server sent all it had, or when a handler above
    // ended it; otherwise one of the HTTP_ERROR_ values.
    virtual void end(uint32_t error) = 0;
    // The request has been closed; nothing follows.
    virtual void closing() = 0;
};

class HttpRequest {
public:
    // A request for host:port (UTF-8) with verb "GET" or "POST" on the path (with its query),
    // over TLS when secure. Null when the host is empty.
    static std::unique_ptr<HttpRequest> open(const HttpSession& session, const std::string& host,
                                             uint16_t port, const std::string& verb,
                                             const std::string& path, bool secure);
    // Closes: stops the worker and waits for it up to waitMs; a worker still busy then is left
    // to end on its own and reports nothing more.
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    void setBasicCredentials(const std::string& user, const std::string& password);
    void setSecurityFlags(uint32_t flags);
    // Presents no client certificate.
    void setNoClientCertificate();
    enum class CertResult : uint8_t { Ok, StoreFailed, NotFound, SetFailed };
    // Finds in the certificate folder the certificate whose RSA public key, encoded, equals the
    // HTTP_CLIENT_KEY_SIZE bytes given, with its private key, and presents it.
    CertResult setClientCertificate(const uint8_t* key);
    // A header line "Name: value"; a later line of the same name replaces the earlier one.
    bool addHeader(const std::string& line);

    // Starts the worker, which sends the body (when not null) and reports through events; once
    // per request. False when already sent or the worker cannot start.
    bool send(const void* body, uint32_t size, HttpEvents* events);
    // Asks the worker to stop; closing() follows. Any thread.
    void close();

    enum class Query : uint8_t { Found, Missing, Failed };
    // Before the headers arrived every query fails.
    // All headers as received, the status line first, each line ending in CR LF, then an empty
    // line.
    Query rawHeaders(std::string& out) const;
    // "HTTP/1.1" and the like.
    Query version(std::string& out) const;
    Query statusCode(uint32_t& out) const;
    Query statusText(std::string& out) const;
    // The value of the first header of that name (case-insensitive), blanks trimmed.
    Query header(const std::string& name, std::string& out) const;
    // The header as a decimal number that fits 32 bits; Failed when it is not one.
    Query headerNumber(const std::string& name, uint32_t& out) const;
    // The header as a date (the HTTP date forms), in UTC; Failed when it is not one.
    Query headerTime(const std::string& name, SystemTime& out) const;

    struct Impl;

private:
    explicit HttpRequest(std::shared_ptr<Impl> impl);
    std::shared_ptr<Impl> m_impl;
};

} // namespace zqp
