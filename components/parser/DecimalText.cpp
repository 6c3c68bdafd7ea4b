#include "components/parser/DecimalText.h"
#include "platform/rtl/SysUtils.h"
#include <cerrno>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

extern char** environ;

namespace DecimalText {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Where the parts of a number lie in the text.
struct Span {
    bool negative { false };
    size_t intBegin { 0 }, intEnd { 0 };
    size_t fracBegin { 0 }, fracEnd { 0 };
    bool hasExponent { false };
    bool exponentNegative { false };
    size_t expBegin { 0 }, expEnd { 0 };
};

bool Scan(std::string_view s, char mark, Span& sp)
{
    size_t n = s.size();
    size_t i = 0;
    while (i < n && IsSpace(s[i]))
        ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        sp.negative = s[i] == '-';
        ++i;
    }
    sp.intBegin = i;
    while (i < n && IsDigit(s[i]))
        ++i;
    sp.intEnd = i;
    sp.fracBegin = sp.fracEnd = i;
    if (i < n && s[i] == mark) {
        size_t j = i + 1;
        size_t fracBegin = j;
        while (j < n && IsDigit(s[j]))
            ++j;
        if (j > fracBegin || sp.intEnd > sp.intBegin) {
            sp.fracBegin = fracBegin;
            sp.fracEnd = j;
            i = j;
        }
    }
    if (sp.intEnd == sp.intBegin && sp.fracEnd == sp.fracBegin)
        return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        bool negative = false;
        if (j < n && (s[j] == '+' || s[j] == '-')) {
            negative = s[j] == '-';
            ++j;
        }
        size_t expBegin = j;
        while (j < n && IsDigit(s[j]))
            ++j;
        if (j > expBegin) {
            sp.hasExponent = true;
            sp.exponentNegative = negative;
            sp.expBegin = expBegin;
            sp.expEnd = j;
        }
    }
    return true;
}

// The number as "[-]int.frac[e[-]exp]" for the C library's readers.
std::string Normalised(std::string_view s, const Span& sp)
{
    std::string out;
    out.reserve(sp.intEnd - sp.intBegin + sp.fracEnd - sp.fracBegin + sp.expEnd - sp.expBegin + 6);
    if (sp.negative)
        out += '-';
    if (sp.intEnd > sp.intBegin)
        out.append(s.substr(sp.intBegin, sp.intEnd - sp.intBegin));
    else
        out += '0';
    out += '.';
    if (sp.fracEnd > sp.fracBegin)
        out.append(s.substr(sp.fracBegin, sp.fracEnd - sp.fracBegin));
    else
        out += '0';
    if (sp.hasExponent) {
        out += 'e';
        if (sp.exponentNegative)
            out += '-';
        out.append(s.substr(sp.expBegin, sp.expEnd - sp.expBegin));
    }
    return out;
}

locale_t CLocale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

// Powers of ten that an extended-precision significand holds exactly.
constexpr long double kExactPowers[] = {
    1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L
};
constexpr int kMaxExactPower = 27;

// Up to 19 significant digits as an integer with a decimal exponent; exact
// is false when digits beyond those were not zero.
struct Significand {
    uint64_t mantissa { 0 };
    int64_t exponent { 0 };
    bool exact { true };
};

Significand Decompose(std::string_view s, const Span& sp)
{
    Significand sig;
    int count = 0;
    auto take = [&](char c, bool fraction) {
        int d = c - '0';
        if (sig.mantissa == 0 && d == 0) {
            if (fraction)
                --sig.exponent;
            return;
        }
        if (count < 19) {
            sig.mantissa = sig.mantissa * 10 + static_cast<uint64_t>(d);
            ++count;
            if (fraction)
                --sig.exponent;
        } else {
            if (!fraction)
                ++sig.exponent;
            if (d != 0)
                sig.exact = false;
        }
    };
    for (size_t i = sp.intBegin; i < sp.intEnd; ++i)
        take(s[i], false);
    for (size_t i = sp.fracBegin; i < sp.fracEnd; ++i)
        take(s[i], true);
    if (sp.hasExponent) {
        int64_t e = 0;
        for (size_t i = sp.expBegin; i < sp.expEnd; ++i) {
            e = e * 10 + (s[i] - '0');
            if (e > 1000000000) {  // far beyond any range; the slow path decides
                sig.exact = false;
                break;
            }
        }
        sig.exponent += sp.exponentNegative ? -e : e;
    }
    return sig;
}

}

