#include "platform/rtl/LocaleText.h"
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

namespace {

// Length of the UTF-8 sequence at text[i] and its code point; 0 when the
// bytes there are not a well-formed sequence.
size_t DecodeOne(std::string_view text, size_t i, char32_t& cp)
{
    auto b = static_cast<unsigned char>(text[i]);
    size_t len;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void Encode(char32_t cp, AnsiString& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

locale_t LoadCaseLocale()
{
    for (const char* var : { "LC_ALL", "LC_CTYPE", "LANG" }) {
        const char* name = std::getenv(var);
        if (!name || !*name)
            continue;
        locale_t loc = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
        if (loc) {
            const char* codeset = nl_langinfo_l(CODESET, loc);
            if (codeset && std::strcmp(codeset, "UTF-8") == 0)
                return loc;
            freelocale(loc);
        }
        break;
    }
    // The texts are UTF-8 whatever the environment says; C.UTF-8 knows the
    // Unicode case pairs where the plain C locale knows only ASCII.
    return newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
}

locale_t CaseLocale()
{
    static locale_t loc = LoadCaseLocale();
    return loc;
}

}

AnsiString AnsiLowerCase(std::string_view text)
{
    locale_t loc = CaseLocale();
    AnsiString out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        size_t len = DecodeOne(text, i, cp);
        if (len == 0) {
            out += text[i++];
            continue;
        }
        if (loc)
            Encode(static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc)), out);
        else if (cp >= 'A' && cp <= 'Z')
            out += static_cast<char>(cp + ('a' - 'A'));
        else
            out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

size_t AnsiCharCount(std::string_view text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        char32_t cp;
        size_t len = DecodeOne(text, i, cp);
        i += len ? len : 1;
    }
    return count;
}

AnsiString AnsiLeftChars(std::string_view text, size_t count)
{
    size_t i = 0;
    for (size_t n = 0; n < count && i < text.size(); ++n) {
        char32_t cp;
        size_t len = DecodeOne(text, i, cp);
        i += len ? len : 1;
    }
    return AnsiString(text.substr(0, i));
}
