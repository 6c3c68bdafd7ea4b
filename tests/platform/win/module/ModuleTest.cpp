// Loading libraries by name: the ".DLL" mapping, the places searched (never
// the current folder), paths, symbols and failures.
#include "platform/win/module/Module.h"
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(Module, DllNamesMapToSharedObjects)
{
    EXPECT_EQ(LibraryFileName("TWAIN_32.DLL"), "twain_32.so");
    EXPECT_EQ(LibraryFileName("Mixed.Dll"), "mixed.so");
    EXPECT_EQ(LibraryFileName("plugin.ds"), "plugin.ds");
    EXPECT_EQ(LibraryFileName(".dll"), ".dll");
}

TEST(Module, BareNamesAreNotLookedForInTheCurrentFolder)
{
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(DECOY_DIR), 0);
    SetDllDirectoryA(nullptr);
    EXPECT_EQ(LoadLibraryA("decoy_name.DLL"), nullptr);
    EXPECT_NE(LastLoadError().find("not found"), AnsiString::npos) << LastLoadError();
    for (const AnsiString& folder : LibrarySearchPath())
        EXPECT_NE(folder, DECOY_DIR);
    ASSERT_EQ(chdir(previous), 0);
    free(previous);
}

TEST(Module, TheDllDirectoryIsSearchedFirstAndSymbolsAreFound)
{
    SetDllDirectoryA(DECOY_DIR);
    ASSERT_EQ(LibrarySearchPath().front(), DECOY_DIR);
    HMODULE module = LoadLibraryA("DECOY_NAME.DLL");
    ASSERT_NE(module, nullptr) << LastLoadError();
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "DecoyAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(module, "NoSuchSymbol"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    SetDllDirectoryA(nullptr);
    EXPECT_EQ(LoadLibraryA("DECOY_NAME.DLL"), nullptr);
}

TEST(Module, PathsAreLoadedAsTheyStand)
{
    HMODULE module = LoadLibraryA(DECOY_DIR "/decoy_name.so");
    ASSERT_NE(module, nullptr);
    FreeLibrary(module);
    EXPECT_EQ(LoadLibraryA(DECOY_DIR "/missing.so"), nullptr);
    EXPECT_FALSE(LastLoadError().empty());
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
}

}
