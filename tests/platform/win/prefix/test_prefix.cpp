#include "platform/rtl/Exceptions.h"
#include "platform/win/prefix/FindFile.h"
#include "platform/win/prefix/ModuleFileName.h"
#include "platform/win/prefix/Prefix.h"
#include "tests/platform/win/prefix/PrefixFixture.h"
#include <algorithm>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets or clears environment variables for one scope.
class EnvScope {
public:
    void Set(const char* name, const char* value)
    {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvScope()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

int Mode(const fs::path& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

using PrefixLocation = PrefixTest;

TEST_F(PrefixLocation, FollowsEnvironmentInOrder)
{
    struct Case {
        const char* prefix;
        const char* config;
        const char* home;
        std::string expected;
    } cases[] = {
        { "/p/velmora-x/", "/cfg", "/home/u", "/p/velmora-x" },
        { "", "/cfg", "/home/u", "/cfg/velmora" },
        { nullptr, "/cfg/", "/home/u", "/cfg/velmora" },
        { nullptr, "relative/cfg", "/home/u", "/home/u/.config/velmora" },
        { nullptr, nullptr, "/home/u", "/home/u/.config/velmora" },
    };
    for (const Case& c : cases) {
        EnvScope env;
        env.Set("VELMORA_PREFIX", c.prefix);
        env.Set("XDG_CONFIG_HOME", c.config);
        env.Set("HOME", c.home);
        EXPECT_EQ(VelPrefix::Path(), c.expected) << (c.prefix ? c.prefix : "(unset)");
    }
}

TEST_F(PrefixLocation, CreatedPrivateOnFirstUse)
{
    EXPECT_FALSE(fs::exists(m_prefix));
    char buffer[4096];
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    std::string expected = m_prefix.string() + "/windows";
    ASSERT_EQ(std::string(buffer), expected);
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(Mode(m_prefix), 0700);
    EXPECT_TRUE(fs::is_directory(m_prefix / "windows" / "TWAIN_32"));

    // Too small: nothing copied, the size needed with its terminating zero.
    char small[4] = "abc";
    EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), expected.size() + 1);
    EXPECT_STREQ(small, "abc");
}

TEST_F(PrefixLocation, UncreatablePrefixIsReported)
{
    fs::path blocker = Scratch("blocker") / "file";
    WriteAll(blocker, "x");
    ::setenv("VELMORA_PREFIX", (blocker / "prefix").c_str(), 1);
    EXPECT_THROW(VelPrefix::Ensure(), EInOutError);
    char buffer[256];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
}

class DataSourceLinks : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        installed = Scratch("installed");
        built = Scratch("built");
        WriteAll(installed / "virtual.ds", "installed virtual");
        WriteAll(installed / "sane" / "deep" / "Sane.DS", "sane");
        WriteAll(installed / "notes.txt", "not a driver");
        fs::create_directories(installed / "folder.ds");
        WriteAll(built / "virtual.ds", "built virtual");
        WriteAll(built / "extra.ds", "extra");
        drivers = VelPrefix::DataSourceDirectory();
    }

    std::map<std::string, std::string> Listing() const
    {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::directory_iterator(drivers))
            entries[entry.path().filename()] = fs::is_symlink(entry.symlink_status()) ? fs::read_symlink(entry.path()).string() : "(file)";
        return entries;
    }

    fs::path installed, built, drivers;
};

TEST_F(DataSourceLinks, LinksEveryDriverAndEarlierFolderWins)
{
    WriteAll(drivers / "manual.ds", "copied by hand");
    fs::create_symlink(installed / "nowhere.ds", drivers / "gone.ds");
    fs::create_symlink(built / "extra.ds", drivers / "virtual.ds"); // stale: points elsewhere

    EXPECT_EQ(VelPrefix::LinkDataSources({ installed.string(), built.string(), "/no/such/folder" }), 3);
    std::map<std::string, std::string> expected {
        { "virtual.ds", fs::canonical(installed / "virtual.ds").string() },
        { "Sane.DS", fs::canonical(installed / "sane/deep/Sane.DS").string() },
        { "extra.ds", fs::canonical(built / "extra.ds").string() },
        { "manual.ds", "(file)" },
    };
    EXPECT_EQ(Listing(), expected);
    EXPECT_EQ(ReadAll(drivers / "manual.ds"), "copied by hand");

    // Again: nothing changes. A new build's driver shows up; a removed one goes.
    EXPECT_EQ(VelPrefix::LinkDataSources({ installed.string(), built.string() }), 3);
    EXPECT_EQ(Listing(), expected);
    WriteAll(built / "new.ds", "new");
    fs::remove(built / "extra.ds");
    EXPECT_EQ(VelPrefix::LinkDataSources({ installed.string(), built.string() }), 3);
    expected.erase("extra.ds");
    expected["new.ds"] = fs::canonical(built / "new.ds").string();
    EXPECT_EQ(Listing(), expected);
}

