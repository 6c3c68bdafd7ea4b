#pragma once
// An ordered list of texts, duplicates allowed, indexed from 0. An index
// outside the list raises EListError "List index out of bounds (%d)".
// Concrete lists (TStringList, a list box's items) supply the storage.
#include "platform/rtl/AnsiString.h"
#include <vector>

class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual AnsiString Get(int index) const = 0;
    virtual void Put(int index, const AnsiString& text) = 0;
    virtual void Insert(int index, const AnsiString& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    AnsiString Strings(int index) const { return Get(index); }
    AnsiString operator[](int index) const { return Get(index); }
    int Add(const AnsiString& text);
    int IndexOf(const AnsiString& text) const;  // case-insensitive, like the runtime's
    void Assign(const TStrings& other);
    void AddStrings(const TStrings& other);
    // Lines joined with "\n" after each one; SetText splits on "\n" and "\r\n".
    AnsiString Text() const;
    void SetText(const AnsiString& text);
    std::vector<AnsiString> ToVector() const;

protected:
    void CheckIndex(int index, int limit) const;
};
