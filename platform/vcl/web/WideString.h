#pragma once
// Wide text as the document interfaces hand it out: UTF-16 code units.
// Conversions to and from single-byte text use the desktop's code page,
// UTF-8; what cannot be converted (a lone surrogate, a broken byte sequence)
// becomes U+FFFD rather than being dropped silently.
#include "platform/rtl/AnsiString.h"
#include <string>
#include <string_view>

using WideString = std::u16string;

WideString Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// The system code page is the desktop's, UTF-8.
inline WideString AnsiToWide(std::string_view text) { return Utf8ToWide(text); }
inline AnsiString WideToAnsi(std::u16string_view text) { return WideToUtf8(text); }

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);
// Reads one UTF-8 sequence at text[pos] and advances pos; a broken or
// overlong sequence yields U+FFFD for its first byte only.
char32_t DecodeUtf8(std::string_view text, size_t& pos);
