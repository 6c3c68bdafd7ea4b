#include "twain/dsm/DsmHooks.h"
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_mutex;
TSelectSourceHook g_select;
TSourceDialogHook g_dialog;

}

void SetSelectSourceHook(TSelectSourceHook hook)
{
    std::lock_guard lock(g_mutex);
    g_select = std::move(hook);
}

void SetSourceDialogHook(TSourceDialogHook hook)
{
    std::lock_guard lock(g_mutex);
    g_dialog = std::move(hook);
}

int SelectSourceFromUser(const std::vector<AnsiString>& names, int current)
{
    if (const char* scripted = std::getenv("VELMORA_TWAIN_SELECT")) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == scripted)
                return static_cast<int>(i);
        return -1;
    }
    TSelectSourceHook hook;
    {
        std::lock_guard lock(g_mutex);
        hook = g_select;
    }
    if (!hook)
        return -1;
    int chosen = hook(names, current);
    return chosen >= 0 && static_cast<size_t>(chosen) < names.size() ? chosen : -1;
}

std::optional<bool> AskSourceDialog(const AnsiString& sourceName)
{
    TSourceDialogHook hook;
    {
        std::lock_guard lock(g_mutex);
        hook = g_dialog;
    }
    if (!hook)
        return std::nullopt;
    return hook(sourceName);
}
