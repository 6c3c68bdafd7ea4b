#include "platform/win/registry/RegistryHive.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/registry/WinReg.h"
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>

namespace {

std::mutex g_hivesMutex;
std::map<AnsiString, std::shared_ptr<RegistryHive>> g_hives;
std::mutex g_handlerMutex;
std::function<void(const AnsiString&)> g_messageHandler;

void Report(const AnsiString& message)
{
    std::function<void(const AnsiString&)> handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_messageHandler;
    }
    if (handler)
        handler(message);
    else
        std::fprintf(stderr, "%s\n", message.c_str());
}

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY,"
    " parent INTEGER NOT NULL,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    " key INTEGER NOT NULL,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY(key, name)) WITHOUT ROWID;";

const char* const kStatements[] = {
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "INSERT INTO keys(parent, name) VALUES(?1, ?2)",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
    // One statement, so one transaction: the key must still exist (another
    // process may have deleted it), and an existing value keeps the case of
    // its name.
    "INSERT INTO vals(key, name, type, data) SELECT ?1, ?2, ?3, ?4"
    " WHERE ?1 = 0 OR EXISTS(SELECT 1 FROM keys WHERE id = ?1)"
    " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND name = ?2",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM vals WHERE key = ?1",
    "DELETE FROM keys WHERE id = ?1",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};

bool IsDamage(int rc)
{
    rc &= 0xFF;
    return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
}

// Resets a statement when the step that used it is done.
class Use {
public:
    explicit Use(sqlite3_stmt* statement) : m_statement(statement) { }
    ~Use()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    sqlite3_stmt* operator*() const { return m_statement; }

private:
    sqlite3_stmt* m_statement;
};

void BindText(sqlite3_stmt* s, int index, std::string_view text)
{
    sqlite3_bind_text64(s, index, text.data() ? text.data() : "", text.size(), SQLITE_STATIC, SQLITE_UTF8);
}

AnsiString ColumnText(sqlite3_stmt* s, int column)
{
    const unsigned char* text = sqlite3_column_text(s, column);
    return text ? AnsiString(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(s, column))) : AnsiString();
}

std::string ColumnBlob(sqlite3_stmt* s, int column)
{
    const void* blob = sqlite3_column_blob(s, column);
    int size = sqlite3_column_bytes(s, column);
    return blob ? std::string(static_cast<const char*>(blob), static_cast<size_t>(size)) : std::string();
}

