#include "platform/win/prefix/Prefix.h"
#include "platform/win/registry/WinReg.h"
#include "platform/win/registry/XdgUserDirs.h"
#include "tests/platform/win/prefix/PrefixFixture.h"
#include <cstring>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class Key {
public:
    Key() = default;
    ~Key() { Close(); }
    void Close()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }
    PHKEY operator&() { return &m_key; }
    operator HKEY() const { return m_key; }

private:
    HKEY m_key { nullptr };
};

LONG SetString(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

std::string QueryString(HKEY key, const char* name, LONG* rc = nullptr, DWORD* typeOut = nullptr)
{
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc)
        *rc = result;
    if (typeOut)
        *typeOut = type;
    return result == ERROR_SUCCESS ? std::string(buffer) : std::string();
}

std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

} // namespace

using Hive = PrefixTest;

TEST_F(Hive, KeysAndValuesIgnoreCaseButKeepIt)
{
    Key created;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Acme\\Tool", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetString(created, "Scale", "150"), ERROR_SUCCESS);

    Key again;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "\\SOFTWARE\\acme\\\\TOOL\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &again, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(QueryString(again, "SCALE"), "150");
    // Overwriting under another spelling keeps the first one.
    ASSERT_EQ(SetString(again, "sCaLe", "151"), ERROR_SUCCESS);
    char name[64];
    DWORD nameSize = sizeof name;
    ASSERT_EQ(RegEnumValueA(again, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Scale");
    EXPECT_EQ(QueryString(created, "scale"), "151");

    Key software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), std::vector<std::string> { "Acme" });
}

TEST_F(Hive, MissingKeysAndValuesAreReportedAndNotCreated)
{
    Key key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(static_cast<HKEY>(key), nullptr);
    Key root;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &root), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(root).empty());

    LONG rc = 0;
    QueryString(root, "nothing", &rc);
    EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\" + std::string(256, 'k')).c_str(), 0, KEY_READ, &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetString(root, std::string(16384, 'v').c_str(), "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(0x1234), "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(Hive, ValuesAreTyped)
{
    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Types", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    DWORD number = 0xDEADBEEF;
    ASSERT_EQ(RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), sizeof number), ERROR_SUCCESS);
    const BYTE blob[] = { 0, 1, 0, 255 };
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "number", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    DWORD back = 0;
    ASSERT_EQ(RegQueryValueExA(key, "NUMBER", nullptr, &type, reinterpret_cast<BYTE*>(&back), &size), ERROR_SUCCESS);
    EXPECT_EQ(back, 0xDEADBEEF);

    BYTE small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    BYTE full[4];
    ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, full, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(std::memcmp(full, blob, 4), 0);

    // A string stored without its zero still comes back terminated.
    ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key, "Bare"), "abc");
}

TEST_F(Hive, DeletingKeys)
{
    Key parent, child;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\P\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(SetString(child, "v", "1"), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\P", 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\P"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(parent, "c"), ERROR_SUCCESS);
    // The handle still open on the deleted key writes nowhere.
    EXPECT_EQ(SetString(child, "v", "2"), ERROR_KEY_DELETED);
    LONG rc = 0;
    QueryString(child, "v", &rc);
    EXPECT_EQ(rc, ERROR_KEY_DELETED);
    EXPECT_TRUE(SubkeyNames(parent).empty());
    EXPECT_EQ(RegDeleteValueA(parent, "none"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Hive, FileIsPrivate)
{
    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "v", "1"), ERROR_SUCCESS);
    for (const char* name : { "user.db", "user.db-wal" }) {
        struct stat st {};
        ASSERT_EQ(::stat((m_prefix / name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(Hive, DamagedFileIsMovedAsideAndAFreshHiveStarted)
{
    const std::string garbage(4096, 'G');
    WriteAll(m_prefix / "user.db", garbage);
    std::vector<AnsiString> messages;
    SetHiveMessageHandler([&](const AnsiString& message) { messages.push_back(message); });

    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\After", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "v", "fresh"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key, "v"), "fresh");
    SetHiveMessageHandler(nullptr);

    ASSERT_EQ(messages.size(), 1u);
    fs::path aside;
    for (const auto& entry : fs::directory_iterator(m_prefix))
        if (entry.path().filename().string().rfind("user.db.damaged-", 0) == 0)
            aside = entry.path();
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(ReadAll(aside), garbage);
    EXPECT_NE(messages[0].find(aside.string()), std::string::npos) << messages[0];
}

TEST_F(Hive, ShellFolderKeysAnswerFromTheUserDirectories)
{
    fs::path home = Scratch("home");
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("XDG_CACHE_HOME", "/var/cache/me", 1);
    WriteAll(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"/data/docs/\"\n");

    Key shell;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\shell folders", 0, KEY_READ, &shell), ERROR_SUCCESS);
    struct Case {
        const char* name;
        std::string path;
    } cases[] = {
        { "Desktop", home.string() + "/Schreibtisch" },
        { "personal", "/data/docs" },
        { "Fonts", home.string() + "/.local/share/fonts" },
        { "Start Menu", home.string() + "/.local/share/applications" },
        { "Startup", home.string() + "/.config/autostart" },
        { "Cache", "/var/cache/me" },
        { "SendTo", home.string() + "/.local/share/velmora/SendTo" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(QueryString(shell, c.name), c.path) << c.name;
    LONG rc = 0;
    QueryString(shell, "Recent", &rc);
    EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetString(shell, "Desktop", "/elsewhere"), ERROR_ACCESS_DENIED);

    Key groups;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups", 0, KEY_READ, &groups), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(groups, "Quick Launch"), home.string() + "/.local/share/velmora/Quick Launch");
    // Nothing of this went into the hive.
    Key software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_FILE_NOT_FOUND);
    ::setenv("HOME", oldHome.c_str(), 1);
    ::unsetenv("XDG_CACHE_HOME");
}

TEST(UserDirsFile, OnlyHomeRelativeAndAbsolutePathsAreTaken)
{
    const char* text =
        "# comment\n"
        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n"
        "XDG_MUSIC_DIR=\"Music\"\n"
        "XDG_VIDEOS_DIR=\"$(rm -rf /)\"\n"
        "XDG_PICTURES_DIR=\"$HOME/$OTHER\"\n"
        "XDG_TEMPLATES_DIR=$HOME/unquoted\n"
        "  XDG_PUBLICSHARE_DIR = \"$HOME/with \\\"quote\\\"\"  \n"
        "XDG_DOWNLOAD_DIR=\"$HOME/\"\n"
        "OTHER_DIR=\"/x\"\n";
    std::map<AnsiString, AnsiString> expected {
        { "DESKTOP", "/home/u/Desktop" },
        { "DOCUMENTS", "/srv/docs" },
        { "PUBLICSHARE", "/home/u/with \"quote\"" },
        { "DOWNLOAD", "/home/u" },
    };
    EXPECT_EQ(XdgUserDirs::Parse("/home/u", text), expected);
    XdgUserDirs dirs("/home/u", "XDG_MUSIC_DIR=\"/m\"\n");
    EXPECT_EQ(dirs.UserDir("DESKTOP"), "/home/u/Desktop");
    EXPECT_EQ(dirs.UserDir("DOCUMENTS"), "/home/u");
    EXPECT_EQ(dirs.UserDir("MUSIC"), "/m");
}
