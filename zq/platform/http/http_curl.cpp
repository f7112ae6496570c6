// The HTTP service on libcurl (OpenSSL build): each request runs one easy handle in a multi
// handle of its own on its worker thread, so the worker can be woken to stop and can watch
// the send and receive time-outs itself between short polls.
#include "zq/platform/http/http.h"

#include "zq/platform/http/http_internal.h"
#include "zq/platform/http/http_test.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace zqp {

namespace {

using Clock = std::chrono::steady_clock;

// How long a closing request waits for its worker before leaving it to end on its own.
constexpr auto CLOSE_WAIT = std::chrono::milliseconds(2000);
// The worker's longest sleep between checks of the stop flag and the time-outs.
constexpr int POLL_MS = 10;

std::string g_trustedCaFile;
std::mutex g_trustedCaMutex;

bool globalInit() {
    static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ok;
}

int ctxFlagsIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Passes the certificate errors that the request's security flags allow.
int verifyCallback(const int preverified, X509_STORE_CTX* const store) {
    if (preverified != 0) {
        return 1;
    }
    const auto* const ssl = static_cast<const SSL*>(
        X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (ssl == nullptr) {
        return 0;
    }
    const auto flags = static_cast<uint32_t>(
        reinterpret_cast<uintptr_t>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ctxFlagsIndex())));
    uint32_t needed = 0;
    switch (X509_STORE_CTX_get_error(store)) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        needed = HTTP_SECURITY_IGNORE_CERT_DATE_INVALID;
        break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        needed = HTTP_SECURITY_IGNORE_UNKNOWN_CA;
        break;
    case X509_V_ERR_INVALID_PURPOSE:
        needed = HTTP_SECURITY_IGNORE_WRONG_USAGE;
        break;
    default:
        return 0;
    }
    if ((flags & needed) == 0) {
        return 0;
    }
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
}

CURLcode sslContextCallback(CURL*, void* const sslCtx, void* const arg) {
    auto* const ctx = static_cast<SSL_CTX*>(sslCtx);
    SSL_CTX_set_ex_data(ctx, ctxFlagsIndex(), arg);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, &verifyCallback);
    return CURLE_OK;
}

uint32_t mapResult(const CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return 0;
    case CURLE_OPERATION_TIMEDOUT:
        return HTTP_ERROR_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HTTP_ERROR_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return HTTP_ERROR_CANNOT_CONNECT;
    case CURLE_URL_MALFORMAT:
        return HTTP_ERROR_INVALID_URL;
    case CURLE_OUT_OF_MEMORY:
        return HTTP_ERROR_OUT_OF_MEMORY;
    case CURLE_ABORTED_BY_CALLBACK:
        return HTTP_ERROR_OPERATION_CANCELLED;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_ENGINE_INITFAILED:
        return HTTP_ERROR_SECURE_FAILURE;
    // The answer is not HTTP (the scheme itself was checked before), or not well formed.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return HTTP_ERROR_INVALID_SERVER_RESPONSE;
    default:
        return HTTP_ERROR_CONNECTION_ERROR;
    }
}

std::string trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) {
        --e;
    }
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string headerName(const std::string& line) {
    const size_t colon = line.find(':');
    return trim(colon == std::string::npos ? line : line.substr(0, colon));
}

} // namespace

struct HttpRequest::Impl {
    // Settings, fixed once the worker runs.
    std::string url;
    std::string verb;
    std::string agent;
    std::string proxy;
    std::string noProxy;
    long connectMs = 0;
    int sendMs = 0;
    int receiveMs = 0;
    bool secure = false;
    bool credentials = false;
    std::string user;
    std::string password;
    uint32_t securityFlags = 0;
    std::string certPem;
    std::string keyPem;
    std::vector<std::string> headers;
    std::vector<uint8_t> body;
    bool hasBody = false;

    // The worker.
    std::atomic<bool> stop{false};
    bool started = false;
    std::thread worker;
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    std::condition_variable stopSignal;
    bool done = false;
    // Lets close() wake the worker's poll; null while the worker has no multi handle.
    std::mutex multiMutex;
    CURLM* multi = nullptr;

    // Events are cut (null) when the request is destroyed before the worker ended.
    std::mutex eventsMutex;
    HttpEvents* events = nullptr;

    // The answer's headers: the block being received, and the final one once complete.
    mutable std::mutex headerMutex;
    std::vector<std::string> block;
    std::vector<std::string> answer;
    bool headersDone = false;
    bool stoppedByHandler = false;

