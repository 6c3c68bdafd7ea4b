#pragma once
// The copier's start-up and message loop; returns the exit code (always 0).
// main() is only this; test drivers run the same sequence.
#include <functional>

// started runs after the windows exist, before the message loop.
int RunCopier(int argc, char** argv, const std::function<void()>& started = {});
