#pragma once
// The registry API over the prefix's hives. HKEY_CURRENT_USER is the per-user
// hive <prefix>/user.db, HKEY_LOCAL_MACHINE the machine hive <prefix>/system.db
// (both SQLite databases, mode 0600). Key paths are separated by backslashes;
// empty parts ("a\\b", a leading or trailing backslash) are skipped. Key and
// value names are found without regard to case and keep the case they were
// created with. A key name is at most 255 characters, a value name at most
// 16383 (longer ones give ERROR_INVALID_PARAMETER). Every write is one transaction, so a process killed in the
// middle leaves each value either old or new.
//
// The shell's folder keys
//   HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders
//   HKCU\Software\Microsoft\Windows\CurrentVersion\GrpConv\MapGroups
// are answered, read only, from the XDG user directories.
//
// All calls are thread-safe and return ERROR_SUCCESS or an error code.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include <cstdint>
#include <functional>

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
using LPCBYTE = const BYTE*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000003u));
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000005u));

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_CANTOPEN = 1011;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// Creates the key and its missing parents in one transaction.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
    void* security, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// data null with size given: the size needed. A buffer too small gives
// ERROR_MORE_DATA and the size needed.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, LPCBYTE data, DWORD size);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// Deletes a key that has no subkeys, with its values.
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Subkeys and values in name order (case-insensitive); ERROR_NO_MORE_ITEMS past the end.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
    LPDWORD classSize, void* lastWriteTime);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
    LPBYTE data, LPDWORD dataSize);

// A hive file that is not a readable database is moved aside (the new name
// ends in ".damaged-<date>-<time>") and a fresh hive is started; this handler
// receives the one message that says so. The default writes it to stderr.
void SetHiveMessageHandler(std::function<void(const AnsiString& message)> handler);
