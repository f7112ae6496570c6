#include "TestHttpServer.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace zqtest {

namespace {

constexpr long DAY = 24 * 60 * 60;

std::string bioText(BIO* const bio) {
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(n));
}

std::string pem(X509* const x) {
    BIO* const bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, x);
    std::string text = bioText(bio);
    BIO_free(bio);
    return text;
}

std::string pem(EVP_PKEY* const k) {
    BIO* const bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, k, nullptr, nullptr, 0, nullptr, nullptr);
    std::string text = bioText(bio);
    BIO_free(bio);
    return text;
}

void addExtension(X509* const x, X509* const issuer, const int nid, const char* const value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer != nullptr ? issuer : x, x, nullptr, nullptr, 0);
    X509_EXTENSION* const ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext == nullptr) {
        throw std::runtime_error("extension");
    }
    X509_add_ext(x, ext, -1);
    X509_EXTENSION_free(ext);
}

// A certificate for key, issued by issuer (null: self-signed), valid from..to seconds from now.
X509* makeCert(EVP_PKEY* const key, const char* const cn, const char* const altNames,
               X509* const issuer, EVP_PKEY* const issuerKey, const long from, const long to,
               const bool ca) {
    static long serial = 1;
    X509* const x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial++);
    X509_gmtime_adj(X509_getm_notBefore(x), from);
    X509_gmtime_adj(X509_getm_notAfter(x), to);
    X509_set_pubkey(x, key);
    X509_NAME* const name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn),
                               -1, -1, 0);
    X509_set_issuer_name(x, issuer != nullptr ? X509_get_subject_name(issuer) : name);
    addExtension(x, issuer, NID_subject_key_identifier, "hash");
    if (ca) {
        addExtension(x, issuer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(x, issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(x, issuer, NID_basic_constraints, "CA:FALSE");
        if (issuer != nullptr) {
            addExtension(x, issuer, NID_authority_key_identifier, "keyid");
        }
    }
    if (altNames != nullptr) {
        addExtension(x, issuer, NID_subject_alt_name, altNames);
    }
    X509_sign(x, issuerKey != nullptr ? issuerKey : key, EVP_sha256());
    return x;
}

std::vector<uint8_t> rsaKeyBits(EVP_PKEY* const key) {
    unsigned char* out = nullptr;
    const int n = i2d_PublicKey(key, &out);
    std::vector<uint8_t> bytes(out, out + (n > 0 ? n : 0));
    OPENSSL_free(out);
    return bytes;
}

bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

} // namespace

const TestPki& TestPki::get() {
    static const TestPki pki = [] {
        TestPki p;
        EVP_PKEY* const caKey = EVP_RSA_gen(2048);
        EVP_PKEY* const leafKey = EVP_RSA_gen(2048);
        X509* const ca =
            makeCert(caKey, "Test CA", nullptr, nullptr, nullptr, -DAY, 30 * DAY, true);
        p.caCert = pem(ca);
        const auto leaf = [&](const char* cn, const char* alt, long from, long to) {
            X509* const x = makeCert(leafKey, cn, alt, ca, caKey, from, to, false);
            PemPair pair{pem(x), pem(leafKey)};
            X509_free(x);
            return pair;
        };
        p.server = leaf("127.0.0.1", "IP:127.0.0.1,DNS:localhost", -DAY, 30 * DAY);
        p.wrongHost = leaf("other.invalid", "DNS:other.invalid", -DAY, 30 * DAY);
        p.expired = leaf("127.0.0.1", "IP:127.0.0.1,DNS:localhost", -2 * DAY, -DAY);
        p.client = leaf("client", nullptr, -DAY, 30 * DAY);
        X509* const self =
            makeCert(leafKey, "client", nullptr, nullptr, nullptr, -DAY, 30 * DAY, false);
        p.clientSelf = PemPair{pem(self), pem(leafKey)};
        X509_free(self);
        p.clientKey = rsaKeyBits(leafKey);
        p.otherKey = rsaKeyBits(caKey);
        X509_free(ca);
        EVP_PKEY_free(leafKey);
        EVP_PKEY_free(caKey);
        return p;
    }();
    return pki;
}

std::string HttpRequestSeen::header(const std::string& name) const {
    for (const auto& [n, v] : headers) {
        if (sameNoCase(n, name)) {
            return v;
        }
    }
    return {};
}

bool HttpRequestSeen::has(const std::string& name) const {
    for (const auto& h : headers) {
        if (sameNoCase(h.first, name)) {
            return true;
        }
    }
    return false;
}

