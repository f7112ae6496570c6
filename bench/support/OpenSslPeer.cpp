#include "bench/support/OpenSslPeer.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace zqbench {

const Crypto LINKED = {&EVP_MD_fetch,       &EVP_MD_free,        &EVP_MD_CTX_new,
                       &EVP_MD_CTX_free,    &EVP_DigestInit_ex2, &EVP_DigestUpdate,
                       &EVP_DigestFinal_ex, &EVP_Digest};

// The second copy runs its capability probe again, now under the mask; the linked copy keeps
// the capabilities it found at start. Loaded once, shared by every slice.
static void* openMasked() {
    static void* const handle = [] {
        const char* const before = std::getenv("OPENSSL_ia32cap");
        const std::string saved = before != nullptr ? before : "";
        setenv("OPENSSL_ia32cap", "~0xFFFFFFFFFFFFFFFF:~0xFFFFFFFFFFFFFFFF", 1);
        void* const lib = dlmopen(LM_ID_NEWLM, "libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
        if (before != nullptr) {
            setenv("OPENSSL_ia32cap", saved.c_str(), 1);
        } else {
            unsetenv("OPENSSL_ia32cap");
        }
        if (lib == nullptr) {
            std::fprintf(stderr, "no masked libcrypto: %s\n", dlerror());
        }
        return lib;
    }();
    return handle;
}

bool loadMasked(Crypto& out) {
    void* const lib = openMasked();
    if (lib == nullptr) {
        return false;
    }
    const auto sym = [lib](const char* name) { return dlsym(lib, name); };
    out.mdFetch = reinterpret_cast<decltype(out.mdFetch)>(sym("EVP_MD_fetch"));
    out.mdFree = reinterpret_cast<decltype(out.mdFree)>(sym("EVP_MD_free"));
    out.ctxNew = reinterpret_cast<decltype(out.ctxNew)>(sym("EVP_MD_CTX_new"));
    out.ctxFree = reinterpret_cast<decltype(out.ctxFree)>(sym("EVP_MD_CTX_free"));
    out.init = reinterpret_cast<decltype(out.init)>(sym("EVP_DigestInit_ex2"));
    out.update = reinterpret_cast<decltype(out.update)>(sym("EVP_DigestUpdate"));
    out.final = reinterpret_cast<decltype(out.final)>(sym("EVP_DigestFinal_ex"));
    out.digest = reinterpret_cast<decltype(out.digest)>(sym("EVP_Digest"));
    return out.mdFetch && out.mdFree && out.ctxNew && out.ctxFree && out.init && out.update &&
           out.final && out.digest;
}

const Ciphers LINKED_CIPHERS = {&EVP_CIPHER_fetch,   &EVP_CIPHER_free,
                                &EVP_CIPHER_CTX_new, &EVP_CIPHER_CTX_free,
                                &EVP_CipherInit_ex2, &EVP_CIPHER_CTX_set_padding,
                                &EVP_CipherUpdate,   &OSSL_PROVIDER_load};

bool loadMaskedCiphers(Ciphers& out) {
    void* const lib = openMasked();
    if (lib == nullptr) {
        return false;
    }
    const auto sym = [lib](const char* name) { return dlsym(lib, name); };
    out.cipherFetch = reinterpret_cast<decltype(out.cipherFetch)>(sym("EVP_CIPHER_fetch"));
    out.cipherFree = reinterpret_cast<decltype(out.cipherFree)>(sym("EVP_CIPHER_free"));
    out.ctxNew = reinterpret_cast<decltype(out.ctxNew)>(sym("EVP_CIPHER_CTX_new"));
    out.ctxFree = reinterpret_cast<decltype(out.ctxFree)>(sym("EVP_CIPHER_CTX_free"));
    out.init = reinterpret_cast<decltype(out.init)>(sym("EVP_CipherInit_ex2"));
    out.setPadding = reinterpret_cast<decltype(out.setPadding)>(sym("EVP_CIPHER_CTX_set_padding"));
    out.update = reinterpret_cast<decltype(out.update)>(sym("EVP_CipherUpdate"));
    out.providerLoad = reinterpret_cast<decltype(out.providerLoad)>(sym("OSSL_PROVIDER_load"));
    return out.cipherFetch && out.cipherFree && out.ctxNew && out.ctxFree && out.init &&
           out.setPadding && out.update && out.providerLoad;
}

} // namespace zqbench
