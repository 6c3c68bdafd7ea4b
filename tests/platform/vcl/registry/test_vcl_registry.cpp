#include "tests/platform/vcl/registry/RegistryError.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/registry/TIniFile.h"
#include "platform/vcl/registry/TRegistry.h"
#include "platform/win/prefix/Prefix.h"
#include "tests/platform/win/prefix/PrefixFixture.h"

namespace fs = std::filesystem;


using Registry = PrefixTest;

TEST_F(Registry, OpenReadWriteClose)
{
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Acme\\Tool", false));
    EXPECT_FALSE(reg.KeyExists("Software"));
    ASSERT_TRUE(reg.OpenKey("Software\\Acme\\Tool", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Acme\\Tool");
    reg.WriteString("Scale", "150");
    reg.WriteInteger("Count", -7);
    EXPECT_TRUE(reg.ValueExists("scale"));
    EXPECT_FALSE(reg.ValueExists("Other"));
    EXPECT_EQ(reg.ReadString("Other"), "");
    reg.CloseKey();

    // Relative to the open key, or absolute with a leading backslash.
    ASSERT_TRUE(reg.OpenKey("Software", false));
    ASSERT_TRUE(reg.OpenKey("acme", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\acme");
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\ACME\\TOOL", false));
    EXPECT_EQ(reg.ReadString("SCALE"), "150");
    EXPECT_EQ(reg.ReadInteger("count"), -7);
    EXPECT_EQ(reg.GetDataType("Count"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.GetDataSize("Scale"), 4);

    TStringList names;
    reg.GetValueNames(&names);
    ASSERT_EQ(names.Count(), 2);
    EXPECT_EQ(names.Strings(0), "Count");
    EXPECT_EQ(names.Strings(1), "Scale");
}

TEST_F(Registry, ErrorsNameTheValue)
{
    TRegistry reg;
    // Nothing open: a write has nowhere to go.
    EXPECT_EQ(RegistryError([&] { reg.WriteString("Scale", "1"); }), "Failed to set data for 'Scale'");
    ASSERT_TRUE(reg.OpenKey("Software\\T", true));
    reg.WriteInteger("Scale", 5);
    reg.WriteBinaryData("Blob", "\x01\x02", 2);
    reg.WriteString("Text", "x");
    EXPECT_EQ(RegistryError([&] { reg.ReadString("Scale"); }), "Invalid data type for 'Scale'");
    EXPECT_EQ(RegistryError([&] { reg.ReadString("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(RegistryError([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(RegistryError([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
    EXPECT_EQ(reg.ReadBinaryData("Blob"), std::string("\x01\x02", 2));

    // A key that cannot take values: the shell's folder key is read only.
    ASSERT_TRUE(reg.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true));
    EXPECT_EQ(RegistryError([&] { reg.WriteString("Desktop", "/x"); }), "Failed to set data for 'Desktop'");
}

using IniFile = PrefixTest;

TEST_F(IniFile, WinIniReadAndWritten)
{
    TIniFile ini("WIN.INI");
    EXPECT_EQ(ini.ReadString("TWAIN", "DEFAULT SOURCE", ""), "");
    ini.WriteString("TWAIN", "DEFAULT SOURCE", "Virtual Scanner");
    ini.WriteInteger("Numbers", "n", 42);
    fs::path file = fs::path(VelPrefix::WindowsDirectory()) / "win.ini";
    EXPECT_EQ(ReadAll(file), "[TWAIN]\nDEFAULT SOURCE=Virtual Scanner\n\n[Numbers]\nn=42\n");

    TIniFile again("win.ini");
    EXPECT_EQ(again.ReadString("twain", "default source", "?"), "Virtual Scanner");
    EXPECT_EQ(again.ReadInteger("numbers", "N", 0), 42);
    EXPECT_EQ(again.ReadInteger("TWAIN", "DEFAULT SOURCE", -1), -1);
    EXPECT_TRUE(again.SectionExists("NUMBERS"));
    EXPECT_TRUE(again.ValueExists("Numbers", "n"));
    TStringList sections;
    again.ReadSections(&sections);
    EXPECT_EQ(sections.Count(), 2);
    again.EraseSection("numbers");
    EXPECT_FALSE(again.SectionExists("Numbers"));
}

TEST_F(IniFile, FailedWriteRaisesAndKeepsTheFile)
{
    fs::path dir = Scratch("ini");
    fs::create_directories(dir / "blocked.ini");
    TIniFile blocked((dir / "blocked.ini").string());
    try {
        blocked.WriteString("TWAIN", "DEFAULT SOURCE", "x");
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + (dir / "blocked.ini").string());
    }
    WriteAll(dir / "kept.ini", "[A]\nk=old\n");
    TIniFile kept((dir / "kept.ini").string());
    EXPECT_THROW(kept.WriteString("A", "k", "two\nlines"), EIniFileException);
    EXPECT_EQ(ReadAll(dir / "kept.ini"), "[A]\nk=old\n");
}