Reading ReadLongDouble(std::string_view text, char mark)
{
    Reading r;
    Span sp;
    if (!Scan(text, mark, sp))
        return r;
    r.found = true;
    Significand sig = Decompose(text, sp);
    if (sig.mantissa == 0) {
        r.value = sp.negative ? -0.0L : 0.0L;
        return r;
    }
    if (sig.exact && sig.exponent >= -kMaxExactPower && sig.exponent <= kMaxExactPower) {
        // Both operands are exact, so the one rounding of the product or
        // quotient gives the correctly rounded value.
        long double m = static_cast<long double>(sig.mantissa);
        long double v = sig.exponent >= 0 ? m * kExactPowers[sig.exponent] : m / kExactPowers[-sig.exponent];
        r.value = sp.negative ? -v : v;
        return r;
    }
    std::string normalised = Normalised(text, sp);
    fexcept_t saved;
    std::fegetexceptflag(&saved, FE_ALL_EXCEPT);
    errno = 0;
    long double v = strtold_l(normalised.c_str(), nullptr, CLocale());
    int error = errno;
    std::fesetexceptflag(&saved, FE_ALL_EXCEPT);
    if (error == ERANGE && std::isinf(v))
        r.outOfRange = true;
    r.value = v;
    return r;
}

Reading ReadDouble(std::string_view text, char mark)
{
    Reading r;
    Span sp;
    if (!Scan(text, mark, sp))
        return r;
    r.found = true;
    std::string normalised = Normalised(text, sp);
    double v = 0;
    auto result = std::from_chars(normalised.data(), normalised.data() + normalised.size(), v);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars reports underflow the same way; only overflow is out of range.
        Significand sig = Decompose(text, sp);
        if (sig.mantissa != 0 && sig.exponent > 0) {
            r.outOfRange = true;
            return r;
        }
        v = sp.negative ? -0.0 : 0.0;
    }
    r.value = v;
    return r;
}

namespace {

// Splits to_chars' scientific output "d[.ddd]e[+-]xx" into digits and exponent.
void ParseScientific(const char* begin, const char* end, AnsiString& digits, int& exponent)
{
    digits.clear();
    const char* p = begin;
    for (; p < end && *p != 'e'; ++p) {
        if (IsDigit(*p))
            digits += *p;
    }
    exponent = 0;
    if (p < end)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
}

}

void SignificantDigits(long double value, int digits, AnsiString& digitsOut, int& pointPosition)
{
    if (digits < 1)
        digits = 1;
    if (digits > 17)
        digits = 17;
    char buf[64];
    long double magnitude = std::fabs(value);
    std::to_chars_result r;
    if (magnitude <= static_cast<long double>(std::numeric_limits<double>::max())) {
        r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(magnitude), std::chars_format::scientific, digits - 1);
    } else {
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, digits - 1);
    }
    int exponent = 0;
    ParseScientific(buf, r.ptr, digitsOut, exponent);
    pointPosition = exponent + 1;
}

AnsiString CanonicalText(double value, char separator)
{
    if (value == 0)
        return "0";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    AnsiString digits;
    int exponent = 0;
    ParseScientific(buf, r.ptr, digits, exponent);
    size_t last = digits.find_last_not_of('0');
    digits.resize(last == AnsiString::npos ? 1 : last + 1);

    AnsiString out;
    if (value < 0)
        out += '-';
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            size_t whole = static_cast<size_t>(exponent) + 1;
            for (size_t i = 0; i < whole; ++i)
                out += i < digits.size() ? digits[i] : '0';
            if (digits.size() > whole) {
                out += separator;
                out.append(digits, whole, AnsiString::npos);
            }
        } else {
            out += '0';
            out += separator;
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += separator;
            out.append(digits, 1, AnsiString::npos);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return out;
}

namespace {

struct SeparatorCache {
    bool valid { false };
    std::string name;
    std::string path;
    char separator { '.' };
};

bool StartsWith(const char* entry, const char* prefix, size_t length)
{
    return std::strncmp(entry, prefix, length) == 0;
}

}

char SystemSeparator()
{
    // One pass over the environment instead of four lookups: this runs for
    // every evaluation.
    const char* all = nullptr;
    const char* numeric = nullptr;
    const char* lang = nullptr;
    const char* path = "";
    for (char** e = environ; e && *e; ++e) {
        const char* entry = *e;
        if (entry[0] != 'L')
            continue;
        if (StartsWith(entry, "LC_ALL=", 7))
            all = entry + 7;
        else if (StartsWith(entry, "LC_NUMERIC=", 11))
            numeric = entry + 11;
        else if (StartsWith(entry, "LANG=", 5))
            lang = entry + 5;
        else if (StartsWith(entry, "LOCPATH=", 8))
            path = entry + 8;
    }
    const char* name = "";
    for (const char* candidate : { all, numeric, lang }) {
        if (candidate && *candidate) {
            name = candidate;
            break;
        }
    }
    thread_local SeparatorCache cache;
    if (cache.valid && cache.name == name && cache.path == path)
        return cache.separator;
    cache.separator = SystemDecimalSeparator();
    cache.name = name;
    cache.path = path;
    cache.valid = true;
    return cache.separator;
}

}
