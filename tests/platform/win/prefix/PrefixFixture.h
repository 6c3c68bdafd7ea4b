#pragma once
// Every test case gets a prefix of its own below the one the test runner
// hands out, so no case sees another's hive, profile files or links.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

class PrefixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* base = std::getenv("VELMORA_PREFIX");
        std::string root = base && *base ? base : (std::filesystem::temp_directory_path() / "velmora-test").string();
        if (m_root.empty())
            m_root = root;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_prefix = std::filesystem::path(m_root) / (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(m_prefix);
        std::filesystem::create_directories(m_prefix.parent_path());
        ::setenv("VELMORA_PREFIX", m_prefix.c_str(), 1);
    }
    void TearDown() override { ::setenv("VELMORA_PREFIX", m_root.c_str(), 1); }

    // A scratch folder beside the prefix (not inside it).
    std::filesystem::path Scratch(const std::string& name) const
    {
        auto path = m_prefix.string() + ".scratch/" + name;
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        return path;
    }

    static std::string ReadAll(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void WriteAll(const std::filesystem::path& path, const std::string& text)
    {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::filesystem::path m_prefix;
    static inline std::string m_root;
};
