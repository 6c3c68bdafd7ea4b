#include "platform/rtl/AnsiString.h"

AnsiString IntToStr(long long value) { return std::to_string(value); }

static char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
static char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

AnsiString LowerCase(std::string_view text)
{
    AnsiString out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

AnsiString UpperCase(std::string_view text)
{
    AnsiString out(text);
    for (char& c : out)
        c = upperAscii(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

AnsiString Trim(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return AnsiString(text.substr(b, e - b));
}
