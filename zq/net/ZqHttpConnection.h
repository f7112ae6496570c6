// ZqHttpConnection: one HTTP or HTTPS request at a time without blocking the caller. connect
// prepares a request for a URL (GET or POST, Basic credentials from the URL, certificate
// checks, a client certificate chosen by its RSA public key), transmitStart sends it with an
// optional body and receives an answer of a known size into the caller's buffer, and
// isTransmitFinished, polled each frame, says when it has ended and how. The answer's headers
// are read through the getters. Pooled (1).
// The main thread calls every member; the platform's worker thread moves the state, the error
// code and the received count. Failures are results plus the thread's last-error value (the
// ERROR_ codes, or the platform's HTTP error values). Depends on ZqFixList, ZqCriticalSection
// and the platform's HTTP service.
#pragma once

#include "zq/memory/ZqFixList.h"
#include "zq/platform/http/http.h"
#include "zq/system/ZqString.h"

#include <atomic>
#include <cstdint>
#include <memory>

class ZqCriticalSection;

class ZqHttpConnection : public ZqFixList<ZqHttpConnection>, private zqp::HttpEvents {
public:
    static constexpr unsigned int NR_POOL = 1;

    enum METHOD : int {
        METHOD_GET = 0,
        METHOD_POST = 1,
    };
    enum STATE : uint32_t {
        STATE_CLOSED = 0,
        // Connected, or the last transmission finished.
        STATE_READY = 1,
        STATE_TRANSMITTING = 2,
        STATE_FAILED = 3,
    };

    static constexpr uint32_t ERROR_POOL_EMPTY = 0x20006000;
    static constexpr uint32_t ERROR_BAD_ARGUMENT = 0x20006001;
    static constexpr uint32_t ERROR_NOT_SUPPORTED = 0x20006002;
    static constexpr uint32_t ERROR_OPEN = 0x20006003;
    static constexpr uint32_t ERROR_CONNECT = 0x20006004;
    static constexpr uint32_t ERROR_OPEN_REQUEST = 0x20006005;
    static constexpr uint32_t ERROR_CRACK_URL = 0x20006006;
    static constexpr uint32_t ERROR_NOT_CONNECTED = 0x20006007;
    static constexpr uint32_t ERROR_TRANSMITTING = 0x20006008;
    static constexpr uint32_t ERROR_SEND_SIZE = 0x20006009;
    static constexpr uint32_t ERROR_RECEIVE_RANGE = 0x2000600A;
    static constexpr uint32_t ERROR_CERT_STORE = 0x2000600B;
    static constexpr uint32_t ERROR_CERT_NOT_FOUND = 0x2000600C;
    static constexpr uint32_t ERROR_CERT_SET = 0x2000600D;

    // Bodies and received ranges stay below this many bytes.
    static constexpr uint32_t MAX_TRANSFER = 0x100000;
    static constexpr uint32_t DEFAULT_TIMEOUT_MS = 60000;
    // How long disconnect waits for the worker to confirm that the request has closed.
    static constexpr uint32_t DISCONNECT_WAIT_MS = 2000;
    // The client key that presents no certificate.
    static constexpr uintptr_t CLIENT_KEY_NO_CERTIFICATE = 1;
    // The length of a client key: an encoded RSA-2048 public key.
    static constexpr uint32_t CLIENT_KEY_SIZE = zqp::HTTP_CLIENT_KEY_SIZE;

    static void sysInit();
    // Ends every connection still in use as release does; returns how many there were.
    static unsigned int sysQuit();

    // A connection with the agent name, through the proxy when it is not null or empty (with
    // the bypass list when that is not null or empty); time-outs 60 s. Null: ERROR_BAD_ARGUMENT
    // (no agent), ERROR_NOT_SUPPORTED, ERROR_POOL_EMPTY, ERROR_OPEN.
    static ZqHttpConnection* create(const char16_t* agent, const char16_t* proxy,
                                    const char16_t* bypass);
    // Sets the name-resolution, connect, send and receive time-outs to ms (see zqp::HttpSession
    // for how each applies); they take effect from the next connect.
    bool setTimeout(int ms);

    // Prepares a request for the URL ("http[s]://[user[:password]@]host[:port][/path][?extra]")
    // with method 0 (GET) or 1 (POST). For HTTPS: securityFlags are the certificate errors to
    // ignore (zqp::HTTP_SECURITY_), and clientKey is null (no choice made),
    // CLIENT_KEY_NO_CERTIFICATE, or CLIENT_KEY_SIZE bytes: the RSA public key of the
    // certificate to present. Ends any earlier request. True when ready to transmit.
    bool connect(const char16_t* url, int method, uint32_t securityFlags, const void* clientKey);
    // Sends the request (POST: with sendSize bytes of sendData as body) and receives up to
    // receiveSize bytes of the answer into receiveBuffer; a non-zero receiveSize asks for bytes
    // rangeStart .. rangeStart + receiveSize - 1. Both buffers must stay valid until the
    // transmission has finished. One transmission per connect.
    bool transmitStart(const void* sendData, uint32_t sendSize, void* receiveBuffer,
                       uint32_t rangeStart, uint32_t receiveSize);
    // False while the transmission runs; true when it has ended, with success (may be null) and
    // the last error set. received (may be null): bytes received so far.
    bool isTransmitFinished(bool* success, uint32_t* received);
    // The first byte's position from Content-Range ("bytes 100-199/1000" gives 100); 0 when
    // the server does not speak of ranges.
    bool getContentPosition(uint32_t* position);

    // The answer's headers; false without a request or answer. A missing header gives an empty
    // string, 0 or time 0 (seconds since 1970 UTC).
    bool getHeader(ZqString& text);
    bool getVersion(ZqString& text);
    bool getResponseCode(uint32_t& code);
    bool getResponseMessage(ZqString& text);
    bool getDate(ZqString& text);
    bool getDate(int64_t& time);
    bool getLastModified(ZqString& text);
    bool getLastModified(int64_t& time);
    bool getExpiration(ZqString& text);
    bool getExpiration(int64_t& time);
    bool getServerInformation(ZqString& text);
    bool getContentType(ZqString& text);
    bool getContentEncoding(ZqString& text);
    bool getContentLanguage(ZqString& text);
    bool getMimeVersion(ZqString& text);
    bool getContentLength(uint32_t& length);

    // Closes the request, waiting up to DISCONNECT_WAIT_MS for it to confirm. Always true.
    bool disconnect();
    // disconnect, then back to the pool; 0.
    unsigned int release();

private:
    friend class ZqFixList<ZqHttpConnection>;
    ZqHttpConnection();
    ~ZqHttpConnection() override;

    // The worker's reports (zqp::HttpEvents).
    bool headersAvailable() override;
    bool data(const uint8_t* bytes, size_t size) override;
    void end(uint32_t error) override;
    void closing() override;
    void fail(uint32_t error);

    bool stringHeader(const char* name, ZqString& text);
    bool timeHeader(const char* name, int64_t& time);

    int m_method = METHOD_GET;
    std::unique_ptr<zqp::HttpSession> m_pSession;
    std::unique_ptr<zqp::HttpRequest> m_pRequest;
    bool m_bSent = false;
    std::atomic<uint32_t> m_state{STATE_CLOSED};
    std::atomic<uint32_t> m_errorCode{0};
    uint32_t m_sendSize = 0;
    uint32_t m_expectedSize = 0;
    uint32_t m_receivedSize = 0;
    const void* m_pSendData = nullptr;
    uint8_t* m_pReceiveBuffer = nullptr;
    std::unique_ptr<ZqCriticalSection> m_pCs;
};
