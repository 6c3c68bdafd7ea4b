#include "platform/vcl/registry/TRegistry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TStrings.h"
#include <cstring>
#include <limits>

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY root)
{
    if (root == m_rootKey)
        return;
    CloseKey();
    m_rootKey = root;
}

HKEY TRegistry::BaseKey(const AnsiString& key) const
{
    if (!m_currentKey || (!key.empty() && key.front() == '\\'))
        return m_rootKey;
    return m_currentKey;
}

AnsiString TRegistry::RelativePart(const AnsiString& key) const
{
    return !key.empty() && key.front() == '\\' ? key.substr(1) : key;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate)
{
    HKEY result = nullptr;
    AnsiString relative = RelativePart(key);
    LONG rc = canCreate
        ? RegCreateKeyExA(BaseKey(key), relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &result, nullptr)
        : RegOpenKeyExA(BaseKey(key), relative.c_str(), 0, KEY_ALL_ACCESS, &result);
    if (rc != ERROR_SUCCESS)
        return false;
    AnsiString path = (!m_currentKey || (!key.empty() && key.front() == '\\')) ? relative
        : (m_currentPath.empty() ? relative : m_currentPath + "\\" + relative);
    CloseKey();
    m_currentKey = result;
    m_currentPath = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key)
{
    return OpenKey(key, false);
}

void TRegistry::CloseKey()
{
    if (m_currentKey)
        RegCloseKey(m_currentKey);
    m_currentKey = nullptr;
    m_currentPath.clear();
}

bool TRegistry::KeyExists(const AnsiString& key)
{
    HKEY probe = nullptr;
    if (RegOpenKeyExA(BaseKey(key), RelativePart(key).c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS)
        return false;
    RegCloseKey(probe);
    return true;
}

bool TRegistry::DeleteKey(const AnsiString& key)
{
    return RegDeleteKeyA(BaseKey(key), RelativePart(key).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::HasSubKeys()
{
    char name[2];
    DWORD size = sizeof name;
    LONG rc = RegEnumKeyExA(ActiveKey(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
}

void TRegistry::GetKeyNames(TStrings* strings)
{
    ListNames(strings, [](HKEY key, DWORD index, LPSTR name, LPDWORD size) {
        return RegEnumKeyExA(key, index, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

void TRegistry::GetValueNames(TStrings* strings)
{
    ListNames(strings, [](HKEY key, DWORD index, LPSTR name, LPDWORD size) {
        return RegEnumValueA(key, index, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

void TRegistry::ListNames(TStrings* strings, LONG (*enumerate)(HKEY, DWORD, LPSTR, LPDWORD))
{
    if (!strings)
        return;
    strings->Clear();
    std::string name(256, '\0');
    for (DWORD index = 0;;) {
        DWORD size = static_cast<DWORD>(name.size());
        LONG rc = enumerate(ActiveKey(), index, name.data(), &size);
        if (rc == ERROR_MORE_DATA && name.size() < (1u << 20)) {
            name.resize(name.size() * 2);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        strings->Add(AnsiString(name.c_str(), size));
        ++index;
    }
}

bool TRegistry::GetData(const AnsiString& name, DWORD& type, std::string& data)
{
    HKEY key = ActiveKey();
    // Most values are short: read straight into a small buffer and ask for
    // the size only when it does not fit. The value may change between two
    // reads, so a few rounds settle that.
    data.resize(256);
    DWORD size = static_cast<DWORD>(data.size());
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size);
    for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 8; ++attempt) {
        data.resize(size);
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size);
    }
    if (rc == ERROR_SUCCESS) {
        data.resize(size);
        return true;
    }
    if (rc == ERROR_FILE_NOT_FOUND)
        return false;
    throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
}

void TRegistry::PutData(const AnsiString& name, DWORD type, const void* data, size_t size)
{
    if (!m_currentKey || size > std::numeric_limits<DWORD>::max()
        || RegSetValueExA(m_currentKey, name.c_str(), 0, type, static_cast<LPCBYTE>(data), static_cast<DWORD>(size)) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

bool TRegistry::QueryInfo(const AnsiString& name, DWORD& type, DWORD& size)
{
    return RegQueryValueExA(ActiveKey(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const AnsiString& name)
{
    DWORD type = 0;
    DWORD size = 0;
    return QueryInfo(name, type, size);
}

TRegDataType TRegistry::GetDataType(const AnsiString& name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (!QueryInfo(name, type, size))
        return TRegDataType::rdUnknown;
    switch (type) {
    case REG_SZ:
        return TRegDataType::rdString;
    case REG_EXPAND_SZ:
        return TRegDataType::rdExpandString;
    case REG_DWORD:
        return TRegDataType::rdInteger;
    case REG_BINARY:
        return TRegDataType::rdBinary;
    default:
        return TRegDataType::rdUnknown;
    }
}

int TRegistry::GetDataSize(const AnsiString& name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (!QueryInfo(name, type, size))
        return -1;
    return static_cast<int>(size);
}

bool TRegistry::DeleteValue(const AnsiString& name)
{
    return RegDeleteValueA(ActiveKey(), name.c_str()) == ERROR_SUCCESS;
}

AnsiString TRegistry::ReadString(const AnsiString& name)
{
    DWORD type = REG_NONE;
    std::string data;
    if (!GetData(name, type, data))
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    // The stored text ends at its first zero.
    size_t end = data.find('\0');
    if (end != std::string::npos)
        data.resize(end);
    return data;
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value)
{
    PutData(name, REG_SZ, value.c_str(), value.size() + 1);
}

void TRegistry::WriteExpandString(const AnsiString& name, const AnsiString& value)
{
    PutData(name, REG_EXPAND_SZ, value.c_str(), value.size() + 1);
}

int32_t TRegistry::ReadInteger(const AnsiString& name)
{
    DWORD type = REG_NONE;
    std::string data;
    if (!GetData(name, type, data))
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    if (type != REG_DWORD || data.size() != sizeof(int32_t))
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    int32_t value;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

void TRegistry::WriteInteger(const AnsiString& name, int32_t value)
{
    PutData(name, REG_DWORD, &value, sizeof value);
}

std::string TRegistry::ReadBinaryData(const AnsiString& name)
{
    DWORD type = REG_NONE;
    std::string data;
    if (!GetData(name, type, data))
        return {};
    if (type != REG_BINARY)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    return data;
}

void TRegistry::WriteBinaryData(const AnsiString& name, const void* data, size_t size)
{
    PutData(name, REG_BINARY, data, size);
}
