#include "platform/win/prefix/FindFile.h"
#include <cctype>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kNoMoreFiles = 18;

struct Search {
    DIR* dir { nullptr };
    AnsiString folder;
    AnsiString mask;
    ~Search()
    {
        if (dir)
            ::closedir(dir);
    }
};

char Fold(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool Match(const char* name, const char* mask)
{
    // Iterative glob with one back-tracking point per '*'.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*mask == '*') {
            star = mask++;
            resume = name;
        } else if (*mask == '?' || (*mask && Fold(*mask) == Fold(*name))) {
            ++mask;
            ++name;
        } else if (star) {
            mask = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*mask == '*')
        ++mask;
    return *mask == '\0';
}

int AttributesOf(const AnsiString& folder, const AnsiString& name, TSearchRec& f)
{
    AnsiString full = folder + "/" + name;
    struct stat st {};
    int attr = 0;
    if (::stat(full.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            attr |= faDirectory;
        else if (!S_ISREG(st.st_mode))
            attr |= faSysFile;
        if (::access(full.c_str(), W_OK) != 0)
            attr |= faReadOnly;
        f.Size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
        f.Time = st.st_mtime;
    } else {
        attr |= faSysFile; // a link to nothing
        f.Size = 0;
        f.Time = 0;
    }
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attr |= faHidden;
    return attr;
}

int Advance(TSearchRec& f)
{
    auto* search = static_cast<Search*>(f.FindHandle.get());
    if (!search)
        return kNoMoreFiles;
    while (dirent* entry = ::readdir(search->dir)) {
        AnsiString name = entry->d_name;
        if (!MatchesMask(name, search->mask))
            continue;
        int attr = AttributesOf(search->folder, name, f);
        if (attr & f.ExcludeAttr)
            continue;
        f.Name = name;
        f.Attr = attr;
        return 0;
    }
    return kNoMoreFiles;
}

} // namespace

bool MatchesMask(const AnsiString& name, const AnsiString& mask)
{
    if (mask == "*.*" || mask == "*")
        return true;
    return Match(name.c_str(), mask.c_str());
}

int FindFirst(const AnsiString& path, int attr, TSearchRec& f)
{
    FindClose(f);
    auto search = std::make_shared<Search>();
    size_t slash = path.rfind('/');
    if (slash == AnsiString::npos) {
        search->folder = ".";
        search->mask = path;
    } else {
        search->folder = slash == 0 ? AnsiString("/") : path.substr(0, slash);
        search->mask = path.substr(slash + 1);
    }
    search->dir = ::opendir(search->folder.c_str());
    if (!search->dir)
        return kPathNotFound;
    f.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    f.FindHandle = search;
    if (Advance(f) != 0) {
        FindClose(f);
        return kFileNotFound;
    }
    return 0;
}

int FindNext(TSearchRec& f)
{
    return Advance(f);
}

void FindClose(TSearchRec& f)
{
    f.FindHandle.reset();
}
