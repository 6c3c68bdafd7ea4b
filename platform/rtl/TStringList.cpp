#include "platform/rtl/TStringList.h"

AnsiString TStringList::Get(int index) const
{
    CheckIndex(index, Count());
    return m_items[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const AnsiString& text)
{
    CheckIndex(index, Count());
    m_items[static_cast<size_t>(index)] = text;
}

void TStringList::Insert(int index, const AnsiString& text)
{
    CheckIndex(index, Count() + 1);
    m_items.insert(m_items.begin() + index, text);
}

void TStringList::Delete(int index)
{
    CheckIndex(index, Count());
    m_items.erase(m_items.begin() + index);
}
