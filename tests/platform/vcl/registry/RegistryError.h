#pragma once
// What a registry call raised, for tests that compare the messages.
#include "platform/vcl/registry/TRegistry.h"
#include <string>

// Runs f and returns the registry error's message, or "(no error)".
template <typename F>
std::string RegistryError(F f)
{
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return "(no error)";
}
