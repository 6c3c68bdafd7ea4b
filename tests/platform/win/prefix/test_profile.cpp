#include "platform/win/prefix/Prefix.h"
#include "platform/win/prefix/ProfileFile.h"
#include "tests/platform/win/prefix/PrefixFixture.h"
#include <thread>

namespace fs = std::filesystem;

namespace {

const char* const kFixture =
    "; written by hand\r\n"
    "[Devices]\r\n"
    "Printer=lp0\r\n"
    "\r\n"
    "; the scanner\r\n"
    "[twain]\r\n"
    "Default Source = Old Scanner \r\n"
    "Quoted=\"  padded  \"\r\n"
    "\r\n"
    "[Last]\r\n"
    "k=v\r\n";

} // namespace

TEST(ProfileText, FindsWithoutCaseAndKeepsEveryOtherLine)
{
    ProfileFile profile(kFixture);
    EXPECT_EQ(profile.Read("TWAIN", "DEFAULT SOURCE").value_or("?"), "Old Scanner");
    EXPECT_EQ(profile.Read("twain", "quoted").value_or("?"), "  padded  ");
    EXPECT_FALSE(profile.Read("TWAIN", "Printer"));
    EXPECT_FALSE(profile.Read("Nowhere", "k"));

    ASSERT_TRUE(profile.Write("TWAIN", "DEFAULT SOURCE", "New Scanner"));
    ASSERT_TRUE(profile.Write("Twain", "Added", "1"));
    ASSERT_TRUE(profile.Write("New Section", "Key", " keep my blanks "));
    EXPECT_EQ(profile.Text(),
        "; written by hand\r\n"
        "[Devices]\r\n"
        "Printer=lp0\r\n"
        "\r\n"
        "; the scanner\r\n"
        "[twain]\r\n"
        "Default Source=New Scanner\r\n"
        "Quoted=\"  padded  \"\r\n"
        "Added=1\r\n"
        "\r\n"
        "[Last]\r\n"
        "k=v\r\n"
        "\r\n"
        "[New Section]\r\n"
        "Key=\" keep my blanks \"\r\n");
    EXPECT_EQ(ProfileFile(profile.Text()).Read("new section", "key").value_or("?"), " keep my blanks ");

    profile.DeleteKey("TWAIN", "added");
    profile.EraseSection("LAST");
    EXPECT_EQ(profile.Sections(), (std::vector<AnsiString> { "Devices", "twain", "New Section" }));
    EXPECT_EQ(profile.Keys("twain"), (std::vector<AnsiString> { "Default Source", "Quoted" }));
}

TEST(ProfileText, RefusesTextThatWouldBreakTheFile)
{
    ProfileFile profile(kFixture);
    std::string before = profile.Text();
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        { "TWAIN", "", "x" },
        { "TWAIN", "a=b", "x" },
        { "TWAIN", "k", "two\nlines" },
        { "TW]AIN", "k", "x" },
        { "TWAIN", "[k", "x" },
        { "TW\nAIN", "k", "x" },
    };
    for (const Case& c : cases)
        EXPECT_FALSE(profile.Write(c.section, c.key, c.value)) << c.key << "/" << c.value;
    EXPECT_EQ(profile.Text(), before);
}

using ProfileCalls = PrefixTest;

TEST_F(ProfileCalls, WinIniInTheWindowsDirectory)
{
    fs::path winIni = fs::path(VelPrefix::WindowsDirectory()) / "win.ini";
    char buffer[64];
    EXPECT_EQ(GetProfileStringA("TWAIN", "DEFAULT SOURCE", "none  ", buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "none");
    EXPECT_FALSE(fs::exists(winIni));

    ASSERT_TRUE(WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "Virtual Scanner"));
    EXPECT_EQ(ReadAll(winIni), "[TWAIN]\nDEFAULT SOURCE=Virtual Scanner\n");
    EXPECT_EQ(GetPrivateProfileStringA("twain", "default source", "", buffer, sizeof buffer, "WIN.INI"), 15u);
    EXPECT_STREQ(buffer, "Virtual Scanner");

    // Cut to the buffer, always terminated.
    char small[8];
    EXPECT_EQ(GetProfileStringA("TWAIN", "DEFAULT SOURCE", "", small, sizeof small), 7u);
    EXPECT_STREQ(small, "Virtual");

    // Lists: each name ended by a zero, one more zero at the end.
    ASSERT_TRUE(WriteProfileStringA("TWAIN", "Other", "x"));
    ASSERT_TRUE(WriteProfileStringA("Second", "k", "v"));
    EXPECT_EQ(GetProfileStringA("TWAIN", nullptr, "", buffer, sizeof buffer), 21u);
    EXPECT_EQ(std::string(buffer, 22), std::string("DEFAULT SOURCE\0Other\0\0", 22));
    EXPECT_EQ(GetProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer), 13u);
    EXPECT_EQ(std::string(buffer, 14), std::string("TWAIN\0Second\0\0", 14));

    // A null value deletes the key, a null key the section.
    ASSERT_TRUE(WriteProfileStringA("TWAIN", "Other", nullptr));
    ASSERT_TRUE(WriteProfileStringA("Second", nullptr, nullptr));
    EXPECT_EQ(ReadAll(winIni), "[TWAIN]\nDEFAULT SOURCE=Virtual Scanner\n");
}

TEST_F(ProfileCalls, ExistingFileFoundWhateverItsCase)
{
    fs::path upper = fs::path(VelPrefix::WindowsDirectory()) / "WIN.INI";
    WriteAll(upper, "[TWAIN]\nDEFAULT SOURCE=Mine\n");
    char buffer[32];
    GetProfileStringA("TWAIN", "DEFAULT SOURCE", "", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Mine");
    ASSERT_TRUE(WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "Yours"));
    EXPECT_EQ(ReadAll(upper), "[TWAIN]\nDEFAULT SOURCE=Yours\n");
    EXPECT_FALSE(fs::exists(upper.parent_path() / "win.ini"));
}

TEST_F(ProfileCalls, FailedWriteLeavesTheFileAsItWas)
{
    fs::path dir = Scratch("ini");
    fs::path file = dir / "app.ini";
    WriteAll(file, "[A]\nk=old\n");
    // A value that cannot be stored: nothing is written.
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "new\nline", file.c_str()));
    EXPECT_EQ(ReadAll(file), "[A]\nk=old\n");
    // A file that cannot be replaced (a folder is in its place).
    fs::path blocked = dir / "blocked.ini";
    fs::create_directories(blocked);
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "v", blocked.c_str()));
    // No temporary files left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(ProfileCalls, ConcurrentWritersLoseNothing)
{
    fs::path file = Scratch("ini") / "shared.ini";
    auto writer = [&](const char* section) {
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(WritePrivateProfileStringA(section, ("k" + std::to_string(i)).c_str(), std::to_string(i).c_str(), file.c_str()));
    };
    std::thread a(writer, "A");
    std::thread b(writer, "B");
    a.join();
    b.join();
    ProfileFile profile = ProfileFile::Load(file);
    EXPECT_EQ(profile.Keys("A").size(), 100u);
    EXPECT_EQ(profile.Keys("B").size(), 100u);
    EXPECT_EQ(profile.Read("B", "k99").value_or("?"), "99");
}
