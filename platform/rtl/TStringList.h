#pragma once
#include "platform/rtl/TStrings.h"
#include <initializer_list>

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<AnsiString> items) : m_items(items) { }
    TStringList(const TStringList& other) : TStrings(), m_items(other.m_items) { }
    TStringList& operator=(const TStringList& other)
    {
        m_items = other.m_items;
        return *this;
    }

    int Count() const override { return static_cast<int>(m_items.size()); }
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& text) override;
    void Insert(int index, const AnsiString& text) override;
    void Delete(int index) override;
    void Clear() override { m_items.clear(); }

    const std::vector<AnsiString>& Items() const { return m_items; }

private:
    std::vector<AnsiString> m_items;
};
