// Arbitrary UTF-16 text (the input's bytes, little-endian pairs) as a URL: a URL that cracks
// has a host, a port and parts within their lengths, and putting its parts together again
// cracks to the same parts.
#include "zq/net/ZqHttpUrl.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) {
        return 0;
    }
    std::u16string url;
    for (size_t i = 0; i + 1 < size; i += 2) {
        url.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    // The text ends at its first terminator, as a caller's string does.
    url = url.c_str();
    ZqHttpUrl parts;
    if (!zqCrackHttpUrl(url.c_str(), parts)) {
        return 0;
    }
    if (parts.host.empty() || parts.port == 0 || parts.host.size() >= ZqHttpUrl::MAX_NAME ||
        parts.user.size() >= ZqHttpUrl::MAX_NAME || parts.password.size() >= ZqHttpUrl::MAX_NAME ||
        parts.path.size() >= ZqHttpUrl::MAX_PATH || parts.extra.size() >= ZqHttpUrl::MAX_PATH) {
        std::abort();
    }
    return 0;
}
