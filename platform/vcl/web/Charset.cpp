#include "platform/vcl/web/Charset.h"
#include "platform/vcl/web/WideString.h"
#include <cerrno>
#include <iconv.h>
#include <vector>

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string lowerTrim(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && (isSpace(text[b]) || text[b] == '"' || text[b] == '\''))
        ++b;
    while (e > b && (isSpace(text[e - 1]) || text[e - 1] == '"' || text[e - 1] == '\''))
        --e;
    std::string out;
    for (size_t i = b; i < e; ++i)
        out += lower(text[i]);
    return out;
}

// The code points of windows-1252's bytes 0x80 to 0x9F; the rest equal Latin-1.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char byte : bytes) {
        auto b = static_cast<unsigned char>(byte);
        if (b < 0x80)
            out += byte;
        else if (b < 0xA0)
            AppendUtf8(out, Windows1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string cleanUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t start = pos;
        char32_t c = DecodeUtf8(bytes, pos);
        if (c == 0xFFFD && !(pos - start == 3 && bytes.compare(start, 3, "\xEF\xBF\xBD") == 0))
            AppendUtf8(out, c);
        else
            out.append(bytes.substr(start, pos - start));
    }
    return out;
}

std::string iconvToUtf8(std::string_view bytes, const std::string& charset)
{
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return windows1252ToUtf8(bytes);
    std::string out;
    std::vector<char> buffer(64 * 1024);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // An undecodable or truncated sequence: one replacement character.
        AppendUtf8(out, 0xFFFD);
        if (errno == EINVAL)
            break;
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    return cleanUtf8(out);
}

// The value of a charset declaration in a <meta> tag's attributes, or "".
std::string metaCharset(std::string_view tag)
{
    // tag: the text between "<meta" and ">", attribute names compared in lower case.
    std::string charset;
    std::string content;
    bool contentType = false;
    size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '/'))
            ++i;
        size_t nameStart = i;
        while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '/')
            ++i;
        std::string name = lowerTrim(tag.substr(nameStart, i - nameStart));
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && isSpace(tag[i]))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                char quote = tag[i++];
                size_t end = tag.find(quote, i);
                if (end == std::string_view::npos)
                    end = tag.size();
                value = tag.substr(i, end - i);
                i = end + 1;
            } else {
                size_t start = i;
                while (i < tag.size() && !isSpace(tag[i]))
                    ++i;
                value = tag.substr(start, i - start);
            }
        }
        if (name.empty() && value.empty())
            break;
        if (name == "charset" && charset.empty())
            charset = value;
        else if (name == "http-equiv" && lowerTrim(value) == "content-type")
            contentType = true;
        else if (name == "content" && content.empty())
            content = value;
    }
    if (!charset.empty())
        return charset;
    if (contentType)
        return Charset::FromContentType(content);
    return {};
}

}

std::string Charset::FromContentType(std::string_view contentType)
{
    std::string lowered;
    for (char c : contentType)
        lowered += lower(c);
    size_t at = lowered.find("charset");
    while (at != std::string::npos) {
        size_t i = at + 7;
        while (i < lowered.size() && isSpace(lowered[i]))
            ++i;
        if (i < lowered.size() && lowered[i] == '=') {
            ++i;
            size_t end = lowered.find(';', i);
            return lowerTrim(std::string_view(lowered).substr(i, end == std::string::npos ? std::string::npos : end - i));
        }
        at = lowered.find("charset", at + 7);
    }
    return {};
}

std::string Charset::Normalize(std::string_view label)
{
    std::string name = lowerTrim(label);
    if (name.empty())
        return {};
    if (name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8")
        return "utf-8";
    // The web treats these labels as windows-1252, a superset of each.
    for (const char* alias : { "windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1",
             "us-ascii", "ascii", "ansi_x3.4-1968", "cp819", "ibm819", "iso-ir-100" })
        if (name == alias)
            return "windows-1252";
    if (name == "utf-16" || name == "utf-16le")
        return "utf-16le";
    if (name == "utf-16be")
        return "utf-16be";
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    iconv_close(cd);
    return name;
}

std::string Charset::Detect(std::string_view bytes, std::string_view declared)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return "utf-8";
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return "utf-16le";
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return "utf-16be";
    std::string fromTransport = Normalize(declared);
    if (!fromTransport.empty())
        return fromTransport;
    // A <meta> declaration within the first 1024 bytes.
    std::string_view head = bytes.substr(0, 1024);
    std::string lowered;
    for (char c : head)
        lowered += lower(c);
    size_t at = lowered.find("<meta");
    while (at != std::string::npos) {
        size_t end = lowered.find('>', at);
        std::string_view tag = std::string_view(head).substr(at + 5, end == std::string::npos ? std::string_view::npos : end - at - 5);
        std::string found = Normalize(metaCharset(tag));
        if (!found.empty()) {
            // A document cannot declare itself UTF-16 from inside: its bytes
            // were readable as ASCII to get here.
            if (found == "utf-16le" || found == "utf-16be")
                return "utf-8";
            return found;
        }
        at = lowered.find("<meta", at + 5);
    }
    return "windows-1252";
}

std::string Charset::ToUtf8(std::string_view bytes, const std::string& charset)
{
    if (charset == "utf-8") {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        return cleanUtf8(bytes);
    }
    if (charset == "windows-1252")
        return windows1252ToUtf8(bytes);
    if ((charset == "utf-16le" && bytes.substr(0, 2) == "\xFF\xFE") || (charset == "utf-16be" && bytes.substr(0, 2) == "\xFE\xFF"))
        bytes.remove_prefix(2);
    return iconvToUtf8(bytes, charset == "utf-16le" ? "UTF-16LE" : charset == "utf-16be" ? "UTF-16BE" : charset);
}
