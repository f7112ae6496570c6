// Inside the HTTP service: the client-certificate folder and the search in it.
#pragma once

#include "zq/platform/http/http.h"

#include <string>

namespace zqp {

// $DORVANEX_CERT_DIR, else $XDG_CONFIG_HOME/dorvanex/certs, else ~/.config/dorvanex/certs.
std::string certificateFolder();

// Reads every PEM certificate and private key in the folder's files and picks the certificate
// whose RSA public key (encoded, HTTP_CLIENT_KEY_SIZE bytes) equals key, and the private key
// that belongs to it; both come back as PEM. StoreFailed: the folder cannot be listed;
// NotFound: no such certificate; SetFailed: no private key for it.
HttpRequest::CertResult findClientCertificate(const std::string& folder, const uint8_t* key,
                                              std::string& certPem, std::string& keyPem);

} // namespace zqp
