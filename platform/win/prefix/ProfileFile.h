#pragma once
// Profile files ("win.ini" and friends): [sections] of key=value lines.
// Sections and keys are found without regard to case and keep the case they
// were written with; every other line (comments, blank lines, lines that are
// neither) is kept as it stands. A change rewrites the whole file through a
// temporary file renamed over it, under a lock on its folder, so a reader
// sees the old file or the new one and two writers do not lose each other's
// changes.
//
// A name without a folder ("WIN.INI") lives in the Windows directory; an
// existing file there is found whatever its letter case, a new one is created
// in lower case.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include <functional>
#include <optional>
#include <vector>

class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(std::string_view text);

    // Reads the file; a missing or unreadable file is an empty profile.
    static ProfileFile Load(const AnsiString& path);
    // The file a profile name stands for (see above).
    static AnsiString Resolve(const AnsiString& name);
    // Loads the file, lets edit change it and, when edit returns true, writes
    // it back atomically, all under the folder's lock. False when the edit
    // refused or the file could not be written.
    static bool Update(const AnsiString& path, const std::function<bool(ProfileFile&)>& edit);

    // Values lose surrounding blanks and one pair of matching quotes.
    std::optional<AnsiString> Read(std::string_view section, std::string_view key) const;
    std::vector<AnsiString> Sections() const;
    std::vector<AnsiString> Keys(std::string_view section) const;
    bool SectionExists(std::string_view section) const;

    // False (and nothing changed) for text that cannot be stored: an empty
    // key, a line break anywhere, "=" in a key, "]" in a section name.
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    void EraseSection(std::string_view section);

    AnsiString Text() const;

private:
    // Index of the header line of the first section named so, or npos.
    size_t FindSection(std::string_view section) const;
    // Index past the last line of the section whose header is at index.
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, std::string_view key) const;

    std::vector<AnsiString> m_lines;
    AnsiString m_newline { "\n" };
};

// The Win32 calls. A null section lists the section names, a null key the
// keys of the section, each ended by a zero with one more zero at the end.
// Returns the characters copied without the final zero; a value that does not
// fit is cut to size - 1 (size - 2 for lists).
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size, LPCSTR fileName);
// A null value deletes the key, a null key the whole section.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
// The same on "win.ini" in the Windows directory.
DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size);
BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value);
