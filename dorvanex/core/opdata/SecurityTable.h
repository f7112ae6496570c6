// The ranking connection's security table: one row per configured ranking server (0 test,
// 1 production), each {security flags, public key of the client certificate}. The ranking
// client hands the row of the selected server to the HTTP connection, which picks the client
// certificate whose public key this is.
#pragma once

#include <cstdint>

// Accept a server certificate whose name does not match the host.
constexpr uint32_t SECURITY_IGNORE_CERT_NAME = 0x1000;
// A 2048-bit RSA public key in DER form.
constexpr uint32_t CLIENT_KEY_SIZE = 270;

struct SecurityRow {
    uint32_t flags;
    const uint8_t* clientKey; // CLIENT_KEY_SIZE bytes
};

extern const SecurityRow RANKING_SECURITY_TABLE[2];