// An exclusive lock on the hive's folder, held while a process opens (and,
// when damaged, replaces) the hive. Taken once per opening, never nested:
// a second lock from the same process would wait for itself.
class FolderLock {
public:
    explicit FolderLock(const AnsiString& file)
    {
        size_t slash = file.rfind('/');
        AnsiString folder = slash == AnsiString::npos ? AnsiString(".") : (slash == 0 ? AnsiString("/") : file.substr(0, slash));
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd { -1 };
};

bool PathExists(const AnsiString& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

std::shared_ptr<RegistryHive> RegistryHive::ForFile(const AnsiString& path)
{
    // One opening at a time: a second thread asking for the same file waits
    // for the first one's connection instead of making its own.
    static std::mutex opening;
    std::lock_guard openLock(opening);
    if (auto hive = Cached(path))
        return hive;
    std::shared_ptr<RegistryHive> hive(new RegistryHive(path));
    {
        std::lock_guard hiveLock(hive->m_mutex);
        if (!hive->Open())
            return nullptr;
    }
    std::lock_guard lock(g_hivesMutex);
    g_hives.emplace(path, hive);
    return hive;
}

std::shared_ptr<RegistryHive> RegistryHive::Cached(const AnsiString& path)
{
    std::lock_guard lock(g_hivesMutex);
    auto it = g_hives.find(path);
    return it == g_hives.end() ? nullptr : it->second;
}

void RegistryHive::SetMessageHandler(std::function<void(const AnsiString&)> handler)
{
    std::lock_guard lock(g_handlerMutex);
    g_messageHandler = std::move(handler);
}

RegistryHive::RegistryHive(AnsiString path) : m_path(std::move(path)) { }

RegistryHive::~RegistryHive()
{
    Close();
}

void RegistryHive::Close()
{
    for (sqlite3_stmt*& s : m_statements) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    for (sqlite3_stmt* s : m_pathStatements)
        sqlite3_finalize(s);
    m_pathStatements.clear();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool RegistryHive::TryOpen(bool& damaged)
{
    damaged = false;
    Close();
    // Create the file ourselves so that it is 0600 from the start; SQLite
    // gives its journal files the mode of the database.
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);

    int rc = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        damaged = IsDamage(rc);
        Close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 60000);
    auto exec = [&](const char* sql) {
        rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        return rc == SQLITE_OK;
    };
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL")) {
        damaged = IsDamage(rc);
        Close();
        return false;
    }
    sqlite3_stmt* check = nullptr;
    rc = sqlite3_prepare_v2(m_db, "PRAGMA quick_check(1)", -1, &check, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(check);
        if (rc == SQLITE_ROW && ColumnText(check, 0) != "ok")
            rc = SQLITE_CORRUPT;
        else if (rc == SQLITE_ROW)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(check);
    if (rc != SQLITE_OK || !exec(kSchema)) {
        damaged = IsDamage(rc);
        Close();
        return false;
    }
    for (int i = 0; i < static_cast<int>(Statement::Count); ++i) {
        rc = sqlite3_prepare_v3(m_db, kStatements[i], -1, SQLITE_PREPARE_PERSISTENT, &m_statements[i], nullptr);
        if (rc != SQLITE_OK) {
            // A database, but not one of ours: tables of the same names with
            // other columns. As unreadable as a damaged one.
            damaged = true;
            Close();
            return false;
        }
    }
    return true;
}

bool RegistryHive::Open()
{
    // One process at a time sets a hive up: two of them creating a new file
    // at once would race on switching it to the write-ahead log, and two
    // noticing damage at once would each move a file aside.
    FolderLock lock(m_path);
    bool damaged = false;
    if (TryOpen(damaged))
        return true;
    if (!damaged)
        return false;
    MoveAside();
    return TryOpen(damaged);
}

void RegistryHive::MoveAside()
{
    char stamp[32] = {};
    time_t now = ::time(nullptr);
    tm local {};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    AnsiString aside = m_path + ".damaged-" + stamp;
    for (int n = 2; PathExists(aside); ++n)
        aside = m_path + ".damaged-" + stamp + "-" + IntToStr(n);
    if (::rename(m_path.c_str(), aside.c_str()) != 0) {
        Report(Format("The settings store %s could not be read and could not be moved aside: %s",
            m_path.c_str(), std::strerror(errno)));
        return;
    }
    // The log belongs to the damaged file; the shared-memory index is derived
    // from it and must not be reused by the new one.
    ::rename((m_path + "-wal").c_str(), (aside + "-wal").c_str());
    ::unlink((m_path + "-shm").c_str());
    Report(Format("The settings store %s could not be read. It was kept as %s and new, empty settings were started.",
        m_path.c_str(), aside.c_str()));
}

bool RegistryHive::Recover()
{
    m_damaged = false;
    Close();
    return Open();
}

sqlite3_stmt* RegistryHive::Prepared(Statement which)
{
    return m_statements[static_cast<int>(which)];
}

LONG RegistryHive::Failure(int rc, LONG fallback)
{
    if (IsDamage(rc)) {
        m_damaged = true;
        return ERROR_BADDB;
    }
    switch (rc & 0xFF) {
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    default:
        return fallback;
    }
}

LONG RegistryHive::Run(const std::function<LONG()>& op)
{
    std::lock_guard lock(m_mutex);
    if (!m_db && !Open())
        return ERROR_CANTOPEN;
    LONG result = op();
    if (m_damaged) {
        if (!Recover())
            return ERROR_BADDB;
        result = op();
    }
    return result;
}

bool RegistryHive::Exists(KeyId key, LONG& error)
{
    error = ERROR_SUCCESS;
    if (key == RootKey)
        return true;
    Use s(Prepared(Statement::KeyExists));
    sqlite3_bind_int64(*s, 1, key);
    int rc = sqlite3_step(*s);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        error = Failure(rc, ERROR_CANTREAD);
    return false;
}

LONG RegistryHive::FindChild(KeyId parent, std::string_view name, KeyId& child)
{
    Use s(Prepared(Statement::FindKey));
    sqlite3_bind_int64(*s, 1, parent);
    BindText(*s, 2, name);
    int rc = sqlite3_step(*s);
    if (rc == SQLITE_ROW) {
        child = sqlite3_column_int64(*s, 0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : Failure(rc, ERROR_CANTREAD);
}

LONG RegistryHive::FindPath(KeyId parent, const std::vector<std::string>& parts, KeyId& result)
{
    // Deep paths are rare: walk them a level at a time rather than joining
    // more tables than SQLite allows.
    constexpr size_t kMaxJoined = 16;
    if (parts.size() == 1 || parts.size() > kMaxJoined) {
        KeyId current = parent;
        for (const std::string& part : parts)
            if (LONG rc = FindChild(current, part, current); rc != ERROR_SUCCESS)
                return rc;
        result = current;
        return ERROR_SUCCESS;
    }
    // Opening a key is most of what a read or write of one value costs, so
    // the whole path is one statement: keys k1 .. kN joined parent to child.
    if (m_pathStatements.size() < parts.size() + 1)
        m_pathStatements.resize(parts.size() + 1, nullptr);
    sqlite3_stmt*& statement = m_pathStatements[parts.size()];
    if (!statement) {
        std::string sql = "SELECT k" + std::to_string(parts.size()) + ".id FROM keys k1";
        std::string where = " WHERE k1.parent = ?1 AND k1.name = ?2";
        for (size_t i = 2; i <= parts.size(); ++i) {
            std::string k = "k" + std::to_string(i);
            sql += " JOIN keys " + k + " ON " + k + ".parent = k" + std::to_string(i - 1) + ".id";
            where += " AND " + k + ".name = ?" + std::to_string(i + 1);
        }
        sql += where;
        int rc = sqlite3_prepare_v3(m_db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        if (rc != SQLITE_OK) {
            statement = nullptr;
            return Failure(rc, ERROR_CANTREAD);
        }
    }
    Use s(statement);
    sqlite3_bind_int64(*s, 1, parent);
    for (size_t i = 0; i < parts.size(); ++i)
        BindText(*s, static_cast<int>(i + 2), parts[i]);
    int rc = sqlite3_step(*s);
    if (rc == SQLITE_ROW) {
        result = sqlite3_column_int64(*s, 0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : Failure(rc, ERROR_CANTREAD);
}

LONG RegistryHive::OpenKey(KeyId parent, const std::vector<std::string>& parts, KeyId& result)
{
    return Run([&]() -> LONG {
        LONG error;
        if (parts.empty()) {
            if (!Exists(parent, error))
                return error ? error : ERROR_KEY_DELETED;
            result = parent;
            return ERROR_SUCCESS;
        }
        return FindPath(parent, parts, result);
    });
}

LONG RegistryHive::CreateKey(KeyId parent, const std::vector<std::string>& parts, KeyId& result, bool& created)
{
    created = false;
    // Most calls open a key that is already there: try that without taking
    // the write lock.
    if (OpenKey(parent, parts, result) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    return Run([&]() -> LONG {
        created = false;
        int rc;
        {
            Use begin(Prepared(Statement::Begin));
            rc = sqlite3_step(*begin);
        }
        if (rc != SQLITE_DONE)
            return Failure(rc, ERROR_CANTWRITE);
        auto rollback = [&](LONG error) {
            Use s(Prepared(Statement::Rollback));
            sqlite3_step(*s);
            created = false;
            return error;
        };
        LONG error;
        if (!Exists(parent, error))
            return rollback(error ? error : ERROR_KEY_DELETED);
        KeyId current = parent;
        for (const std::string& part : parts) {
            KeyId child = 0;
            LONG found = FindChild(current, part, child);
            if (found == ERROR_FILE_NOT_FOUND) {
                Use insert(Prepared(Statement::InsertKey));
                sqlite3_bind_int64(*insert, 1, current);
                BindText(*insert, 2, part);
                rc = sqlite3_step(*insert);
                if (rc != SQLITE_DONE)
                    return rollback(Failure(rc, ERROR_CANTWRITE));
                child = sqlite3_last_insert_rowid(m_db);
                created = true;
            } else if (found != ERROR_SUCCESS) {
                return rollback(found);
            }
            current = child;
        }
        Use commit(Prepared(Statement::Commit));
        rc = sqlite3_step(*commit);
        if (rc != SQLITE_DONE)
            return rollback(Failure(rc, ERROR_CANTWRITE));
        result = current;
        return ERROR_SUCCESS;
    });
}

LONG RegistryHive::QueryValue(KeyId key, std::string_view name, DWORD& type, std::string& data)
{
    return Run([&]() -> LONG {
        Use s(Prepared(Statement::QueryValue));
        sqlite3_bind_int64(*s, 1, key);
        BindText(*s, 2, name);
        int rc = sqlite3_step(*s);
        if (rc == SQLITE_ROW) {
            type = static_cast<DWORD>(sqlite3_column_int64(*s, 0));
            data = ColumnBlob(*s, 1);
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_DONE)
            return Failure(rc, ERROR_CANTREAD);
        LONG error;
        if (!Exists(key, error))
            return error ? error : ERROR_KEY_DELETED;
        return ERROR_FILE_NOT_FOUND;
    });
}

LONG RegistryHive::SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data)
{
    return Run([&]() -> LONG {
        Use s(Prepared(Statement::SetValue));
        sqlite3_bind_int64(*s, 1, key);
        BindText(*s, 2, name);
        sqlite3_bind_int64(*s, 3, type);
        // Beyond SQLite's own limit the bind fails and the step reports it.
        sqlite3_bind_blob64(*s, 4, data.data() ? data.data() : "", data.size(), SQLITE_STATIC);
        int rc = sqlite3_step(*s);
        if (rc != SQLITE_DONE)
            return Failure(rc, ERROR_CANTWRITE);
        return sqlite3_changes(m_db) > 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    });
}

LONG RegistryHive::DeleteValue(KeyId key, std::string_view name)
{
    return Run([&]() -> LONG {
        Use s(Prepared(Statement::DeleteValue));
        sqlite3_bind_int64(*s, 1, key);
        BindText(*s, 2, name);
        int rc = sqlite3_step(*s);
        if (rc != SQLITE_DONE)
            return Failure(rc, ERROR_CANTWRITE);
        return sqlite3_changes(m_db) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegistryHive::DeleteKey(KeyId parent, const std::vector<std::string>& parts)
{
    if (parts.empty())
        return ERROR_ACCESS_DENIED; // a key cannot delete itself through its own handle
    return Run([&]() -> LONG {
        int rc;
        {
            Use begin(Prepared(Statement::Begin));
            rc = sqlite3_step(*begin);
        }
        if (rc != SQLITE_DONE)
            return Failure(rc, ERROR_CANTWRITE);
        auto finish = [&](LONG error) {
            Use s(Prepared(error == ERROR_SUCCESS ? Statement::Commit : Statement::Rollback));
            int end = sqlite3_step(*s);
            if (error == ERROR_SUCCESS && end != SQLITE_DONE) {
                Use rollback(Prepared(Statement::Rollback));
                sqlite3_step(*rollback);
                return Failure(end, ERROR_CANTWRITE);
            }
            return error;
        };
        KeyId key = parent;
        for (const std::string& part : parts)
            if (LONG found = FindChild(key, part, key); found != ERROR_SUCCESS)
                return finish(found);
        {
            Use s(Prepared(Statement::HasSubkeys));
            sqlite3_bind_int64(*s, 1, key);
            rc = sqlite3_step(*s);
            if (rc == SQLITE_ROW)
                return finish(ERROR_ACCESS_DENIED);
            if (rc != SQLITE_DONE)
                return finish(Failure(rc, ERROR_CANTREAD));
        }
        for (Statement which : { Statement::DeleteKeyValues, Statement::DeleteKey }) {
            Use s(Prepared(which));
            sqlite3_bind_int64(*s, 1, key);
            rc = sqlite3_step(*s);
            if (rc != SQLITE_DONE)
                return finish(Failure(rc, ERROR_CANTWRITE));
        }
        return finish(ERROR_SUCCESS);
    });
}

LONG RegistryHive::EnumKey(KeyId key, DWORD index, std::string& name)
{
    return Run([&]() -> LONG {
        Use s(Prepared(Statement::EnumKey));
        sqlite3_bind_int64(*s, 1, key);
        sqlite3_bind_int64(*s, 2, index);
        int rc = sqlite3_step(*s);
        if (rc == SQLITE_ROW) {
            name = ColumnText(*s, 0);
            return ERROR_SUCCESS;
        }
        return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : Failure(rc, ERROR_CANTREAD);
    });
}

LONG RegistryHive::EnumValue(KeyId key, DWORD index, std::string& name, DWORD& type, std::string& data)
{
    return Run([&]() -> LONG {
        Use s(Prepared(Statement::EnumValue));
        sqlite3_bind_int64(*s, 1, key);
        sqlite3_bind_int64(*s, 2, index);
        int rc = sqlite3_step(*s);
        if (rc == SQLITE_ROW) {
            name = ColumnText(*s, 0);
            type = static_cast<DWORD>(sqlite3_column_int64(*s, 1));
            data = ColumnBlob(*s, 2);
            return ERROR_SUCCESS;
        }
        return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : Failure(rc, ERROR_CANTREAD);
    });
}
