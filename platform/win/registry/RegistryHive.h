#pragma once
// One hive: an SQLite database of keys (a tree, names without regard to case)
// and typed values. One connection per file and process, shared by every open
// key and guarded by a mutex; other processes use their own connections, and
// SQLite's locking (write-ahead log, busy timeout) keeps them apart.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class RegistryHive {
public:
    using KeyId = int64_t;
    static constexpr KeyId RootKey = 0;

    // The hive stored in path, opened once per process. A file that is not a
    // readable database is moved aside and replaced by an empty hive. Null
    // when the file cannot be opened or created at all.
    static std::shared_ptr<RegistryHive> ForFile(const AnsiString& path);
    // The hive of path if this process has it open already, else null.
    static std::shared_ptr<RegistryHive> Cached(const AnsiString& path);
    static void SetMessageHandler(std::function<void(const AnsiString&)> handler);

    ~RegistryHive();
    RegistryHive(const RegistryHive&) = delete;
    RegistryHive& operator=(const RegistryHive&) = delete;

    // All return an ERROR_* code.
    LONG OpenKey(KeyId parent, const std::vector<std::string>& parts, KeyId& result);
    LONG CreateKey(KeyId parent, const std::vector<std::string>& parts, KeyId& result, bool& created);
    LONG QueryValue(KeyId key, std::string_view name, DWORD& type, std::string& data);
    LONG SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data);
    LONG DeleteValue(KeyId key, std::string_view name);
    LONG DeleteKey(KeyId parent, const std::vector<std::string>& parts);
    LONG EnumKey(KeyId key, DWORD index, std::string& name);
    LONG EnumValue(KeyId key, DWORD index, std::string& name, DWORD& type, std::string& data);

    const AnsiString& FileName() const { return m_path; }

private:
    explicit RegistryHive(AnsiString path);

    enum class Statement {
        FindKey,
        InsertKey,
        KeyExists,
        QueryValue,
        SetValue,
        DeleteValue,
        HasSubkeys,
        DeleteKeyValues,
        DeleteKey,
        EnumKey,
        EnumValue,
        Begin,
        Commit,
        Rollback,
        Count
    };

    // Opens the connection; moves a damaged file aside first when needed.
    bool Open();
    bool TryOpen(bool& damaged);
    void Close();
    // Called when a statement reports a damaged file: recover and say so.
    bool Recover();
    void MoveAside();
    sqlite3_stmt* Prepared(Statement which);
    // SQLite result code -> ERROR_*; notes damage so the next call recovers.
    LONG Failure(int rc, LONG fallback);
    bool Exists(KeyId key, LONG& error);
    LONG FindChild(KeyId parent, std::string_view name, KeyId& child);
    // The key at parts below parent, looked up by one statement.
    LONG FindPath(KeyId parent, const std::vector<std::string>& parts, KeyId& result);
    // Runs op; when it reports a damaged hive, recovers once and runs it again.
    LONG Run(const std::function<LONG()>& op);

    AnsiString m_path;
    std::mutex m_mutex;
    sqlite3* m_db { nullptr };
    sqlite3_stmt* m_statements[static_cast<int>(Statement::Count)] {};
    // One lookup statement per path depth, made when first needed.
    std::vector<sqlite3_stmt*> m_pathStatements;
    bool m_damaged { false };
};
