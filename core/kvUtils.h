// Platform services the library needs from the system: the process code page (the
// "ANSI" code page that decides how document text strings are stored) and the screen
// resolution used by pixel measures.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// The process code page. Derived once from the locale's codeset (UTF-8 gives 65001,
// ISO-8859-1, C and POSIX give 1252, KOI8 and CP125x give their numbers); a host or a
// test may set it.
int GetACP();
void SetACP(int codePage);
// The codeset iconv uses for a code page ("CP1252", "UTF-8", ...).
std::string CodePageCharset(int codePage);
// Code page number of a locale codeset name (nl_langinfo(CODESET)).
int CodePageFromCharset(std::string_view charset);

// Conversions between process code page text and UTF-16 code units (host order).
// Characters the target cannot hold become "?".
std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);
// UTF-16 code units to UTF-8 (an unpaired surrogate is written as it stands).
std::string Utf16ToUtf8(std::u16string_view text);
// Process code page text to UTF-8, for terminals and JSON.
std::string AnsiToUtf8(std::string_view text);

// Logical screen pixels per inch: 96 unless set.
int ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int ppi);

}  // namespace kv