    void run();
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onWrite(char* data, size_t size, size_t count, void* self);

    bool emitHeaders();
    bool emitData(const uint8_t* bytes, size_t size);
    void emitEnd(uint32_t error);
    void emitClosing();
};

bool HttpRequest::Impl::emitHeaders() {
    const std::lock_guard<std::mutex> hold(eventsMutex);
    return events != nullptr && events->headersAvailable();
}

bool HttpRequest::Impl::emitData(const uint8_t* const bytes, const size_t size) {
    const std::lock_guard<std::mutex> hold(eventsMutex);
    return events != nullptr && events->data(bytes, size);
}

void HttpRequest::Impl::emitEnd(const uint32_t error) {
    const std::lock_guard<std::mutex> hold(eventsMutex);
    if (events != nullptr) {
        events->end(error);
    }
}

void HttpRequest::Impl::emitClosing() {
    const std::lock_guard<std::mutex> hold(eventsMutex);
    if (events != nullptr) {
        events->closing();
    }
}

size_t HttpRequest::Impl::onHeader(char* const data, const size_t size, const size_t count,
                                   void* const self) {
    auto* const impl = static_cast<Impl*>(self);
    const size_t n = size * count;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (!line.empty()) {
        const std::lock_guard<std::mutex> hold(impl->headerMutex);
        impl->block.push_back(std::move(line));
        return n;
    }
    // The blank line ends a block; an interim (1xx) answer is followed by the real one.
    bool complete = false;
    {
        const std::lock_guard<std::mutex> hold(impl->headerMutex);
        const bool interim = !impl->block.empty() && impl->block[0].size() > 9 &&
                             impl->block[0].compare(0, 5, "HTTP/") == 0 &&
                             impl->block[0].find(" 1") == impl->block[0].find(' ');
        if (!interim && !impl->block.empty()) {
            impl->answer = std::move(impl->block);
            impl->headersDone = true;
            complete = true;
        }
        impl->block.clear();
    }
    if (complete && !impl->emitHeaders()) {
        impl->stoppedByHandler = true;
        return 0;
    }
    return n;
}

size_t HttpRequest::Impl::onWrite(char* const data, const size_t size, const size_t count,
                                  void* const self) {
    auto* const impl = static_cast<Impl*>(self);
    const size_t n = size * count;
    if (n == 0) {
        return 0;
    }
    if (!impl->emitData(reinterpret_cast<const uint8_t*>(data), n)) {
        impl->stoppedByHandler = true;
        return 0;
    }
    return n;
}

