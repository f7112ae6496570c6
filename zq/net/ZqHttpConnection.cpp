#include "zq/net/ZqHttpConnection.h"

#include "zq/net/ZqHttpUrl.h"
#include "zq/platform/os/lasterror.h"
#include "zq/platform/os/os.h"
#include "zq/system/ZqSystem.h"
#include "zq/thread/ZqCriticalSection.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace {

std::string utf8(const ZqString& text) {
    ZqStringMb out;
    if (!text.empty()) {
        zqChar2Utf8(text.data(), static_cast<int>(text.size()), out);
    }
    return out;
}

std::string utf8(const char16_t* const text) {
    return text != nullptr ? utf8(ZqString(text)) : std::string();
}

ZqString utf16(const std::string& text) {
    ZqString out;
    if (!text.empty()) {
        zqUtf82Char(text.data(), static_cast<int>(text.size()), out);
    }
    return out;
}

bool failWith(const uint32_t code) {
    zqp::setLastError(code);
    return false;
}

} // namespace

ZqHttpConnection::ZqHttpConnection() = default;

ZqHttpConnection::~ZqHttpConnection() = default;

void ZqHttpConnection::sysInit() {
    init(NR_POOL);
}

unsigned int ZqHttpConnection::sysQuit() {
    return m_vPool != nullptr ? quit() : 0;
}

ZqHttpConnection* ZqHttpConnection::create(const char16_t* const agent, const char16_t* const proxy,
                                           const char16_t* const bypass) {
    if (agent == nullptr) {
        zqp::setLastError(ERROR_BAD_ARGUMENT);
        return nullptr;
    }
    if (!zqp::httpAvailable()) {
        zqp::setLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_POOL_EMPTY);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqHttpConnection* const c = ZqFixList::create();
    if (c == nullptr) {
        zqp::setLastError(ERROR_POOL_EMPTY);
        return nullptr;
    }
    c->m_method = METHOD_GET;
    c->m_bSent = false;
    c->m_state = STATE_CLOSED;
    c->m_errorCode = 0;
    c->m_sendSize = 0;
    c->m_expectedSize = 0;
    c->m_receivedSize = 0;
    c->m_pSendData = nullptr;
    c->m_pReceiveBuffer = nullptr;
    try {
        c->m_pCs = std::make_unique<ZqCriticalSection>();
    } catch (...) {
        ZqFixList::release(c);
        throw;
    }
    // Without a proxy the bypass list means nothing.
    const std::string proxyName = utf8(proxy);
    c->m_pSession =
        zqp::HttpSession::open(utf8(agent), proxyName, proxyName.empty() ? "" : utf8(bypass));
    if (!c->m_pSession) {
        c->release();
        zqp::setLastError(ERROR_OPEN);
        return nullptr;
    }
    const int t = static_cast<int>(DEFAULT_TIMEOUT_MS);
    c->m_pSession->setTimeouts(t, t, t, t);
    return c;
}

bool ZqHttpConnection::setTimeout(const int ms) {
    return m_pSession && m_pSession->setTimeouts(ms, ms, ms, ms);
}

bool ZqHttpConnection::connect(const char16_t* const url, const int method,
                               const uint32_t securityFlags, const void* const clientKey) {
    if (url == nullptr || method < METHOD_GET || method > METHOD_POST || !m_pSession) {
        return failWith(ERROR_BAD_ARGUMENT);
    }
    ZqHttpUrl parts;
    if (!zqCrackHttpUrl(url, parts)) {
        return failWith(ERROR_CRACK_URL);
    }
    disconnect();
    m_method = method;

    m_pRequest = zqp::HttpRequest::open(*m_pSession, utf8(parts.host), parts.port,
                                        method == METHOD_POST ? "POST" : "GET",
                                        utf8(parts.path + parts.extra), parts.secure);
    if (!m_pRequest) {
        return failWith(ERROR_CONNECT);
    }
    if (!parts.user.empty()) {
        m_pRequest->setBasicCredentials(utf8(parts.user), utf8(parts.password));
    }
    if (parts.secure) {
        m_pRequest->setSecurityFlags(securityFlags);
        if (reinterpret_cast<uintptr_t>(clientKey) == CLIENT_KEY_NO_CERTIFICATE) {
            m_pRequest->setNoClientCertificate();
        } else if (clientKey != nullptr) {
            uint32_t code = 0;
            switch (m_pRequest->setClientCertificate(static_cast<const uint8_t*>(clientKey))) {
            case zqp::HttpRequest::CertResult::Ok:
                break;
            case zqp::HttpRequest::CertResult::StoreFailed:
                code = ERROR_CERT_STORE;
                break;
            case zqp::HttpRequest::CertResult::NotFound:
                code = ERROR_CERT_NOT_FOUND;
                break;
            case zqp::HttpRequest::CertResult::SetFailed:
                code = ERROR_CERT_SET;
                break;
            }
            if (code != 0) {
                disconnect();
                return failWith(code);
            }
        }
    }
    m_state = STATE_READY;
    return true;
}

