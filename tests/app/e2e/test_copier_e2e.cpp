// The copier as a user runs it: its real start-up, components, data sources,
// hive and printer, on a private prefix and home folder. The driver plays a
// script on the window and reports what it showed.
#include "platform/vcl/registry/TRegistry.h"
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class CopierEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("velmora-e2e-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "home");
        setenv("VELMORA_PREFIX", (root / "prefix").c_str(), 1);
        setenv("HOME", (root / "home").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        // No print server: the copier falls back to its PDF file printer.
        setenv("CUPS_SERVER", "127.0.0.1:9", 1);
    }
    void TearDown() override { fs::remove_all(root); }

    // Runs the copier with a script; the lines "key=value" it reports.
    std::map<std::string, std::string> run(const std::string& script)
    {
        std::string command = std::string(std::getenv("COPIER_DRIVER")) + " " + script + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        std::map<std::string, std::string> seen;
        char line[4096];
        std::string all;
        while (pipe && fgets(line, sizeof line, pipe)) {
            all += line;
            std::string s(line);
            if (!s.empty() && s.back() == '\n')
                s.pop_back();
            auto eq = s.find('=');
            if (eq != std::string::npos)
                seen[s.substr(0, eq)] += s.substr(eq + 1);
        }
        int status = pipe ? pclose(pipe) : -1;
        EXPECT_EQ(status, 0) << all;
        return seen;
    }

    fs::path root;
};

}

TEST_F(CopierEndToEnd, TheScaleSurvivesARestart)
{
    auto first = run("plus");
    EXPECT_EQ(first["display"], "101%");
    auto second = run("show");
    EXPECT_EQ(second["scale"], "101");
    EXPECT_EQ(second["display"], "101%");
    EXPECT_EQ(second["trackbar"], "101");

    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\Velmora Copier"));
    EXPECT_EQ(registry.ReadString("Scale"), "101");
}

TEST_F(CopierEndToEnd, AOnePageCopyFromTheVirtualScannerPrintsToAPdfFile)
{
    auto seen = run("copy");
    ASSERT_FALSE(seen["printed"].empty());
    fs::path pdf = seen["printed"];
    EXPECT_TRUE(fs::exists(pdf));
    EXPECT_EQ(pdf.parent_path(), root / "home" / "Documents" / "Velmora Copier");
    EXPECT_GT(fs::file_size(pdf), 1000u);
    EXPECT_EQ(seen.count("box"), 0u) << seen["box"];
}

TEST_F(CopierEndToEnd, ATwoPageCopyAsksForThe2ndPageAndPrintsOnce)
{
    auto seen = run("copy2");
    EXPECT_EQ(seen["box"], "Please now insert Page 2 to the scanner!");
    EXPECT_TRUE(fs::exists(seen["printed"]));
    EXPECT_EQ(seen["mode"], "1");
}
