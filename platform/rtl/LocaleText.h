#pragma once
// Text helpers that follow the system locale's rules rather than ASCII.
// Texts are UTF-8 (the code page of the desktop); a byte that does not start
// a valid sequence counts as one character of its own and is left unchanged.
#include "platform/rtl/AnsiString.h"
#include <cstddef>
#include <string_view>

// Lower case by the locale named in LC_ALL, LC_CTYPE or LANG when that is a
// UTF-8 locale, else by the Unicode rules of C.UTF-8 ('Ä' becomes 'ä').
AnsiString AnsiLowerCase(std::string_view text);
// The number of characters (not bytes).
size_t AnsiCharCount(std::string_view text);
// The first count characters, or the whole text when it is shorter.
AnsiString AnsiLeftChars(std::string_view text, size_t count);
