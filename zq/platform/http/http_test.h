// Test hook of the HTTP service: tests trust a certificate authority of their own making.
#pragma once

#include <string>

namespace zqp {

// Certificates of HTTPS servers are checked against the authorities in this PEM file instead
// of the system's; empty restores the system's.
void httpSetTrustedCaFile(const std::string& path);

} // namespace zqp
