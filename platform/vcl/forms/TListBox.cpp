#include "platform/vcl/forms/TListBox.h"

AnsiString TListBoxStrings::Get(int index) const
{
    CheckIndex(index, Count());
    return m_items[static_cast<size_t>(index)];
}

void TListBoxStrings::Put(int index, const AnsiString& text)
{
    CheckIndex(index, Count());
    m_items[static_cast<size_t>(index)] = text;
    m_owner.ItemsChanged();
}

void TListBoxStrings::Insert(int index, const AnsiString& text)
{
    CheckIndex(index, Count() + 1);
    m_items.insert(m_items.begin() + index, text);
    m_owner.ItemsChanged();
}

void TListBoxStrings::Delete(int index)
{
    CheckIndex(index, Count());
    m_items.erase(m_items.begin() + index);
    m_owner.ItemsChanged();
}

void TListBoxStrings::Clear()
{
    m_items.clear();
    m_owner.ItemsChanged();
}

TListBox::TListBox(TComponent* owner)
    : TWinControl(owner)
{
}

void TListBox::SetItemIndex(int index)
{
    if (index < -1 || index >= m_items.Count())
        index = -1;
    m_itemIndex = index;
}

void TListBox::ItemsChanged()
{
    if (m_itemIndex >= m_items.Count())
        m_itemIndex = -1;
    // The binding reads the texts anew at its next paint.
    Invalidate();
}
