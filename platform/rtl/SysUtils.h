#pragma once
#include "platform/rtl/AnsiString.h"
#include <cstdint>

// printf-style formatting into an AnsiString (no fixed-size buffer).
AnsiString Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// An optional sign and decimal digits that fit a signed 32-bit integer, and
// nothing else (no blanks, no hex); anything else raises EConvertError
// "'%s' is not a valid integer value".
int32_t StrToInt(const AnsiString& text);
// The same test without raising.
bool TryStrToInt(const AnsiString& text, int32_t& value);

// The user's decimal separator: LC_NUMERIC of the environment (LC_ALL, then
// LC_NUMERIC, then LANG), read each call, without touching the process locale.
char SystemDecimalSeparator();
