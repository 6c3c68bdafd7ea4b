#pragma once
// Number texts for the formula parsers: reading the leading decimal number of
// a text, the canonical text of a value, significant digits for output, and
// the user's decimal separator. Nothing here depends on the process locale.
#include "platform/rtl/AnsiString.h"
#include <string_view>

namespace DecimalText {

struct Reading {
    bool found { false };       // the text starts with a number
    bool outOfRange { false };  // its magnitude is beyond the target type
    long double value { 0 };
};

// Reads the leading number of text: white space, an optional sign, digits
// with an optional decimal mark and fraction (at least one digit in all), an
// optional exponent ("e" or "E", optional sign, digits). Reading stops at the
// first character that does not fit. Correctly rounded to extended precision.
Reading ReadLongDouble(std::string_view text, char mark);

// The same grammar, rounded to double precision.
Reading ReadDouble(std::string_view text, char mark);

// The general format with 15 significant digits: fixed notation for
// 0.0001 <= |value| < 1E15, else "1.5E-7" style; no trailing zeros, no "+".
AnsiString CanonicalText(double value, char separator);

// |value| rounded to `digits` significant decimal digits (1 to 17), written
// into digitsOut, with pointPosition such that |value| = 0.d1d2..dn * 10^P.
// Values beyond the double range keep their extended-precision digits.
void SignificantDigits(long double value, int digits, AnsiString& digitsOut, int& pointPosition);

// The user's decimal separator from LC_NUMERIC of the environment, re-read on
// every call; the locale lookup runs again only when the relevant variables
// (LC_ALL, LC_NUMERIC, LANG, LOCPATH) changed since the last call.
char SystemSeparator();

}
