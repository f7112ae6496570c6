// OpenSSL's libcrypto as a benchmark peer, in two copies: the linked one (its hardware paths)
// and a second one loaded in its own link-map namespace with every capability bit masked
// through OPENSSL_ia32cap (its portable integer code).
#pragma once

#include <openssl/evp.h>

namespace zqbench {

// The slice of libcrypto's interface the benchmarks use, reachable in either copy.
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

// Loads the masked copy; false (with a note on stderr) when it cannot be loaded.
bool loadMasked(Crypto& out);

} // namespace zqbench
