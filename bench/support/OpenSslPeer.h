// OpenSSL's libcrypto as a benchmark peer, as linked: its hardware paths, or its portable code
// in the masked child of MaskedPeer.h.
#pragma once

#include <openssl/evp.h>
#include <openssl/provider.h>

namespace zqbench {

// The slice of libcrypto's interface the benchmarks use.
struct Crypto {
    EVP_MD* (*mdFetch)(OSSL_LIB_CTX*, const char*, const char*);
    void (*mdFree)(EVP_MD*);
    EVP_MD_CTX* (*ctxNew)();
    void (*ctxFree)(EVP_MD_CTX*);
    int (*init)(EVP_MD_CTX*, const EVP_MD*, const OSSL_PARAM*);
    int (*update)(EVP_MD_CTX*, const void*, size_t);
    int (*final)(EVP_MD_CTX*, unsigned char*, unsigned int*);
    int (*digest)(const void*, size_t, unsigned char*, unsigned int*, const EVP_MD*, ENGINE*);
};

extern const Crypto LINKED;

// The slice of the cipher interface; providerLoad brings in "legacy"
// (Blowfish) beside "default".
struct Ciphers {
    EVP_CIPHER* (*cipherFetch)(OSSL_LIB_CTX*, const char*, const char*);
    void (*cipherFree)(EVP_CIPHER*);
    EVP_CIPHER_CTX* (*ctxNew)();
    void (*ctxFree)(EVP_CIPHER_CTX*);
    int (*init)(EVP_CIPHER_CTX*, const EVP_CIPHER*, const unsigned char*, const unsigned char*, int,
                const OSSL_PARAM*);
    int (*setPadding)(EVP_CIPHER_CTX*, int);
    int (*update)(EVP_CIPHER_CTX*, unsigned char*, int*, const unsigned char*, int);
    OSSL_PROVIDER* (*providerLoad)(OSSL_LIB_CTX*, const char*);
};

extern const Ciphers LINKED_CIPHERS;

} // namespace zqbench
