#include "platform/win/shell/ShellAPI.h"
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool waitFor(const fs::path& path, int seconds = 20)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A private folder with the fake opener first on PATH, and one for its records.
class ShellExecuteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("vel-shell-" + std::to_string(getpid()) + "-"
                     + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "bin");
        fs::create_directories(m_root / "out");
        fs::copy_file(fs::path(getenv("VEL_SOURCE_DIR")) / "tests/platform/win/shell/xdg-open", m_root / "bin/xdg-open");
        fs::permissions(m_root / "bin/xdg-open", fs::perms::owner_all);
        m_oldPath = getenv("PATH") ? getenv("PATH") : "";
        setenv("PATH", ((m_root / "bin").string() + ":" + m_oldPath).c_str(), 1);
        setenv("FAKE_OPENER_DIR", out().c_str(), 1);
    }
    void TearDown() override
    {
        std::ofstream(out() / "release").put('\n');
        if (fs::exists(out() / "args"))
            waitFor(out() / "done", 10);
        setenv("PATH", m_oldPath.c_str(), 1);
        fs::remove_all(m_root);
    }
    fs::path out() const { return m_root / "out"; }

    fs::path m_root;
    std::string m_oldPath;
};

}

TEST_F(ShellExecuteTest, OpenPassesTheUrlUnchangedAsOneArgumentAndDoesNotWait)
{
    const std::string url = "https://example.invalid/a b?x=1&y=2;$(touch " + (out() / "pwned").string() + ")`id`|cat";
    int code = ShellExecuteResult(ShellExecute(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_GT(code, 32);

    ASSERT_TRUE(waitFor(out() / "args"));
    EXPECT_EQ(readFile(out() / "args"), url + std::string(1, '\0'));
    EXPECT_EQ(readFile(out() / "argc"), "1\n");
    // The opener is still waiting for its release: the call returned without it.
    EXPECT_FALSE(fs::exists(out() / "done"));
    // Detached: the opener is not our child.
    EXPECT_NE(std::stoi(readFile(out() / "ppid")), getpid());
    EXPECT_FALSE(fs::exists(out() / "pwned"));
}

TEST_F(ShellExecuteTest, WorkingDirectoryAndDefaultVerb)
{
    fs::path dir = m_root / "work dir";
    fs::create_directories(dir);
    int code = ShellExecuteResult(ShellExecute(nullptr, nullptr, "file:///tmp/x.html", "", dir.c_str(), SW_SHOWNORMAL));
    EXPECT_EQ(code, SE_SUCCESS);
    ASSERT_TRUE(waitFor(out() / "args"));
    EXPECT_EQ(readFile(out() / "cwd"), fs::canonical(dir).string() + "\n");
}

TEST_F(ShellExecuteTest, RefusedCallsStartNothing)
{
    struct Case {
        const char* verb;
        const char* file;
        const char* parameters;
        const char* directory;
        int expected;
    };
    const std::string missingDir = (m_root / "missing").string();
    const std::vector<Case> cases = {
        { "print", "https://example.invalid/", nullptr, nullptr, SE_ERR_NOASSOC },
        { "explore", "/tmp", nullptr, nullptr, SE_ERR_NOASSOC },
        { "open", "https://example.invalid/", "--new-window", nullptr, SE_ERR_NOASSOC },
        { "open", nullptr, nullptr, nullptr, SE_ERR_FNF },
        { "open", "", nullptr, nullptr, SE_ERR_FNF },
        { "open", "--version", nullptr, nullptr, SE_ERR_FNF },
        { "open", "https://example.invalid/", nullptr, missingDir.c_str(), SE_ERR_PNF },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.verb + std::string(" ") + (c.file ? c.file : "(null)"));
        EXPECT_EQ(ShellExecuteResult(ShellExecute(nullptr, c.verb, c.file, c.parameters, c.directory, SW_SHOWNORMAL)), c.expected);
    }
    EXPECT_FALSE(fs::exists(out() / "args"));
}

TEST_F(ShellExecuteTest, NoOpenerInstalled)
{
    fs::create_directories(m_root / "empty");
    setenv("PATH", (m_root / "empty").c_str(), 1);
    EXPECT_EQ(ShellExecuteResult(ShellExecute(nullptr, "open", "https://example.invalid/", nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
}

TEST_F(ShellExecuteTest, AnOpenerThatCannotBeExecutedIsReported)
{
    // Executable bit but no interpreter: exec fails in the detached child and
    // the failure still reaches the caller.
    fs::path bad = m_root / "bad";
    fs::create_directories(bad);
    std::ofstream(bad / "xdg-open") << "#!/nonexistent/interpreter\n";
    fs::permissions(bad / "xdg-open", fs::perms::owner_all);
    setenv("PATH", bad.c_str(), 1);
    EXPECT_EQ(ShellExecuteResult(ShellExecute(nullptr, "open", "https://example.invalid/", nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_FNF);
}