void HttpRequest::Impl::run() {
    CURL* const easy = curl_easy_init();
    CURLM* const m = easy != nullptr ? curl_multi_init() : nullptr;
    curl_slist* list = nullptr;
    for (const std::string& h : headers) {
        curl_slist* const next = curl_slist_append(list, h.c_str());
        if (next == nullptr) {
            break;
        }
        list = next;
    }
    // No "Expect: 100-continue" round trip before a body.
    if (curl_slist* const next = curl_slist_append(list, "Expect:"); next != nullptr) {
        list = next;
    }

    uint32_t error = HTTP_ERROR_OUT_OF_MEMORY;
    bool cancelled = false;
    if (easy != nullptr && m != nullptr) {
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
        if (!noProxy.empty()) {
            curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.c_str());
        }
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::onWrite);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        if (verb == "POST") {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(hasBody ? body.size() : 0));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                             hasBody && !body.empty() ? reinterpret_cast<const char*>(body.data())
                                                      : "");
        } else {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        }
        if (credentials) {
            curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
            curl_easy_setopt(easy, CURLOPT_USERNAME, user.c_str());
            curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
        }
        if (secure) {
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST,
                             (securityFlags & HTTP_SECURITY_IGNORE_CERT_CN_INVALID) != 0 ? 0L : 2L);
            curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &sslContextCallback);
            curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA,
                             reinterpret_cast<void*>(static_cast<uintptr_t>(securityFlags)));
            {
                const std::lock_guard<std::mutex> hold(g_trustedCaMutex);
                // A cabinet or desktop set-up names its authorities in $DORVANEX_CA_FILE; a
                // test's own file goes first.
                const char* const env = std::getenv("DORVANEX_CA_FILE");
                const std::string caFile = !g_trustedCaFile.empty() ? g_trustedCaFile
                                           : env != nullptr         ? std::string(env)
                                                                    : std::string();
                if (!caFile.empty()) {
                    curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str());
                }
            }
            if (!certPem.empty()) {
                curl_blob cert{certPem.data(), certPem.size(), CURL_BLOB_COPY};
                curl_blob key{keyPem.data(), keyPem.size(), CURL_BLOB_COPY};
                curl_easy_setopt(easy, CURLOPT_SSLCERTTYPE, "PEM");
                curl_easy_setopt(easy, CURLOPT_SSLCERT_BLOB, &cert);
                curl_easy_setopt(easy, CURLOPT_SSLKEYTYPE, "PEM");
                curl_easy_setopt(easy, CURLOPT_SSLKEY_BLOB, &key);
            }
        }
        curl_multi_add_handle(m, easy);
        {
            const std::lock_guard<std::mutex> hold(multiMutex);
            multi = m;
        }

        // Progress is any byte moving either way; the send limit applies until the body is
        // out, the receive limit after.
        const curl_off_t bodySize = hasBody ? static_cast<curl_off_t>(body.size()) : 0;
        bool connected = false;
        curl_off_t lastUp = -1;
        curl_off_t lastDown = -1;
        long lastHeaderBytes = -1;
        Clock::time_point lastProgress = Clock::now();
        CURLcode result = CURLE_OK;
        for (;;) {
            if (stop.load()) {
                cancelled = true;
                break;
            }
            int running = 0;
            curl_multi_perform(m, &running);
            int queued = 0;
            bool finished = false;
            while (CURLMsg* const msg = curl_multi_info_read(m, &queued)) {
                if (msg->msg == CURLMSG_DONE) {
                    result = msg->data.result;
                    finished = true;
                }
            }
            if (finished || running == 0) {
                break;
            }
            const Clock::time_point now = Clock::now();
            curl_off_t pretransfer = 0;
            curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
            if (pretransfer > 0) {
                curl_off_t up = 0;
                curl_off_t down = 0;
                long headerBytes = 0;
                curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &up);
                curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &down);
                curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &headerBytes);
                if (!connected || up != lastUp || down != lastDown ||
                    headerBytes != lastHeaderBytes) {
                    connected = true;
                    lastUp = up;
                    lastDown = down;
                    lastHeaderBytes = headerBytes;
                    lastProgress = now;
                }
                const int limit = up < bodySize ? sendMs : receiveMs;
                if (limit > 0 && now - lastProgress > std::chrono::milliseconds(limit)) {
                    result = CURLE_OPERATION_TIMEDOUT;
                    break;
                }
            }
            curl_multi_poll(m, nullptr, 0, POLL_MS, nullptr);
        }
        {
            const std::lock_guard<std::mutex> hold(multiMutex);
            multi = nullptr;
        }
        curl_multi_remove_handle(m, easy);
        error = result == CURLE_WRITE_ERROR && stoppedByHandler ? 0 : mapResult(result);
    }
    if (m != nullptr) {
        curl_multi_cleanup(m);
    }
    if (easy != nullptr) {
        curl_easy_cleanup(easy);
    }
    curl_slist_free_all(list);

    if (!cancelled) {
        emitEnd(error);
    }
    // The request closes when its owner closes it, not when the transfer ends: the owner may
    // still read the outcome and the headers.
    {
        std::unique_lock<std::mutex> hold(doneMutex);
        stopSignal.wait(hold, [&] { return stop.load(); });
    }
    emitClosing();
    {
        const std::lock_guard<std::mutex> hold(doneMutex);
        done = true;
    }
    doneSignal.notify_all();
}

bool httpAvailable() {
    if (!globalInit()) {
        return false;
    }
    const curl_version_info_data* const info = curl_version_info(CURLVERSION_NOW);
    return info != nullptr && (info->features & CURL_VERSION_SSL) != 0;
}

void httpSetTrustedCaFile(const std::string& path) {
    const std::lock_guard<std::mutex> hold(g_trustedCaMutex);
    g_trustedCaFile = path;
}

HttpSession::HttpSession(std::string agent, std::string proxy, std::string bypass)
    : m_agent(std::move(agent)), m_proxy(std::move(proxy)), m_bypass(std::move(bypass)) {}

std::unique_ptr<HttpSession> HttpSession::open(const std::string& agent, const std::string& proxy,
                                               const std::string& bypass) {
    if (!httpAvailable()) {
        return nullptr;
    }
    // The bypass list in the library's form: names separated by commas.
    std::string noProxy;
    for (const char c : bypass) {
        noProxy.push_back(c == ';' || c == ' ' || c == '\t' ? ',' : c);
    }
    return std::unique_ptr<HttpSession>(new HttpSession(agent, proxy, noProxy));
}

