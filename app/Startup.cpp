#include "app/Startup.h"
#include "platform/win/prefix/Prefix.h"
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
}
