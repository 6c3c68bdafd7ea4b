#pragma once
// Single-byte text in the system code page. The class library's string type is
// reference-counted and copy-on-write; std::string gives the same value
// semantics, so the platform uses it directly and adds the helpers the
// components expect.
#include <string>
#include <string_view>

using AnsiString = std::string;

AnsiString IntToStr(long long value);
AnsiString LowerCase(std::string_view text);   // ASCII only, like the runtime's
AnsiString UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
AnsiString Trim(std::string_view text);
