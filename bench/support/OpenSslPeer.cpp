#include "bench/support/OpenSslPeer.h"

namespace zqbench {

const Crypto LINKED = {&EVP_MD_fetch,       &EVP_MD_free,        &EVP_MD_CTX_new,
                       &EVP_MD_CTX_free,    &EVP_DigestInit_ex2, &EVP_DigestUpdate,
                       &EVP_DigestFinal_ex, &EVP_Digest};

const Ciphers LINKED_CIPHERS = {&EVP_CIPHER_fetch,   &EVP_CIPHER_free,
                                &EVP_CIPHER_CTX_new, &EVP_CIPHER_CTX_free,
                                &EVP_CipherInit_ex2, &EVP_CIPHER_CTX_set_padding,
                                &EVP_CipherUpdate,   &OSSL_PROVIDER_load};

} // namespace zqbench
