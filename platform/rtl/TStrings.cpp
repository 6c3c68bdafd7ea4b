#include "platform/rtl/TStrings.h"
#include "platform/rtl/Exceptions.h"

int TStrings::Add(const AnsiString& text)
{
    int index = Count();
    Insert(index, text);
    return index;
}

int TStrings::IndexOf(const AnsiString& text) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (SameText(Get(i), text))
            return i;
    return -1;
}

void TStrings::Assign(const TStrings& other)
{
    if (&other == this)
        return;
    std::vector<AnsiString> copy = other.ToVector();
    Clear();
    for (const AnsiString& s : copy)
        Add(s);
}

void TStrings::AddStrings(const TStrings& other)
{
    std::vector<AnsiString> copy = other.ToVector();
    for (const AnsiString& s : copy)
        Add(s);
}

AnsiString TStrings::Text() const
{
    AnsiString out;
    for (int i = 0, n = Count(); i < n; ++i) {
        out += Get(i);
        out += '\n';
    }
    return out;
}

void TStrings::SetText(const AnsiString& text)
{
    Clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t next = end == AnsiString::npos ? text.size() : end + 1;
        if (end == AnsiString::npos)
            end = text.size();
        size_t len = end - start;
        if (len > 0 && text[start + len - 1] == '\r')
            --len;
        Add(text.substr(start, len));
        start = next;
    }
}

std::vector<AnsiString> TStrings::ToVector() const
{
    std::vector<AnsiString> out;
    out.reserve(static_cast<size_t>(Count()));
    for (int i = 0, n = Count(); i < n; ++i)
        out.push_back(Get(i));
    return out;
}

void TStrings::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        throw EListError::IndexOutOfBounds(index);
}
