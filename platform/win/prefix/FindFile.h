#pragma once
// Directory search in the runtime's manner: FindFirst / FindNext / FindClose
// over the entries of one folder whose names match a mask, with the entries'
// attributes. Masks take '*' and '?' and match without regard to case, as on
// the system the callers were written for; "*.*" matches every name.
//
// Attributes are derived from the file system: a folder is faDirectory, a
// name starting with '.' is faHidden, a file the user may not write is
// faReadOnly, anything that is neither a regular file nor a folder (device,
// socket, pipe, dangling link) is faSysFile. Links are followed.
#include "platform/rtl/AnsiString.h"
#include <cstdint>
#include <ctime>
#include <memory>

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

struct TSearchRec {
    AnsiString Name;        // the entry's name, without its folder
    int Attr { 0 };
    int64_t Size { 0 };
    time_t Time { 0 };      // last modification
    int ExcludeAttr { 0 };  // entries with any of these attributes are skipped
    std::shared_ptr<void> FindHandle;
};

// path is a folder, a "/", and a mask ("dir/*.*"); a path without "/" searches
// the current folder. Entries carrying faHidden, faSysFile, faVolumeID or
// faDirectory are returned only when attr asks for them; plain files always.
// Returns 0 and fills f with the first match, else an error code (2: nothing
// matched, 3: the folder cannot be listed) and leaves nothing open.
int FindFirst(const AnsiString& path, int attr, TSearchRec& f);
// 0 and the next match, or 18 when there are no more.
int FindNext(TSearchRec& f);
// Ends the search; safe to call twice and after a failed FindFirst.
void FindClose(TSearchRec& f);

// Case-insensitive '*' / '?' match of a whole name; "*.*" matches everything.
bool MatchesMask(const AnsiString& name, const AnsiString& mask);
