// The framework's strings and the conversions between them: ZqString holds UTF-16 code units
// (the text of every interface), ZqStringMb UTF-8 bytes (file formats and narrow interfaces).
// Also trimming of blanks. No state; any thread. Ill-formed input converts with U+FFFD in
// place of what cannot be decoded.
#pragma once

#include <cstddef>
#include <string>

using ZqString = std::u16string;
using ZqStringMb = std::string;

// UTF-16 to UTF-8. length: units to convert, or -1 for a 0-terminated text. The output gets
// the converted text up to its first 0. Returns the bytes converted (with -1 the terminator
// counts), or 0 with an empty output when there is nothing to convert or memory runs out.
int zqChar2Utf8(const char16_t* text, int length, ZqStringMb& out);
// UTF-8 to UTF-16, with the same rules; returns the UTF-16 units converted.
int zqUtf82Char(const char* text, int length, ZqString& out);
// One conversion from UTF-16 to UTF-8 into the caller's buffer (length -1: through the
// terminator, which is then written too). Returns the bytes written; 0 when the result does
// not fit `size` bytes or there is nothing to convert (the buffer is then left untouched).
int zqChar2Utf8Body(const char16_t* text, int length, char* buffer, size_t size);

// Copies source without leading and trailing blanks (tab, line feed, carriage return, space)
// into destination, whose size counts characters with the terminator. Returns 0, or 22 for a
// null argument or a size of 0, or 34 when the trimmed text does not fit (the destination is
// then left empty). Source and destination may overlap.
int zqStrtrim(char16_t* destination, size_t size, const char16_t* source);
