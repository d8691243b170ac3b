// Conversions between wide text (UTF-16) and 8-bit text.
//
// 8-bit text is in the system code page (the ANSI code page on Windows; Latin-1 as the
// host's stand-in). Characters the code page cannot hold become "?". UTF-8 serves
// host files, tools and tests: malformed UTF-8 (overlong forms, encoded surrogates,
// values past U+10FFFF, cut-off sequences, stray bytes) and unpaired surrogates
// become U+FFFD.
#pragma once

#include <string>
#include <string_view>

std::u16string AnsiToWide(std::string_view s);
std::string WideToAnsi(std::u16string_view s);

std::u16string Utf8ToWide(std::string_view s);
std::string WideToUtf8(std::u16string_view s);