bool ZqHttpConnection::transmitStart(const void* const sendData, const uint32_t sendSize,
                                     void* const receiveBuffer, const uint32_t rangeStart,
                                     const uint32_t receiveSize) {
    if (!m_pRequest) {
        return failWith(ERROR_NOT_CONNECTED);
    }
    if (m_state == STATE_TRANSMITTING) {
        return failWith(ERROR_TRANSMITTING);
    }
    if (sendSize >= MAX_TRANSFER) {
        return failWith(ERROR_SEND_SIZE);
    }
    // In 64 bits: a range near the top of 32 bits must not wrap below the limit.
    if (uint64_t{rangeStart} + receiveSize >= MAX_TRANSFER) {
        return failWith(ERROR_RECEIVE_RANGE);
    }
    if (!m_pRequest->addHeader("Accept: */*") ||
        !m_pRequest->addHeader("Content-Type: application/octed-stream") ||
        !m_pRequest->addHeader("Connection: close")) {
        return failWith(zqp::HTTP_ERROR_INTERNAL);
    }
    if (receiveSize != 0 &&
        !m_pRequest->addHeader("Range: bytes=" + std::to_string(rangeStart) + "-" +
                               std::to_string(rangeStart + receiveSize - 1))) {
        return failWith(zqp::HTTP_ERROR_INTERNAL);
    }
    {
        const ZqLockGuard hold(*m_pCs);
        m_expectedSize = receiveSize;
        m_receivedSize = 0;
    }
    m_sendSize = sendSize;
    m_pSendData = sendData;
    m_pReceiveBuffer = static_cast<uint8_t*>(receiveBuffer);
    m_errorCode = 0;
    m_state = STATE_TRANSMITTING;
    const void* const body = m_method == METHOD_POST ? sendData : nullptr;
    if (!m_pRequest->send(body, body != nullptr ? sendSize : 0, this)) {
        // A request goes out once; a second send fails, and the transmission is over rather
        // than left running with nothing behind it.
        fail(zqp::HTTP_ERROR_INCORRECT_HANDLE_STATE);
        return failWith(zqp::HTTP_ERROR_INCORRECT_HANDLE_STATE);
    }
    m_bSent = true;
    return true;
}

bool ZqHttpConnection::isTransmitFinished(bool* const success, uint32_t* const received) {
    if (!m_pRequest) {
        zqp::setLastError(ERROR_NOT_CONNECTED);
        if (success != nullptr) {
            *success = false;
        }
        return true;
    }
    if (received != nullptr) {
        const ZqLockGuard hold(*m_pCs);
        *received = m_receivedSize;
    }
    const uint32_t state = m_state;
    if (state == STATE_TRANSMITTING) {
        return false;
    }
    if (state == STATE_READY) {
        if (success != nullptr) {
            *success = true;
        }
        return true;
    }
    if (success != nullptr) {
        *success = false;
    }
    zqp::setLastError(m_errorCode);
    return true;
}

bool ZqHttpConnection::getContentPosition(uint32_t* const position) {
    ZqString range;
    if (position == nullptr || !stringHeader("Content-Range", range)) {
        return false;
    }
    if (range.find(u"bytes") == ZqString::npos) {
        ZqString accept;
        if (!stringHeader("Accept-Ranges", accept) || accept.find(u"bytes") == ZqString::npos) {
            *position = 0;
            return true;
        }
    }
    // The first run of digits that does not follow a '-' (the start, not the end).
    uint32_t value = 0;
    for (size_t i = 0; i < range.size(); ++i) {
        const bool digit = range[i] >= u'0' && range[i] <= u'9';
        if (!digit || (i > 0 && range[i - 1] == u'-')) {
            continue;
        }
        for (size_t j = i; j < range.size() && range[j] >= u'0' && range[j] <= u'9'; ++j) {
            value = value * 10 + static_cast<uint32_t>(range[j] - u'0');
        }
        break;
    }
    *position = value;
    return true;
}

bool ZqHttpConnection::stringHeader(const char* const name, ZqString& text) {
    if (!m_pRequest) {
        return false;
    }
    std::string value;
    if (m_pRequest->header(name, value) == zqp::HttpRequest::Query::Failed) {
        return false;
    }
    text = utf16(value);
    return true;
}

bool ZqHttpConnection::timeHeader(const char* const name, int64_t& time) {
    if (!m_pRequest) {
        return false;
    }
    zqp::SystemTime t;
    switch (m_pRequest->headerTime(name, t)) {
    case zqp::HttpRequest::Query::Found:
        time = ZqSystem::systemTime2UnixTime(t);
        return true;
    case zqp::HttpRequest::Query::Missing:
        time = 0;
        return true;
    case zqp::HttpRequest::Query::Failed:
        break;
    }
    return false;
}

