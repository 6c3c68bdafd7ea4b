#include "platform/win/registry/WinReg.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/prefix/Prefix.h"
#include "platform/win/registry/RegistryHive.h"
#include "platform/win/registry/ShellFolders.h"
#include "platform/win/registry/XdgUserDirs.h"
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// What an open key stands for. Immutable once made, so it can be used
// without holding the table's lock.
struct OpenedKey {
    std::shared_ptr<RegistryHive> hive;
    RegistryHive::KeyId id { RegistryHive::RootKey };
    std::vector<std::string> path; // below the hive's root
    bool userHive { false };
    ShellKey shell { ShellKey::None };
};

std::mutex g_handlesMutex;
std::unordered_map<HKEY, std::shared_ptr<const OpenedKey>> g_handles;

std::shared_ptr<RegistryHive> HiveFile(const char* fileName)
{
    AnsiString path = VelPrefix::Path() + "/" + fileName;
    if (auto hive = RegistryHive::Cached(path))
        return hive;
    try {
        VelPrefix::Ensure();
    } catch (const Exception&) {
        return nullptr;
    }
    return RegistryHive::ForFile(path);
}

// The key a handle or a root constant stands for; error set when neither.
std::shared_ptr<const OpenedKey> Resolve(HKEY key, LONG& error)
{
    error = ERROR_SUCCESS;
    const char* file = nullptr;
    if (key == HKEY_CURRENT_USER)
        file = "user.db";
    else if (key == HKEY_LOCAL_MACHINE)
        file = "system.db";
    if (file) {
        auto hive = HiveFile(file);
        if (!hive) {
            error = ERROR_CANTOPEN;
            return nullptr;
        }
        auto root = std::make_shared<OpenedKey>();
        root->hive = std::move(hive);
        root->userHive = key == HKEY_CURRENT_USER;
        return root;
    }
    std::lock_guard lock(g_handlesMutex);
    auto it = g_handles.find(key);
    if (it == g_handles.end()) {
        error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return it->second;
}

// The registry's own limits on names.
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

bool ValidKeyPath(const std::vector<std::string>& parts)
{
    for (const std::string& part : parts)
        if (part.size() > kMaxKeyName)
            return false;
    return true;
}

bool ValidValueName(LPCSTR name)
{
    return !name || std::strlen(name) <= kMaxValueName;
}

std::vector<std::string> SplitPath(LPCSTR subKey)
{
    std::vector<std::string> parts;
    if (!subKey)
        return parts;
    std::string_view text(subKey);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\\', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

HKEY Register(std::shared_ptr<OpenedKey> opened)
{
    HKEY handle = reinterpret_cast<HKEY>(opened.get());
    std::lock_guard lock(g_handlesMutex);
    g_handles.emplace(handle, std::move(opened));
    return handle;
}

LONG OpenOrCreate(HKEY key, LPCSTR subKey, bool create, PHKEY result, LPDWORD disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    LONG error;
    auto base = Resolve(key, error);
    if (!base)
        return error;
    std::vector<std::string> parts = SplitPath(subKey);
    if (!ValidKeyPath(parts))
        return ERROR_INVALID_PARAMETER;
    auto opened = std::make_shared<OpenedKey>(*base);
    opened->path.insert(opened->path.end(), parts.begin(), parts.end());
    if (base->shell != ShellKey::None && !parts.empty())
        return create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    if (base->userHive)
        opened->shell = ShellKeyFor(opened->path);
    if (opened->shell != ShellKey::None) {
        if (disposition)
            *disposition = REG_OPENED_EXISTING_KEY;
        *result = Register(std::move(opened));
        return ERROR_SUCCESS;
    }
    LONG rc;
    if (create) {
        bool created = false;
        rc = base->hive->CreateKey(base->id, parts, opened->id, created);
        if (rc == ERROR_SUCCESS && disposition)
            *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    } else {
        rc = base->hive->OpenKey(base->id, parts, opened->id);
    }
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = Register(std::move(opened));
    return ERROR_SUCCESS;
}

// Copies a value out the Win32 way. Strings stored without their final zero
// get one, so callers may rely on it.
LONG CopyValue(DWORD type, const std::string& data, LPDWORD typeOut, LPBYTE out, LPDWORD size)
{
    if (typeOut)
        *typeOut = type;
    bool addZero = (type == REG_SZ || type == REG_EXPAND_SZ) && (data.empty() || data.back() != '\0');
    DWORD need = static_cast<DWORD>(data.size() + (addZero ? 1 : 0));
    if (!size)
        return out ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    if (!out) {
        *size = need;
        return ERROR_SUCCESS;
    }
    if (*size < need) {
        *size = need;
        return ERROR_MORE_DATA;
    }
    if (!data.empty())
        std::memcpy(out, data.data(), data.size());
    if (addZero)
        out[data.size()] = 0;
    *size = need;
    return ERROR_SUCCESS;
}

LONG CopyName(const std::string& name, LPSTR out, LPDWORD size)
{
    if (!out || !size)
        return ERROR_INVALID_PARAMETER;
    if (*size < name.size() + 1) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(out, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Runs a change on the key; the shell's keys are read only.
LONG ChangeKey(HKEY key, const std::function<LONG(const OpenedKey&)>& change)
{
    LONG error;
    auto opened = Resolve(key, error);
    if (!opened)
        return error;
    if (opened->shell != ShellKey::None)
        return ERROR_ACCESS_DENIED;
    return change(*opened);
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    return OpenOrCreate(key, subKey, false, result, nullptr);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, void*, PHKEY result, LPDWORD disposition)
{
    return OpenOrCreate(key, subKey, true, result, disposition);
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    std::shared_ptr<const OpenedKey> opened;
    std::lock_guard lock(g_handlesMutex);
    auto it = g_handles.find(key);
    if (it == g_handles.end())
        return ERROR_INVALID_HANDLE;
    g_handles.erase(it);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    LONG error;
    auto opened = Resolve(key, error);
    if (!opened)
        return error;
    AnsiString name = valueName ? valueName : "";
    if (opened->shell != ShellKey::None) {
        AnsiString path;
        if (!ShellFolderValue(opened->shell, name, XdgUserDirs(), path))
            return ERROR_FILE_NOT_FOUND;
        return CopyValue(REG_SZ, path, type, data, size);
    }
    DWORD storedType = REG_NONE;
    std::string stored;
    LONG rc = opened->hive->QueryValue(opened->id, name, storedType, stored);
    if (rc != ERROR_SUCCESS)
        return rc;
    return CopyValue(storedType, stored, type, data, size);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, LPCBYTE data, DWORD size)
{
    if ((!data && size > 0) || !ValidValueName(valueName))
        return ERROR_INVALID_PARAMETER;
    return ChangeKey(key, [&](const OpenedKey& opened) {
        std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
        return opened.hive->SetValue(opened.id, valueName ? valueName : "", type, bytes);
    });
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    return ChangeKey(key, [&](const OpenedKey& opened) { return opened.hive->DeleteValue(opened.id, valueName ? valueName : ""); });
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    return ChangeKey(key, [&](const OpenedKey& opened) {
        std::vector<std::string> parts = SplitPath(subKey);
        std::vector<std::string> full = opened.path;
        full.insert(full.end(), parts.begin(), parts.end());
        if (opened.userHive && ShellKeyFor(full) != ShellKey::None)
            return ERROR_ACCESS_DENIED;
        return opened.hive->DeleteKey(opened.id, parts);
    });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass, LPDWORD classSize, void*)
{
    LONG error;
    auto opened = Resolve(key, error);
    if (!opened)
        return error;
    if (opened->shell != ShellKey::None)
        return ERROR_NO_MORE_ITEMS;
    std::string found;
    LONG rc = opened->hive->EnumKey(opened->id, index, found);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (keyClass && classSize && *classSize > 0) {
        keyClass[0] = '\0';
        *classSize = 0;
    }
    return CopyName(found, name, nameSize);
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    LONG error;
    auto opened = Resolve(key, error);
    if (!opened)
        return error;
    std::string found;
    DWORD storedType = REG_NONE;
    std::string stored;
    if (opened->shell != ShellKey::None) {
        auto values = ShellFolderValues(opened->shell, XdgUserDirs());
        if (index >= values.size())
            return ERROR_NO_MORE_ITEMS;
        found = values[index].first;
        stored = values[index].second;
        storedType = REG_SZ;
    } else if (LONG rc = opened->hive->EnumValue(opened->id, index, found, storedType, stored); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (LONG rc = CopyName(found, name, nameSize); rc != ERROR_SUCCESS)
        return rc;
    return CopyValue(storedType, stored, type, data, dataSize);
}

void SetHiveMessageHandler(std::function<void(const AnsiString& message)> handler)
{
    RegistryHive::SetMessageHandler(std::move(handler));
}