std::string TestHttpServer::answer(const std::string& status, const std::string& headers,
                                   const std::string& body) {
    std::string text = "HTTP/1.1 " + status + "\r\n" + headers;
    if (headers.find("Content-Length:") == std::string::npos) {
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

TestHttpServer::TestHttpServer(const PemPair* const tls, const bool requireClientCert,
                               Handler handler)
    : m_tls(tls), m_requireClientCert(requireClientCert), m_handler(std::move(handler)) {
    std::signal(SIGPIPE, SIG_IGN);
    if (m_tls != nullptr) {
        SSL_CTX* const ctx = SSL_CTX_new(TLS_server_method());
        BIO* const certBio =
            BIO_new_mem_buf(m_tls->cert.data(), static_cast<int>(m_tls->cert.size()));
        X509* const cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
        BIO* const keyBio = BIO_new_mem_buf(m_tls->key.data(), static_cast<int>(m_tls->key.size()));
        EVP_PKEY* const key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
        SSL_CTX_use_certificate(ctx, cert);
        SSL_CTX_use_PrivateKey(ctx, key);
        X509_free(cert);
        EVP_PKEY_free(key);
        BIO_free(certBio);
        BIO_free(keyBio);
        if (m_requireClientCert) {
            const std::string& caText = TestPki::get().caCert;
            BIO* const caBio = BIO_new_mem_buf(caText.data(), static_cast<int>(caText.size()));
            X509* const ca = PEM_read_bio_X509(caBio, nullptr, nullptr, nullptr);
            X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx), ca);
            X509_free(ca);
            BIO_free(caBio);
            SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        }
        m_ctx = ctx;
    }
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        throw std::runtime_error("test server cannot listen");
    }
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { run(); });
}

TestHttpServer::~TestHttpServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
    SSL_CTX_free(static_cast<SSL_CTX*>(m_ctx));
}

std::vector<HttpRequestSeen> TestHttpServer::requests() const {
    const std::lock_guard<std::mutex> hold(m_mutex);
    return m_requests;
}

void TestHttpServer::run() {
    while (!m_stop) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0) {
            continue;
        }
        const int c = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
            serve(c);
            ::close(c);
        }
    }
}

void TestHttpServer::serve(const int socket) {
    timeval limit{2, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    SSL* ssl = nullptr;
    if (m_ctx != nullptr) {
        ssl = SSL_new(static_cast<SSL_CTX*>(m_ctx));
        SSL_set_fd(ssl, socket);
        if (SSL_accept(ssl) != 1) {
            SSL_free(ssl);
            ERR_clear_error();
            return;
        }
    }
    const auto readSome = [&](char* buffer, int size) {
        return ssl != nullptr ? SSL_read(ssl, buffer, size)
                              : static_cast<int>(::recv(socket, buffer, size, 0));
    };
    const auto writeAll = [&](const std::string& bytes) {
        size_t at = 0;
        while (at < bytes.size()) {
            const int n =
                ssl != nullptr
                    ? SSL_write(ssl, bytes.data() + at, static_cast<int>(bytes.size() - at))
                    : static_cast<int>(
                          ::send(socket, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL));
            if (n <= 0) {
                return;
            }
            at += static_cast<size_t>(n);
        }
    };

    std::string text;
    size_t end = std::string::npos;
    char buffer[4096];
    while ((end = text.find("\r\n\r\n")) == std::string::npos && text.size() < 65536) {
        const int n = readSome(buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    if (end != std::string::npos) {
        HttpRequestSeen seen;
        seen.hadClientCert = ssl != nullptr && SSL_get0_peer_certificate(ssl) != nullptr;
        const std::string head = text.substr(0, end);
        size_t lineEnd = head.find("\r\n");
        const std::string first = head.substr(0, lineEnd);
        const size_t sp1 = first.find(' ');
        const size_t sp2 = first.find(' ', sp1 + 1);
        seen.method = first.substr(0, sp1);
        seen.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
        while (lineEnd != std::string::npos) {
            const size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line = head.substr(start, lineEnd - start);
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                const size_t v = line.find_first_not_of(' ', colon + 1);
                seen.headers.emplace_back(line.substr(0, colon),
                                          v == std::string::npos ? "" : line.substr(v));
            }
        }
        seen.body = text.substr(end + 4);
        const size_t want = seen.has("Content-Length")
                                ? static_cast<size_t>(std::stoul(seen.header("Content-Length")))
                                : 0;
        while (seen.body.size() < want) {
            const int n = readSome(buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            seen.body.append(buffer, static_cast<size_t>(n));
        }
        {
            const std::lock_guard<std::mutex> hold(m_mutex);
            m_requests.push_back(seen);
        }
        const HttpReply reply = m_handler(seen);
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.delayMs);
        while (!m_stop && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!m_stop) {
            writeAll(reply.bytes);
        }
    }
    if (ssl != nullptr) {
        SSL_shutdown(ssl);
        SSL_free(ssl);
    }
    ERR_clear_error();
}

} // namespace zqtest
