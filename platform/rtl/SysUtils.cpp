#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Exceptions.h"
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

AnsiString Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    AnsiString out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed));
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

bool TryStrToInt(const AnsiString& text, int32_t& value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL)
            return false;
    }
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX || signedValue < INT32_MIN)
        return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

int32_t StrToInt(const AnsiString& text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(Format("'%s' is not a valid integer value", text.c_str()));
    return value;
}

char SystemDecimalSeparator()
{
    const char* name = nullptr;
    for (const char* var : { "LC_ALL", "LC_NUMERIC", "LANG" }) {
        const char* v = std::getenv(var);
        if (v && *v) {
            name = v;
            break;
        }
    }
    if (!name)
        return '.';
    locale_t loc = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (!loc)
        return '.';
    const char* sep = nl_langinfo_l(RADIXCHAR, loc);
    char result = (sep && sep[0] && !sep[1]) ? sep[0] : '.';
    freelocale(loc);
    return result;
}
