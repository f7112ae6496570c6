// Splitting an HTTP(S) URL into the parts a request is made of. Plain code; any thread.
#pragma once

#include "zq/system/ZqString.h"

#include <cstdint>

struct ZqHttpUrl {
    // Longest part, terminator counted: names and credentials, path and extra information.
    static constexpr size_t MAX_NAME = 128;
    static constexpr size_t MAX_PATH = 256;

    bool secure = false;
    ZqString host;
    uint16_t port = 0;
    ZqString user;
    ZqString password;
    // From the first '/' after the host up to '?' or '#'; may be empty.
    ZqString path;
    // From '?' or '#' to the end.
    ZqString extra;
};

// "http[s]://[user[:password]@]host[:port][path][extra]"; the scheme case-insensitive, the
// port 80 or 443 when not given. False for another scheme, an empty host, a port that is not
// 1..65535, or a part that does not fit its length. Nothing is decoded.
bool zqCrackHttpUrl(const char16_t* url, ZqHttpUrl& parts);
