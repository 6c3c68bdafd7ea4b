#pragma once
// Test access to the recording manager: the same loaded "twain_32.so" the
// component loads by name, kept loaded by the test so the log survives the
// component unloading it.
#include "platform/win/module/Module.h"
#include "tests/twain/fake/FakeDsm.h"
#include <stdexcept>
#include <string>
#include <vector>

class FakeManager {
public:
    explicit FakeManager(const std::string& folder)
    {
        m_module = LoadLibraryA((folder + "/twain_32.so").c_str());
        if (!m_module)
            throw std::runtime_error("fake manager not found in " + folder);
        bind(Reset, "FakeDsm_Reset");
        bind(Script, "FakeDsm_Script");
        bind(SetStatusResult, "FakeDsm_SetStatusResult");
        bind(SetPending, "FakeDsm_SetPending");
        bind(SetImage, "FakeDsm_SetImage");
        bind(SetSelection, "FakeDsm_SetSelection");
        bind(SetHook, "FakeDsm_SetHook");
        bind(CallCount, "FakeDsm_CallCount");
        bind(Call, "FakeDsm_Call");
        Reset();
    }
    ~FakeManager() { FreeLibrary(m_module); }

    // The calls logged so far, from index `from` on.
    std::vector<FakeCall> Calls(size_t from = 0) const
    {
        std::vector<FakeCall> calls;
        for (size_t i = from; i < CallCount(); ++i)
            calls.push_back(*Call(i));
        return calls;
    }

    decltype(&FakeDsm_Reset) Reset {};
    decltype(&FakeDsm_Script) Script {};
    decltype(&FakeDsm_SetStatusResult) SetStatusResult {};
    decltype(&FakeDsm_SetPending) SetPending {};
    decltype(&FakeDsm_SetImage) SetImage {};
    decltype(&FakeDsm_SetSelection) SetSelection {};
    decltype(&FakeDsm_SetHook) SetHook {};
    decltype(&FakeDsm_CallCount) CallCount {};
    decltype(&FakeDsm_Call) Call {};

private:
    template<typename F>
    void bind(F& f, const char* name)
    {
        f = reinterpret_cast<F>(GetProcAddress(m_module, name));
        if (!f)
            throw std::runtime_error(std::string("fake manager lacks ") + name);
    }

    HMODULE m_module { nullptr };
};

// A triplet for comparing logs.
struct Triplet {
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 msg;
    bool toSource;
    bool operator==(const Triplet&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Triplet& t)
{
    char text[64];
    snprintf(text, sizeof text, "{%u/%#06x/%#06x%s}", t.group, t.dat, t.msg, t.toSource ? " ->source" : "");
    return os << text;
}

inline std::vector<Triplet> Triplets(const std::vector<FakeCall>& calls)
{
    std::vector<Triplet> result;
    for (const FakeCall& c : calls)
        result.push_back({ c.group, c.dat, c.msg, c.toSource });
    return result;
}
