#pragma once
// What the data source manager and its sources need from the program's user
// interface, without knowing any toolkit: the program installs these hooks
// (the copier installs dialogs); tests script the answers instead.
//
// The source selection: names of the sources in the order the manager lists
// them and the index of the current default; the hook returns the index of
// the chosen source, or -1 when the user cancelled. When the environment
// variable VELMORA_TWAIN_SELECT is set, it answers instead of any hook: the
// source of that product name, or cancel when no source has it. With neither,
// the selection is cancelled.
//
// A source's own dialog (shown when an acquisition asks for the source's user
// interface): the source's name; true to scan, false to cancel. Without a hook
// the source decides by its own settings.
//
// One instance per process (a shared library), so the program and the
// plugins see the same hooks. Hooks are called on the user-interface thread.
#include "platform/rtl/AnsiString.h"
#include <functional>
#include <optional>
#include <vector>

using TSelectSourceHook = std::function<int(const std::vector<AnsiString>& names, int current)>;
using TSourceDialogHook = std::function<bool(const AnsiString& sourceName)>;

void SetSelectSourceHook(TSelectSourceHook hook);
void SetSourceDialogHook(TSourceDialogHook hook);

// What the manager calls: the chosen index or -1.
int SelectSourceFromUser(const std::vector<AnsiString>& names, int current);
// What a source calls: the user's answer, or nothing when no dialog is installed.
std::optional<bool> AskSourceDialog(const AnsiString& sourceName);