TEST_F(DataSourceLinks, RegisteredFoldersAreLinkedWhenAPrefixIsFirstUsed)
{
    VelPrefix::SetDataSourceFolders({ built.string() });
    // The prefix of this case is in use already: linked at once.
    EXPECT_TRUE(fs::is_symlink(drivers / "extra.ds"));
    // A prefix used for the first time gets them when it is created.
    fs::path other = m_prefix.string() + "-second";
    fs::remove_all(other);
    ::setenv("VELMORA_PREFIX", other.c_str(), 1);
    char buffer[4096];
    ASSERT_GT(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_EQ(fs::read_symlink(other / "windows/TWAIN_32/virtual.ds"), fs::canonical(built / "virtual.ds"));
    VelPrefix::SetDataSourceFolders({});
}

class DirectorySearch : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        dir = Scratch("search");
        for (const char* name : { "a.ds", "B.DS", ".hidden.ds", "twain.dsx", "plain" })
            WriteAll(dir / name, "x");
        fs::create_directories(dir / "x.ds");
        fs::create_symlink(dir / "missing", dir / "broken.ds");
    }

    // name -> attributes of every match.
    std::map<std::string, int> Find(const std::string& mask, int attr, int* first = nullptr) const
    {
        std::map<std::string, int> found;
        TSearchRec rec;
        int rc = FindFirst((dir / mask).string(), attr, rec);
        if (first)
            *first = rc;
        for (; rc == 0; rc = FindNext(rec))
            found[rec.Name] = rec.Attr;
        FindClose(rec);
        return found;
    }

    fs::path dir;
};

TEST_F(DirectorySearch, AttributesDecideWhatIsListed)
{
    std::map<std::string, int> plainFiles { { "a.ds", 0 }, { "B.DS", 0 } };
    EXPECT_EQ(Find("*.ds", 0), plainFiles);
    std::map<std::string, int> everything {
        { "a.ds", 0 }, { "B.DS", 0 }, { ".hidden.ds", faHidden }, { "x.ds", faDirectory }, { "broken.ds", faSysFile }
    };
    EXPECT_EQ(Find("*.DS", faAnyFile), everything);

    std::map<std::string, int> all = Find("*.*", faAnyFile);
    for (const char* name : { ".", "..", "plain", "twain.dsx", "a.ds" })
        EXPECT_TRUE(all.count(name)) << name;
    EXPECT_EQ(all["."], faDirectory);
}

TEST_F(DirectorySearch, FailuresLeaveNothingOpen)
{
    int rc = -1;
    EXPECT_TRUE(Find("*.none", faAnyFile, &rc).empty());
    EXPECT_EQ(rc, 2);
    TSearchRec rec;
    EXPECT_EQ(FindFirst((dir / "nope" / "*.*").string(), faAnyFile, rec), 3);
    EXPECT_EQ(FindNext(rec), 18);
    FindClose(rec);
    FindClose(rec);
}

TEST(MaskMatching, WildcardsWithoutCase)
{
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        { "scanner.ds", "*.DS", true },
        { "scanner.dsx", "*.ds", false },
        { "noext", "*.*", true },
        { "a.b.c", "*.c", true },
        { "abc", "a?c", true },
        { "ac", "a?c", false },
        { "aXbXc", "a*b*c", true },
        { "aXbX", "a*b*c", false },
        { "", "*", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(ModuleFile, WholePathOfTheRunningExecutable)
{
    AnsiString name = ModuleFileName();
    EXPECT_EQ(name, fs::canonical("/proc/self/exe").string());

    std::vector<char> buffer(name.size() + 1);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())), name.size());
    EXPECT_EQ(std::string(buffer.data()), name);
    // A buffer one short: cut, still terminated, and the return says so.
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(name.size())), name.size());
    EXPECT_EQ(std::string(buffer.data()), name.substr(0, name.size() - 1));
}
