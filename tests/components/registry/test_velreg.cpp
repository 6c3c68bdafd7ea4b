#include "tests/platform/vcl/registry/RegistryError.h"
#include "components/registry/TVelReg.h"
#include "platform/vcl/forms/TCheckBox.h"
#include "platform/vcl/forms/TRadioButton.h"
#include "platform/vcl/registry/TRegistry.h"
#include "tests/platform/win/prefix/PrefixFixture.h"
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;
namespace fs = std::filesystem;

namespace {

// A helper process with its standard output on a pipe.
class Helper {
public:
    explicit Helper(std::vector<std::string> args, const std::string& program = VELREG_HELPER)
    {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~Helper()
    {
        if (m_pid > 0)
            Kill();
        ::close(m_out);
    }
    // Reads one line of output (blocks until it comes or the helper ends).
    std::string Line()
    {
        std::string line;
        char c;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    int Wait()
    {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Kill()
    {
        ::kill(m_pid, SIGKILL);
        Wait();
    }

private:
    pid_t m_pid { -1 };
    int m_out { -1 };
};

class VelRegTest : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        reg.SetProgrammname("Velmora Copier");
    }
    TVelReg reg;
};


} // namespace

using ValueStore = VelRegTest;

TEST_F(ValueStore, PopOfNothingIsEmptyAndCreatesNothing)
{
    EXPECT_EQ(reg.Pop("Scale"), "");
    TRegistry check;
    EXPECT_FALSE(check.KeyExists("Software"));
    reg.Push("Other", "1");
    EXPECT_EQ(reg.Pop("Scale"), "");
    EXPECT_EQ(reg.Pop("other"), "1");
}

TEST_F(ValueStore, KeyFollowsCompanyAndProgramme)
{
    struct Case {
        const char* company;
        const char* programme;
        const char* key;
    } cases[] = {
        { "Acme", "Tool", "Software\\Acme\\Tool" },
        { "", "Tool", "Software\\Tool" },
        { "", "Velmora Copier", "Software\\Velmora Copier" },
        { "A\\B", "C", "Software\\A\\B\\C" },
    };
    for (const Case& c : cases) {
        TVelReg r;
        r.SetFirmenname(c.company);
        r.SetProgrammname(c.programme);
        EXPECT_EQ(r.ProgrammKey(), c.key);
        r.Push("Where", c.key);
        TRegistry check;
        ASSERT_TRUE(check.OpenKey(c.key, false)) << c.key;
        EXPECT_EQ(check.ReadString("Where"), c.key);
    }
}

TEST_F(ValueStore, SurvivesRestartsBothWays)
{
    reg.Push("Scale", "150");
    Helper reader({ "pop", "Scale" });
    EXPECT_EQ(reader.Line(), "150");
    EXPECT_EQ(reader.Wait(), 0);

    Helper writer({ "push", "Scale", "101" });
    EXPECT_EQ(writer.Wait(), 0);
    EXPECT_EQ(reg.Pop("SCALE"), "101");
}

TEST_F(ValueStore, FailuresRaiseTheRegistryErrors)
{
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Velmora Copier", true));
    raw.WriteInteger("Scale", 100);
    EXPECT_EQ(RegistryError([&] { reg.Pop("Scale"); }), "Invalid data type for 'Scale'");
    // The next write replaces the value of the wrong type.
    reg.Push("Scale", "100");
    EXPECT_EQ(reg.Pop("Scale"), "100");

    // A programme key that takes no values (the shell's read-only folder key).
    TVelReg shell;
    shell.SetFirmenname("Microsoft\\Windows\\CurrentVersion\\Explorer");
    shell.SetProgrammname("Shell Folders");
    EXPECT_EQ(RegistryError([&] { shell.Push("Scale", "1"); }), "Failed to set data for 'Scale'");
}

TEST_F(ValueStore, IsIntLooksAtTheFirstCharacterOnly)
{
    struct Case {
        const char* text;
        bool expected;
    } cases[] = {
        { "", false }, { "7", true }, { " 7", false }, { "12abc", true }, { "-5", false }, { "\xB2", false }, { "0", true }, { "9x", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(reg.IsInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST_F(ValueStore, AppDirIsTheExecutablesFolderHoweverLong)
{
    AnsiString dir = reg.AppDir();
    EXPECT_EQ(dir, fs::canonical("/proc/self/exe").parent_path().string() + "/");

    // Deeper than any fixed 256-byte buffer would hold.
    fs::path deep = Scratch("appdir") / std::string(100, 'd') / std::string(100, 'e') / std::string(100, 'f');
    fs::create_directories(deep);
    fs::copy_file(VELREG_HELPER, deep / "velreg_helper");
    fs::permissions(deep / "velreg_helper", fs::perms::owner_all);
    Helper helper({ "appdir" }, (deep / "velreg_helper").string());
    EXPECT_EQ(helper.Line(), fs::canonical(deep).string() + "/");
    EXPECT_EQ(helper.Wait(), 0);
}

TEST_F(ValueStore, TwoProcessesWritingAtOnceLoseNothing)
{
    {
        Helper a({ "writes", "A", "500" });
        Helper b({ "writes", "B", "500" });
        ASSERT_EQ(a.Wait(), 0);
        ASSERT_EQ(b.Wait(), 0);
    }
    int missing = 0;
    for (const char* tag : { "A", "B" })
        for (int i = 0; i < 500; ++i)
            if (reg.Pop(std::string(tag) + "-" + std::to_string(i)) != std::to_string(i))
                ++missing;
    EXPECT_EQ(missing, 0);
}

TEST_F(ValueStore, WriterKilledMidWriteLeavesOldOrNewValues)
{
    long last = 0;
    for (int round = 0; round < 20; ++round) {
        Helper writer({ "loop" });
        ASSERT_EQ(writer.Line(), "ready");
        // Vary the moment of the kill; whatever it hits must be safe.
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 1700 * (round % 7)));
        writer.Kill();

        AnsiString counter, big;
        ASSERT_NO_THROW(counter = reg.Pop("Counter"));
        ASSERT_NO_THROW(big = reg.Pop("Big"));
        long n = std::stol(counter);
        EXPECT_GT(n, last) << "round " << round;
        size_t colon = big.find(':');
        ASSERT_EQ(colon, 8192u) << "round " << round;
        long bigN = std::stol(big.substr(colon + 1));
        EXPECT_TRUE(bigN == n || bigN == n - 1) << bigN << " vs " << n;
        EXPECT_EQ(big.substr(0, colon), std::string(8192, static_cast<char>('0' + bigN % 10)));
        last = n;
    }
}

using ControlState = VelRegTest;

namespace {

template <typename... A>
concept CanPushBool = requires(TVelReg& r, A... a) { r.PushBool("n", a...); };
template <typename... A>
concept CanPopBool = requires(TVelReg& r, A... a) { r.PopBool("n", a...); };
template <typename... A>
concept CanPushRadio = requires(TVelReg& r, A... a) { r.PushRadioButtons("n", a...); };
template <typename... A>
concept CanPopRadio = requires(TVelReg& r, A... a) { r.PopRadioButtons("n", a...); };
using B = bool*;
using R = TRadioButton*;

// Groups take 2 to 10 members, and the pops a default position after them.
static_assert(!CanPushBool<B> && CanPushBool<B, B> && CanPushBool<B, B, B, B, B, B, B, B, B, B>);
static_assert(!CanPushBool<B, B, B, B, B, B, B, B, B, B, B>);
static_assert(!CanPopBool<B, int> && CanPopBool<B, B, int> && CanPopBool<B, B, B, B, B, B, B, B, B, B, int>);
static_assert(!CanPopBool<B, B, B, B, B, B, B, B, B, B, B, int> && !CanPopBool<B, B, B>);
static_assert(CanPushRadio<R, R> && !CanPushRadio<R> && !CanPushRadio<R, B>);
static_assert(CanPopRadio<R, R, R, int> && !CanPopRadio<R, R> && !CanPopRadio<R, R, R, R, R, R, R, R, R, R, R, int>);

} // namespace

TEST_F(ControlState, RadioButtonsStoreAndRestoreTheSelection)
{
    TRadioButton one(nullptr), two(nullptr), three(nullptr);
    two.SetChecked(true);
    reg.PushRadioButtons("Mode", &one, &two, &three);
    EXPECT_EQ(reg.Pop("Mode"), "2");
    two.SetChecked(false);
    reg.PopRadioButtons("Mode", &one, &two, &three, 1);
    EXPECT_FALSE(one.Checked());
    EXPECT_TRUE(two.Checked());
    EXPECT_FALSE(three.Checked());
}

TEST_F(ControlState, GroupFallBacks)
{
    struct Case {
        const char* stored; // nullptr: nothing stored
        int defaultPosition;
        int selected; // 0: nothing
    } cases[] = {
        { nullptr, 1, 1 }, { nullptr, 0, 0 }, { nullptr, 4, 0 }, { "0", 3, 3 }, { "4", 0, 0 }, { "4", 2, 2 },
        { "02", 0, 0 }, { " 2", 0, 0 }, { "3", 1, 3 }, { "", 2, 2 }, { "-1", 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        TVelReg r;
        r.SetProgrammname(std::string("Case ") + (c.stored ? c.stored : "none") + " " + std::to_string(c.defaultPosition));
        if (c.stored)
            r.Push("G", c.stored);
        TRadioButton b1(nullptr), b2(nullptr), b3(nullptr);
        r.PopRadioButtons("G", &b1, &b2, &b3, c.defaultPosition);
        bool flags[3] = { false, false, false };
        r.PopBool("G", &flags[0], &flags[1], &flags[2], c.defaultPosition);
        TRadioButton* buttons[] = { &b1, &b2, &b3 };
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buttons[i]->Checked(), c.selected == i + 1) << "button " << i + 1;
            EXPECT_EQ(flags[i], c.selected == i + 1) << "flag " << i + 1;
        }
    }
}

TEST_F(ControlState, FlagsLastSelectedWinsAndNothingIsCleared)
{
    bool f[10] = {};
    f[0] = true;
    f[2] = true;
    reg.PushBool("Flags", &f[0], &f[1], &f[2]);
    EXPECT_EQ(reg.Pop("Flags"), "3");
    reg.PushBool("None", &f[1], &f[3]);
    EXPECT_EQ(reg.Pop("None"), "0");

    bool ten[10] = {};
    ten[9] = true;
    reg.PushBool("Ten", &ten[0], &ten[1], &ten[2], &ten[3], &ten[4], &ten[5], &ten[6], &ten[7], &ten[8], &ten[9]);
    EXPECT_EQ(reg.Pop("Ten"), "10");
    bool back[10] = {};
    back[0] = true; // already set elsewhere: stays set
    reg.PopBool("Ten", &back[0], &back[1], &back[2], &back[3], &back[4], &back[5], &back[6], &back[7], &back[8], &back[9], 0);
    EXPECT_TRUE(back[0]);
    EXPECT_TRUE(back[9]);
    EXPECT_EQ(std::count(back, back + 10, true), 2);
}

TEST_F(ControlState, CheckBox)
{
    TCheckBox box(nullptr);
    box.SetChecked(true);
    reg.PushCheckBox("Box", &box);
    EXPECT_EQ(reg.Pop("Box"), "1");
    box.SetChecked(false);
    reg.PushCheckBox("Box", &box);
    EXPECT_EQ(reg.Pop("Box"), "0");

    struct Case {
        const char* stored;
        bool flag;
        bool expected;
    } cases[] = {
        { nullptr, false, false }, { nullptr, true, false }, { "1", false, true }, { "0", true, false }, { "yes", true, false }, { "01", true, false },
    };
    for (const Case& c : cases) {
        if (c.stored)
            reg.Push("Check", c.stored);
        EXPECT_EQ(reg.PopCheckBox(c.stored ? "Check" : "Never", c.flag), c.expected) << (c.stored ? c.stored : "(none)");
    }
    // The box itself is left alone.
    reg.Push("Check", "1");
    reg.PopCheckBox("Check", false);
    EXPECT_FALSE(box.Checked());
}

using ShellFolders = VelRegTest;

TEST_F(ShellFolders, EveryFolderEndsInASlash)
{
    fs::path home = Scratch("home");
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.c_str(), 1);
    for (const char* v : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        ::unsetenv(v);
    WriteAll(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Arbeitsfläche\"\nXDG_DOCUMENTS_DIR=\"/data/docs/\"\n");
    std::string h = home.string();
    std::string share = h + "/.local/share";
    struct Case {
        AnsiString (TVelReg::*get)();
        std::string expected;
    } cases[] = {
        { &TVelReg::GetDirCache, h + "/.cache/" },
        { &TVelReg::GetDirDesktop, h + "/Arbeitsfläche/" },
        { &TVelReg::GetDirFavorites, share + "/velmora/Favorites/" },
        { &TVelReg::GetDirFonts, share + "/fonts/" },
        { &TVelReg::GetDirNetHood, share + "/velmora/NetHood/" },
        { &TVelReg::GetDirPersonal, "/data/docs/" },
        { &TVelReg::GetDirPrograms, share + "/applications/" },
        { &TVelReg::GetDirSendTo, share + "/velmora/SendTo/" },
        { &TVelReg::GetDirStartMenu, share + "/applications/" },
        { &TVelReg::GetDirStartup, h + "/.config/autostart/" },
        { &TVelReg::GetDirAppData, share + "/" },
        { &TVelReg::GetDirQuickLaunch, share + "/velmora/Quick Launch/" },
    };
    for (const Case& c : cases)
        EXPECT_EQ((reg.*c.get)(), c.expected);
    EXPECT_EQ(reg.GetShellFolder("desktop"), h + "/Arbeitsfläche/");

    // A name the shell does not record: nothing, and nothing created.
    EXPECT_EQ(reg.GetShellFolder("Recent"), "");
    EXPECT_FALSE(TRegistry().KeyExists("Software"));
    EXPECT_FALSE(fs::exists(share));
    ::setenv("HOME", oldHome.c_str(), 1);
}
