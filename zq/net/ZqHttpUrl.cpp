#include "zq/net/ZqHttpUrl.h"

#include <algorithm>

namespace {

bool startsWithNoCase(const ZqString& text, const char16_t* const prefix) {
    size_t i = 0;
    for (; prefix[i] != 0; ++i) {
        if (i >= text.size()) {
            return false;
        }
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool zqCrackHttpUrl(const char16_t* const url, ZqHttpUrl& parts) {
    if (url == nullptr) {
        return false;
    }
    const ZqString text(url);
    size_t at = 0;
    if (startsWithNoCase(text, u"https://")) {
        parts.secure = true;
        at = 8;
    } else if (startsWithNoCase(text, u"http://")) {
        parts.secure = false;
        at = 7;
    } else {
        return false;
    }
    const size_t authorityEnd = std::min(text.find_first_of(u"/?#", at), text.size());
    ZqString authority = text.substr(at, authorityEnd - at);
    parts.user.clear();
    parts.password.clear();
    if (const size_t sign = authority.rfind(u'@'); sign != ZqString::npos) {
        const ZqString info = authority.substr(0, sign);
        const size_t colon = info.find(u':');
        parts.user = info.substr(0, colon);
        parts.password = colon == ZqString::npos ? ZqString() : info.substr(colon + 1);
        authority.erase(0, sign + 1);
    }
    // A literal IPv6 host keeps its brackets out of the name; its colons are not the port's.
    size_t portColon = authority.rfind(u':');
    if (!authority.empty() && authority[0] == u'[') {
        const size_t close = authority.find(u']');
        if (close == ZqString::npos) {
            return false;
        }
        parts.host = authority.substr(1, close - 1);
        portColon = close + 1 < authority.size() && authority[close + 1] == u':' ? close + 1
                                                                                 : ZqString::npos;
    } else {
        parts.host = authority.substr(0, portColon);
    }
    parts.port = parts.secure ? 443 : 80;
    if (portColon != ZqString::npos) {
        const ZqString digits = authority.substr(portColon + 1);
        uint32_t port = 0;
        if (digits.empty() || digits.size() > 5) {
            return false;
        }
        for (const char16_t c : digits) {
            if (c < u'0' || c > u'9') {
                return false;
            }
            port = port * 10 + static_cast<uint32_t>(c - u'0');
        }
        if (port == 0 || port > 65535) {
            return false;
        }
        parts.port = static_cast<uint16_t>(port);
    }
    const size_t extraStart = std::min(text.find_first_of(u"?#", authorityEnd), text.size());
    parts.path = text.substr(authorityEnd, extraStart - authorityEnd);
    parts.extra = text.substr(extraStart);
    return !parts.host.empty() && parts.host.size() < ZqHttpUrl::MAX_NAME &&
           parts.user.size() < ZqHttpUrl::MAX_NAME && parts.password.size() < ZqHttpUrl::MAX_NAME &&
           parts.path.size() < ZqHttpUrl::MAX_PATH && parts.extra.size() < ZqHttpUrl::MAX_PATH;
}
