// Bounded formatting of UTF-16 text with the wide-format rules the framework's callers were
// written for: in a wide format %s and %c take wide (char16_t) arguments, %hs/%S and %hc/%C
// narrow ones (narrow strings are UTF-8), %ls/%ws and %lc/%wc wide ones; integer sizes hh, h,
// l, ll, j, z, t, I, I32, I64; %p prints the pointer as 16 upper-case hex digits; a null string
// prints "(null)". %n is refused. Plain code: no locale, no platform call; any thread.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats into buffer, writing at most size - 1 characters and always a terminator. Returns
// the number of characters written (terminator not counted), or -1 when the text had to be cut
// or the format is invalid (the buffer then holds the cut text, or is empty for an invalid
// format). A null buffer, a size of 0 or a null format gives -1 and writes nothing.
int zqSprintf(char16_t* buffer, size_t size, const char16_t* format, ...);
// The same with an argument list, which is left as it was (the function works on a copy).
int zqVsprintf(char16_t* buffer, size_t size, const char16_t* format, va_list args);
