// The client-certificate folder: PEM files of certificates and private keys, searched by the
// certificate's RSA public key.
#include "zq/platform/http/http_internal.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

namespace zqp {

namespace {

// Files larger than this are not certificates or keys; they are skipped unread.
constexpr std::uintmax_t MAX_FILE_BYTES = 1u << 20;

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

// Encrypted keys are skipped: there is nobody to ask for a pass phrase.
int noPassphrase(char*, int, int, void*) {
    return 0;
}

// True when the certificate's key is RSA (without parameters, or with the customary NULL)
// and its key bits are exactly the given bytes.
bool keyMatches(X509* const cert, const uint8_t* const key) {
    const X509_PUBKEY* const pub = X509_get_X509_PUBKEY(cert);
    ASN1_OBJECT* algorithm = nullptr;
    const unsigned char* bits = nullptr;
    int length = 0;
    X509_ALGOR* parameters = nullptr;
    if (pub == nullptr ||
        X509_PUBKEY_get0_param(&algorithm, &bits, &length, &parameters, pub) != 1) {
        return false;
    }
    if (OBJ_obj2nid(algorithm) != NID_rsaEncryption) {
        return false;
    }
    if (parameters != nullptr) {
        int type = V_ASN1_UNDEF;
        X509_ALGOR_get0(nullptr, &type, nullptr, parameters);
        if (type != V_ASN1_UNDEF && type != V_ASN1_NULL) {
            return false;
        }
    }
    return length == static_cast<int>(HTTP_CLIENT_KEY_SIZE) &&
           std::memcmp(bits, key, HTTP_CLIENT_KEY_SIZE) == 0;
}

std::string toPem(X509* const cert) {
    const BioPtr out(BIO_new(BIO_s_mem()));
    if (!out || PEM_write_bio_X509(out.get(), cert) != 1) {
        return {};
    }
    char* data = nullptr;
    const long n = BIO_get_mem_data(out.get(), &data);
    return n > 0 ? std::string(data, static_cast<size_t>(n)) : std::string();
}

std::string toPem(EVP_PKEY* const key) {
    const BioPtr out(BIO_new(BIO_s_mem()));
    if (!out ||
        PEM_write_bio_PrivateKey(out.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        return {};
    }
    char* data = nullptr;
    const long n = BIO_get_mem_data(out.get(), &data);
    return n > 0 ? std::string(data, static_cast<size_t>(n)) : std::string();
}

} // namespace

std::string certificateFolder() {
    if (const char* const dir = std::getenv("DORVANEX_CERT_DIR"); dir != nullptr && *dir != 0) {
        return dir;
    }
    if (const char* const config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && *config != 0) {
        return std::string(config) + "/dorvanex/certs";
    }
    const char* const home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/dorvanex/certs";
}

HttpRequest::CertResult findClientCertificate(const std::string& folder, const uint8_t* const key,
                                              std::string& certPem, std::string& keyPem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        return HttpRequest::CertResult::StoreFailed;
    }
    X509Ptr match;
    std::vector<PkeyPtr> keys;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return HttpRequest::CertResult::StoreFailed;
        }
        const fs::directory_entry& entry = *it;
        std::error_code sizeError;
        if (!entry.is_regular_file(sizeError) || entry.file_size(sizeError) > MAX_FILE_BYTES ||
            sizeError) {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        if (text.empty()) {
            continue;
        }
        {
            const BioPtr bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
            while (bio && !match) {
                X509Ptr cert(PEM_read_bio_X509(bio.get(), nullptr, &noPassphrase, nullptr));
                if (!cert) {
                    break;
                }
                if (keyMatches(cert.get(), key)) {
                    match = std::move(cert);
                }
            }
        }
        {
            const BioPtr bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
            while (bio) {
                PkeyPtr k(PEM_read_bio_PrivateKey(bio.get(), nullptr, &noPassphrase, nullptr));
                if (!k) {
                    break;
                }
                keys.push_back(std::move(k));
            }
        }
        ERR_clear_error();
    }
    ERR_clear_error();
    if (!match) {
        return HttpRequest::CertResult::NotFound;
    }
    for (const PkeyPtr& k : keys) {
        if (X509_check_private_key(match.get(), k.get()) == 1) {
            certPem = toPem(match.get());
            keyPem = toPem(k.get());
            ERR_clear_error();
            return certPem.empty() || keyPem.empty() ? HttpRequest::CertResult::SetFailed
                                                     : HttpRequest::CertResult::Ok;
        }
    }
    ERR_clear_error();
    return HttpRequest::CertResult::SetFailed;
}

} // namespace zqp
