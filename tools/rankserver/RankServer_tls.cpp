// The ranking server's certificates: a CA and a server certificate for 127.0.0.1 and
// localhost, made once in the state folder, and the client certificate it trusts.
#include "tools/rankserver/RankServer_internal.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace rankserver {

namespace {

constexpr long DAY = 24 * 60 * 60;
constexpr long VALID_DAYS = 3650;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string bioText(BIO* const bio) {
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(n));
}

std::string pemOf(X509* const x) {
    BIO* const bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, x);
    std::string text = bioText(bio);
    BIO_free(bio);
    return text;
}

std::string pemOf(EVP_PKEY* const k) {
    BIO* const bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, k, nullptr, nullptr, 0, nullptr, nullptr);
    std::string text = bioText(bio);
    BIO_free(bio);
    return text;
}

void addExtension(X509* const x, X509* const issuer, const int nid, const char* const value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, x, nullptr, nullptr, 0);
    X509_EXTENSION* const ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext == nullptr) {
        throw std::runtime_error("certificate extension");
    }
    X509_add_ext(x, ext, -1);
    X509_EXTENSION_free(ext);
}

X509* makeCert(EVP_PKEY* const key, const char* const cn, const std::string& altNames,
               X509* const issuer, EVP_PKEY* const issuerKey, const long serial) {
    X509* const x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial);
    X509_gmtime_adj(X509_getm_notBefore(x), -DAY);
    X509_gmtime_adj(X509_getm_notAfter(x), VALID_DAYS * DAY);
    X509_set_pubkey(x, key);
    X509_NAME* const name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn),
                               -1, -1, 0);
    X509* const by = issuer != nullptr ? issuer : x;
    X509_set_issuer_name(x, X509_get_subject_name(by));
    addExtension(x, by, NID_subject_key_identifier, "hash");
    if (issuer == nullptr) {
        addExtension(x, by, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(x, by, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(x, by, NID_basic_constraints, "CA:FALSE");
        addExtension(x, by, NID_authority_key_identifier, "keyid");
        addExtension(x, by, NID_subject_alt_name, altNames.c_str());
        addExtension(x, by, NID_ext_key_usage, "serverAuth");
    }
    X509_sign(x, issuerKey != nullptr ? issuerKey : key, EVP_sha256());
    return x;
}

// Makes ca.pem, server.pem and server-key.pem in the folder, the server's for the name given
// (empty: 127.0.0.1 and localhost).
void makeCertificates(const fs::path& dir, const std::string& name) {
    EVP_PKEY* const caKey = EVP_RSA_gen(2048);
    EVP_PKEY* const serverKey = EVP_RSA_gen(2048);
    if (caKey == nullptr || serverKey == nullptr) {
        throw std::runtime_error("cannot make keys");
    }
    X509* const ca = makeCert(caKey, "zqrankserver local CA", {}, nullptr, nullptr, 1);
    X509* const server =
        name.empty() ? makeCert(serverKey, "127.0.0.1", "IP:127.0.0.1,DNS:localhost", ca, caKey, 2)
                     : makeCert(serverKey, name.c_str(), "DNS:" + name, ca, caKey, 2);
    writeText(dir / "server-key.pem", pemOf(serverKey));
    fs::permissions(dir / "server-key.pem", fs::perms::owner_read | fs::perms::owner_write);
    writeText(dir / "server.pem", pemOf(server));
    // Written last: its presence says the set is whole.
    writeText(dir / "ca.pem", pemOf(ca));
    X509_free(server);
    X509_free(ca);
    EVP_PKEY_free(serverKey);
    EVP_PKEY_free(caKey);
}

X509* readCert(const std::string& text) {
    BIO* const bio = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
    X509* const x = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return x;
}

SSL_CTX* makeContext(const fs::path& dir, X509* const trusted) {
    SSL_CTX* const ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr ||
        SSL_CTX_use_certificate_file(ctx, (dir / "server.pem").c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, (dir / "server-key.pem").c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(ctx);
        throw std::runtime_error("cannot load the server certificate from " + dir.string());
    }
    if (trusted != nullptr) {
        X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx), trusted);
    }
    // A self-signed client certificate is its own authority: trusted as such, nothing else.
    X509_VERIFY_PARAM_set_flags(SSL_CTX_get0_param(ctx), X509_V_FLAG_PARTIAL_CHAIN);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    return ctx;
}

} // namespace

void setUpTls(RankServer::Impl& impl) {
    const fs::path dir = impl.options.stateDir;
    if (!fs::exists(dir / "ca.pem") || !fs::exists(dir / "server.pem") ||
        !fs::exists(dir / "server-key.pem")) {
        makeCertificates(dir, impl.options.serverName);
    }
    impl.caFile = (dir / "ca.pem").string();
    const std::string clientFile = !impl.options.clientCertFile.empty()
                                       ? impl.options.clientCertFile
                                       : std::string(ZQ_DEVELOPMENT_CLIENT_CERT);
    X509* const client = readCert(readText(clientFile));
    if (client == nullptr) {
        throw std::runtime_error("cannot read the client certificate " + clientFile);
    }
    try {
        impl.ctx = makeContext(dir, client);
        impl.refusingCtx = makeContext(dir, nullptr);
    } catch (...) {
        X509_free(client);
        freeTls(impl);
        throw;
    }
    X509_free(client);
    ERR_clear_error();
}

void freeTls(RankServer::Impl& impl) {
    SSL_CTX_free(static_cast<SSL_CTX*>(impl.ctx));
    SSL_CTX_free(static_cast<SSL_CTX*>(impl.refusingCtx));
    impl.ctx = nullptr;
    impl.refusingCtx = nullptr;
}

} // namespace rankserver
