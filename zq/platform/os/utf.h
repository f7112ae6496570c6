// Minimal UTF-8 <-> UTF-16 conversion for the platform layer's own use (names handed to
// the libraries below it). Invalid sequences become U+FFFD; nothing is read past the end.
#pragma once

#include <string>
#include <string_view>

namespace zqp {

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);
// Length of a 0-terminated UTF-16 string; 0 for null.
size_t utf16Length(const char16_t* text);

} // namespace zqp
