#pragma once
// A list of texts the user can pick from. Items changes show at once.
#include "platform/rtl/TStrings.h"
#include "platform/vcl/forms/TWinControl.h"
#include <vector>

class TListBox;

class TListBoxStrings : public TStrings {
public:
    explicit TListBoxStrings(TListBox& owner) : m_owner(owner) { }
    int Count() const override { return static_cast<int>(m_items.size()); }
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& text) override;
    void Insert(int index, const AnsiString& text) override;
    void Delete(int index) override;
    void Clear() override;

private:
    TListBox& m_owner;
    std::vector<AnsiString> m_items;
};

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    TStrings* Items() { return &m_items; }
    const TStrings* Items() const { return &m_items; }
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index);

    void ItemsChanged();

private:
    TListBoxStrings m_items { *this };
    int m_itemIndex { -1 };
};
