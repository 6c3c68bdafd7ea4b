#include "app/Startup.h"
#include "platform/vcl/forms/SelectionDialog.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/win/prefix/Prefix.h"
#include "platform/win/registry/WinReg.h"
#include "twain/dsm/DsmHooks.h"
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

void PrepareStartup(const char*)
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    std::vector<AnsiString> folders;
    if (!ec) {
        fs::path dir = exe.parent_path();
        folders.push_back((dir / "../lib/velmora").lexically_normal().string());
#ifdef VEL_BUILD_LIBDIR
        // Run from the build tree: its freshly built data sources.
        fs::path build = fs::path(VEL_BUILD_LIBDIR).parent_path().parent_path();
        auto [end, _] = std::mismatch(build.begin(), build.end(), dir.begin(), dir.end());
        if (end == build.end())
            folders.push_back(VEL_BUILD_LIBDIR);
#endif
    }
    VelPrefix::SetDataSourceFolders(folders);
    VelPrefix::Ensure();

    // A settings store that had to be set aside and started afresh is told once.
    SetHiveMessageHandler([](const AnsiString& message) {
        Application->MessageBox(message, "Velmora Copier", MB_OK | MB_ICONWARNING);
    });

    // The scanner manager's dialogs, shown by the copier.
    SetSelectSourceHook([](const std::vector<AnsiString>& names, int current) {
        int index = current;
        return ShowSelectionDialog("Select Source", "Sources:", names, index) ? index : -1;
    });
    SetSourceDialogHook([](const AnsiString& source) {
        return Application->MessageBox("Scan the page now?", source, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    });
}