bool HttpSession::setTimeouts(const int resolveMs, const int connectMs, const int sendMs,
                              const int receiveMs) {
    if (resolveMs < 0 || connectMs < 0 || sendMs < 0 || receiveMs < 0) {
        return false;
    }
    m_resolveMs = resolveMs;
    m_connectMs = connectMs;
    m_sendMs = sendMs;
    m_receiveMs = receiveMs;
    return true;
}

HttpRequest::HttpRequest(std::shared_ptr<Impl> impl) : m_impl(std::move(impl)) {}

std::unique_ptr<HttpRequest> HttpRequest::open(const HttpSession& session, const std::string& host,
                                               const uint16_t port, const std::string& verb,
                                               const std::string& path, const bool secure) {
    if (host.empty()) {
        return nullptr;
    }
    auto impl = std::make_shared<Impl>();
    const bool literal6 = host.find(':') != std::string::npos && host.front() != '[';
    impl->url = std::string(secure ? "https://" : "http://") + (literal6 ? "[" : "") + host +
                (literal6 ? "]" : "") + ":" + std::to_string(port) +
                (path.empty() || path.front() != '/' ? "/" : "") + path;
    impl->verb = verb;
    impl->agent = session.m_agent;
    impl->proxy = session.m_proxy;
    impl->noProxy = session.m_bypass;
    const int64_t connectMs = int64_t{session.m_resolveMs} + session.m_connectMs;
    impl->connectMs = session.m_resolveMs == 0 || session.m_connectMs == 0
                          ? 0
                          : static_cast<long>(std::min<int64_t>(connectMs, INT32_MAX));
    impl->sendMs = session.m_sendMs;
    impl->receiveMs = session.m_receiveMs;
    impl->secure = secure;
    return std::unique_ptr<HttpRequest>(new HttpRequest(std::move(impl)));
}

HttpRequest::~HttpRequest() {
    close();
    Impl& impl = *m_impl;
    if (!impl.started) {
        return;
    }
    bool ended = false;
    {
        std::unique_lock<std::mutex> hold(impl.doneMutex);
        ended = impl.doneSignal.wait_for(hold, CLOSE_WAIT, [&] { return impl.done; });
    }
    {
        const std::lock_guard<std::mutex> hold(impl.eventsMutex);
        impl.events = nullptr;
    }
    if (ended) {
        impl.worker.join();
    } else {
        // The worker keeps its own reference to the request's state and reports nothing more.
        impl.worker.detach();
    }
}

void HttpRequest::setBasicCredentials(const std::string& user, const std::string& password) {
    m_impl->credentials = true;
    m_impl->user = user;
    m_impl->password = password;
}

void HttpRequest::setSecurityFlags(const uint32_t flags) {
    m_impl->securityFlags = flags;
}

void HttpRequest::setNoClientCertificate() {
    m_impl->certPem.clear();
    m_impl->keyPem.clear();
}

HttpRequest::CertResult HttpRequest::setClientCertificate(const uint8_t* const key) {
    if (key == nullptr) {
        return CertResult::NotFound;
    }
    std::string cert;
    std::string privateKey;
    const CertResult result = findClientCertificate(certificateFolder(), key, cert, privateKey);
    if (result == CertResult::Ok) {
        m_impl->certPem = std::move(cert);
        m_impl->keyPem = std::move(privateKey);
    }
    return result;
}

bool HttpRequest::addHeader(const std::string& line) {
    const std::string name = headerName(line);
    if (name.empty() || line.find('\n') != std::string::npos ||
        line.find('\r') != std::string::npos) {
        return false;
    }
    for (std::string& h : m_impl->headers) {
        if (sameName(headerName(h), name)) {
            h = line;
            return true;
        }
    }
    m_impl->headers.push_back(line);
    return true;
}

bool HttpRequest::send(const void* const body, const uint32_t size, HttpEvents* const events) {
    Impl& impl = *m_impl;
    if (impl.started) {
        return false;
    }
    impl.hasBody = body != nullptr;
    if (body != nullptr) {
        const auto* const bytes = static_cast<const uint8_t*>(body);
        impl.body.assign(bytes, bytes + size);
    }
    impl.events = events;
    try {
        impl.worker = std::thread([self = m_impl] { self->run(); });
    } catch (...) {
        impl.events = nullptr;
        return false;
    }
    impl.started = true;
    return true;
}

