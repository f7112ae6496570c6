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
// the capabilities it found at start.
bool loadMasked(Crypto& out) {
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

} // namespace zqbench