bool ZqHttpConnection::getHeader(ZqString& text) {
    std::string raw;
    if (!m_pRequest || m_pRequest->rawHeaders(raw) != zqp::HttpRequest::Query::Found) {
        return false;
    }
    text = utf16(raw);
    return true;
}

bool ZqHttpConnection::getVersion(ZqString& text) {
    std::string value;
    if (!m_pRequest || m_pRequest->version(value) != zqp::HttpRequest::Query::Found) {
        return false;
    }
    text = utf16(value);
    return true;
}

bool ZqHttpConnection::getResponseCode(uint32_t& code) {
    return m_pRequest && m_pRequest->statusCode(code) == zqp::HttpRequest::Query::Found;
}

bool ZqHttpConnection::getResponseMessage(ZqString& text) {
    std::string value;
    if (!m_pRequest || m_pRequest->statusText(value) != zqp::HttpRequest::Query::Found) {
        return false;
    }
    text = utf16(value);
    return true;
}

bool ZqHttpConnection::getDate(ZqString& text) {
    return stringHeader("Date", text);
}

bool ZqHttpConnection::getDate(int64_t& time) {
    return timeHeader("Date", time);
}

bool ZqHttpConnection::getLastModified(ZqString& text) {
    return stringHeader("Last-Modified", text);
}

bool ZqHttpConnection::getLastModified(int64_t& time) {
    return timeHeader("Last-Modified", time);
}

bool ZqHttpConnection::getExpiration(ZqString& text) {
    return stringHeader("Expires", text);
}

bool ZqHttpConnection::getExpiration(int64_t& time) {
    return timeHeader("Expires", time);
}

bool ZqHttpConnection::getServerInformation(ZqString& text) {
    return stringHeader("Server", text);
}

bool ZqHttpConnection::getContentType(ZqString& text) {
    return stringHeader("Content-Type", text);
}

bool ZqHttpConnection::getContentEncoding(ZqString& text) {
    return stringHeader("Content-Transfer-Encoding", text);
}

bool ZqHttpConnection::getContentLanguage(ZqString& text) {
    return stringHeader("Content-Language", text);
}

bool ZqHttpConnection::getMimeVersion(ZqString& text) {
    return stringHeader("MIME-Version", text);
}

bool ZqHttpConnection::getContentLength(uint32_t& length) {
    if (!m_pRequest) {
        return false;
    }
    switch (m_pRequest->headerNumber("Content-Length", length)) {
    case zqp::HttpRequest::Query::Found:
        return true;
    case zqp::HttpRequest::Query::Missing:
        length = 0;
        return true;
    case zqp::HttpRequest::Query::Failed:
        break;
    }
    return false;
}

bool ZqHttpConnection::disconnect() {
    if (!m_pRequest) {
        return true;
    }
    if (!m_bSent) {
        // Nothing runs behind a request that never went out.
        m_state = STATE_CLOSED;
    } else {
        m_pRequest->close();
        // Bounded: a worker that does not confirm in time is left to end on its own (the
        // request's destruction cuts it off from this connection).
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(DISCONNECT_WAIT_MS);
        while (m_state != STATE_CLOSED && std::chrono::steady_clock::now() < deadline) {
            zqp::sleepMs(0);
        }
    }
    m_pRequest.reset();
    m_bSent = false;
    m_state = STATE_CLOSED;
    return true;
}

unsigned int ZqHttpConnection::release() {
    disconnect();
    m_pSession.reset();
    m_pCs.reset();
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) != nullptr) {
        ZqFixList::release(this);
    }
    return 0;
}

void ZqHttpConnection::fail(const uint32_t error) {
    m_errorCode = error;
    m_state = STATE_FAILED;
}

bool ZqHttpConnection::headersAvailable() {
    if (m_pReceiveBuffer == nullptr || m_expectedSize == 0) {
        m_state = STATE_READY;
        return false;
    }
    return true;
}

bool ZqHttpConnection::data(const uint8_t* const bytes, const size_t size) {
    if (m_state != STATE_TRANSMITTING) {
        return false;
    }
    const ZqLockGuard hold(*m_pCs);
    // Never beyond the expected size, whatever the server sends.
    const size_t take = std::min<size_t>(size, m_expectedSize - m_receivedSize);
    std::memcpy(m_pReceiveBuffer + m_receivedSize, bytes, take);
    m_receivedSize += static_cast<uint32_t>(take);
    if (m_receivedSize == m_expectedSize) {
        m_state = STATE_READY;
        return false;
    }
    return true;
}

void ZqHttpConnection::end(const uint32_t error) {
    if (m_state != STATE_TRANSMITTING) {
        return;
    }
    if (error == 0) {
        // The server has no more data.
        m_state = STATE_READY;
    } else {
        fail(error);
    }
}

void ZqHttpConnection::closing() {
    m_state = STATE_CLOSED;
}
