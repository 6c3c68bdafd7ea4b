#pragma once
// Sets the numeric locale the parser sees for the life of a test: "C" (".")
// or the comma locale built for these tests, and puts the environment back.
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

class LocaleScope {
public:
    enum Kind { Dot, Comma };

    explicit LocaleScope(Kind kind)
    {
        Save("LC_ALL", m_all);
        Save("LOCPATH", m_path);
        if (kind == Comma) {
            const char* dir = std::getenv("VEL_COMMA_LOCPATH");
#ifdef VEL_COMMA_LOCPATH_DEFAULT
            if (!dir)
                dir = VEL_COMMA_LOCPATH_DEFAULT;
#endif
            EXPECT_NE(dir, nullptr) << "VEL_COMMA_LOCPATH is not set";
            setenv("LOCPATH", dir ? dir : "", 1);
            setenv("LC_ALL", "de_DE.UTF-8", 1);
        } else {
            unsetenv("LOCPATH");
            setenv("LC_ALL", "C", 1);
        }
    }
    ~LocaleScope()
    {
        Restore("LC_ALL", m_all);
        Restore("LOCPATH", m_path);
    }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    static void Save(const char* name, std::optional<std::string>& slot)
    {
        if (const char* v = std::getenv(name))
            slot = v;
    }
    static void Restore(const char* name, const std::optional<std::string>& slot)
    {
        if (slot)
            setenv(name, slot->c_str(), 1);
        else
            unsetenv(name);
    }

    std::optional<std::string> m_all;
    std::optional<std::string> m_path;
};