void HttpRequest::close() {
    Impl& impl = *m_impl;
    {
        const std::lock_guard<std::mutex> hold(impl.doneMutex);
        impl.stop = true;
    }
    impl.stopSignal.notify_all();
    const std::lock_guard<std::mutex> hold(impl.multiMutex);
    if (impl.multi != nullptr) {
        curl_multi_wakeup(impl.multi);
    }
}

HttpRequest::Query HttpRequest::rawHeaders(std::string& out) const {
    const std::lock_guard<std::mutex> hold(m_impl->headerMutex);
    if (!m_impl->headersDone) {
        return Query::Failed;
    }
    out.clear();
    for (const std::string& line : m_impl->answer) {
        out += line;
        out += "\r\n";
    }
    out += "\r\n";
    return Query::Found;
}

namespace {

// The status line's three parts; false when it is not "HTTP/x code text".
bool splitStatus(const std::string& line, std::string& version, std::string& code,
                 std::string& text) {
    const size_t a = line.find(' ');
    if (line.compare(0, 5, "HTTP/") != 0 || a == std::string::npos) {
        return false;
    }
    version = line.substr(0, a);
    const size_t b = line.find(' ', a + 1);
    code = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    text = b == std::string::npos ? std::string() : trim(line.substr(b + 1));
    return true;
}

bool parseNumber(const std::string& text, uint32_t& out) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    uint64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > UINT32_MAX) {
        return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

} // namespace

HttpRequest::Query HttpRequest::version(std::string& out) const {
    const std::lock_guard<std::mutex> hold(m_impl->headerMutex);
    std::string code;
    std::string text;
    if (!m_impl->headersDone || !splitStatus(m_impl->answer[0], out, code, text)) {
        return Query::Failed;
    }
    return Query::Found;
}

HttpRequest::Query HttpRequest::statusCode(uint32_t& out) const {
    const std::lock_guard<std::mutex> hold(m_impl->headerMutex);
    std::string version;
    std::string code;
    std::string text;
    if (!m_impl->headersDone || !splitStatus(m_impl->answer[0], version, code, text) ||
        !parseNumber(code, out)) {
        return Query::Failed;
    }
    return Query::Found;
}

HttpRequest::Query HttpRequest::statusText(std::string& out) const {
    const std::lock_guard<std::mutex> hold(m_impl->headerMutex);
    std::string version;
    std::string code;
    if (!m_impl->headersDone || !splitStatus(m_impl->answer[0], version, code, out)) {
        return Query::Failed;
    }
    return Query::Found;
}

HttpRequest::Query HttpRequest::header(const std::string& name, std::string& out) const {
    const std::lock_guard<std::mutex> hold(m_impl->headerMutex);
    if (!m_impl->headersDone) {
        return Query::Failed;
    }
    for (size_t i = 1; i < m_impl->answer.size(); ++i) {
        const std::string& line = m_impl->answer[i];
        const size_t colon = line.find(':');
        if (colon != std::string::npos && sameName(trim(line.substr(0, colon)), name)) {
            out = trim(line.substr(colon + 1));
            return Query::Found;
        }
    }
    out.clear();
    return Query::Missing;
}

HttpRequest::Query HttpRequest::headerNumber(const std::string& name, uint32_t& out) const {
    std::string text;
    const Query q = header(name, text);
    if (q != Query::Found) {
        return q;
    }
    return parseNumber(text, out) ? Query::Found : Query::Failed;
}

HttpRequest::Query HttpRequest::headerTime(const std::string& name, SystemTime& out) const {
    std::string text;
    const Query q = header(name, text);
    if (q != Query::Found) {
        return q;
    }
    const time_t t = curl_getdate(text.c_str(), nullptr);
    tm parts{};
    if (t == -1 || gmtime_r(&t, &parts) == nullptr) {
        return Query::Failed;
    }
    out.year = static_cast<uint16_t>(parts.tm_year + 1900);
    out.month = static_cast<uint16_t>(parts.tm_mon + 1);
    out.dayOfWeek = static_cast<uint16_t>(parts.tm_wday);
    out.day = static_cast<uint16_t>(parts.tm_mday);
    out.hour = static_cast<uint16_t>(parts.tm_hour);
    out.minute = static_cast<uint16_t>(parts.tm_min);
    out.second = static_cast<uint16_t>(std::min(parts.tm_sec, 59));
    out.milliseconds = 0;
    return Query::Found;
}

} // namespace zqp
