#pragma once
// The class library's registry object: one root key, at most one open key at
// a time, and typed reads and writes of that key's values. A read of a value
// of another type raises ERegistryException "Invalid data type for '%s'"; a
// failed read "Failed to get data for '%s'"; a failed write (also a write
// with no key open) "Failed to set data for '%s'". A missing value reads as
// an empty string.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TObject.h"
#include "platform/vcl/registry/ERegistryException.h"
#include "platform/win/registry/WinReg.h"
#include <string>

class TStrings;

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    TRegistry() = default;
    ~TRegistry() override;

    HKEY RootKey() const { return m_rootKey; }
    // Closes an open key first.
    void SetRootKey(HKEY root);
    HKEY CurrentKey() const { return m_currentKey; }
    const AnsiString& CurrentPath() const { return m_currentPath; }

    // A key path starting with "\" is taken from the root key, any other from
    // the open key (or the root when none is open). The key opened becomes
    // the current key; false when it does not exist (and canCreate is false)
    // or cannot be created.
    bool OpenKey(const AnsiString& key, bool canCreate);
    bool OpenKeyReadOnly(const AnsiString& key);
    void CloseKey();
    bool KeyExists(const AnsiString& key);
    bool DeleteKey(const AnsiString& key);
    bool HasSubKeys();
    void GetKeyNames(TStrings* strings);
    void GetValueNames(TStrings* strings);

    bool ValueExists(const AnsiString& name);
    TRegDataType GetDataType(const AnsiString& name);
    // Size of the value's data in bytes, -1 when there is no such value.
    int GetDataSize(const AnsiString& name);
    bool DeleteValue(const AnsiString& name);

    AnsiString ReadString(const AnsiString& name);
    void WriteString(const AnsiString& name, const AnsiString& value);
    void WriteExpandString(const AnsiString& name, const AnsiString& value);
    int32_t ReadInteger(const AnsiString& name);
    void WriteInteger(const AnsiString& name, int32_t value);
    bool ReadBool(const AnsiString& name) { return ReadInteger(name) != 0; }
    void WriteBool(const AnsiString& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    // The bytes of a binary value (empty when missing).
    std::string ReadBinaryData(const AnsiString& name);
    void WriteBinaryData(const AnsiString& name, const void* data, size_t size);

private:
    // Where a path is opened from: the root for absolute paths and when no
    // key is open.
    HKEY BaseKey(const AnsiString& key) const;
    AnsiString RelativePart(const AnsiString& key) const;
    // The key values are read from: the open key, else the root.
    HKEY ActiveKey() const { return m_currentKey ? m_currentKey : m_rootKey; }
    // Type and size of a value; false when it does not exist.
    bool QueryInfo(const AnsiString& name, DWORD& type, DWORD& size);
    void ListNames(TStrings* strings, LONG (*enumerate)(HKEY, DWORD, LPSTR, LPDWORD));
    // Reads the value; false when it does not exist. Raises on other failures.
    bool GetData(const AnsiString& name, DWORD& type, std::string& data);
    void PutData(const AnsiString& name, DWORD type, const void* data, size_t size);

    HKEY m_rootKey { HKEY_CURRENT_USER };
    HKEY m_currentKey { nullptr };
    AnsiString m_currentPath;
};
