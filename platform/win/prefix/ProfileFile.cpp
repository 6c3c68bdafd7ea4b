#include "platform/win/prefix/ProfileFile.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/prefix/Prefix.h"
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

std::string_view TrimView(std::string_view s)
{
    size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    size_t e = s.size();
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// The section name of a header line "[name]", if the line is one.
std::optional<std::string_view> HeaderName(std::string_view line)
{
    std::string_view t = TrimView(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return TrimView(t.substr(1, close - 1));
}

bool IsComment(std::string_view line)
{
    std::string_view t = TrimView(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// key and value of a "key=value" line.
bool SplitEntry(std::string_view line, std::string_view& key, std::string_view& value)
{
    if (IsComment(line) || HeaderName(line))
        return false;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = TrimView(line.substr(0, eq));
    value = TrimView(line.substr(eq + 1));
    return !key.empty();
}

AnsiString Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return AnsiString(value.substr(1, value.size() - 2));
    return AnsiString(value);
}

// Values that reading would change (surrounding blanks, a pair of quotes)
// are written in double quotes, so they come back exactly.
AnsiString QuoteIfNeeded(std::string_view value)
{
    if (value.empty())
        return {};
    bool blanks = value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t';
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (blanks || quoted)
        return "\"" + AnsiString(value) + "\"";
    return AnsiString(value);
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos || s.find('\0') != std::string_view::npos;
}

bool IsDirectory(const AnsiString& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

// Copies text into a caller's buffer the Win32 way.
DWORD CopyOut(std::string_view text, LPSTR buffer, DWORD size)
{
    if (!buffer || size == 0)
        return 0;
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// A list of zero-terminated names with one more zero at the end.
DWORD CopyList(const std::vector<AnsiString>& names, LPSTR buffer, DWORD size)
{
    if (!buffer || size < 2) {
        if (buffer && size == 1)
            buffer[0] = '\0';
        return 0;
    }
    size_t used = 0;
    for (const AnsiString& name : names) {
        if (used + name.size() + 1 > size - 1) {
            // Cut the last name so that both zeros still fit.
            size_t room = size - 2 - used;
            std::memcpy(buffer + used, name.data(), room);
            used += room;
            buffer[used++] = '\0';
            buffer[used] = '\0';
            return static_cast<DWORD>(size - 2);
        }
        std::memcpy(buffer + used, name.c_str(), name.size() + 1);
        used += name.size() + 1;
    }
    buffer[used] = '\0';
    return static_cast<DWORD>(used);
}

} // namespace

ProfileFile::ProfileFile(std::string_view text)
{
    if (text.find("\r\n") != std::string_view::npos)
        m_newline = "\r\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_lines.emplace_back(line);
        start = end + 1;
    }
}

ProfileFile ProfileFile::Load(const AnsiString& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return ProfileFile(text.str());
}

AnsiString ProfileFile::Resolve(const AnsiString& name)
{
    if (name.find('/') != AnsiString::npos)
        return name;
    AnsiString folder = VelPrefix::WindowsDirectory();
    if (DIR* dir = ::opendir(folder.c_str())) {
        AnsiString match;
        while (dirent* entry = ::readdir(dir)) {
            if (SameText(entry->d_name, name)) {
                match = entry->d_name;
                break;
            }
        }
        ::closedir(dir);
        if (!match.empty())
            return folder + "/" + match;
    }
    return folder + "/" + LowerCase(name);
}

bool ProfileFile::Update(const AnsiString& path, const std::function<bool(ProfileFile&)>& edit)
{
    size_t slash = path.rfind('/');
    AnsiString folder = slash == AnsiString::npos ? AnsiString(".") : (slash == 0 ? AnsiString("/") : path.substr(0, slash));
    if (!IsDirectory(folder))
        return false;
    // The lock is on the folder, not the file: the file is replaced by a new
    // one on every write, a lock on the old one would guard nothing.
    int lockFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lockFd < 0)
        return false;
    while (::flock(lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(lockFd);
            return false;
        }
    }
    bool ok = false;
    try {
        ProfileFile profile = Load(path);
        if (edit(profile)) {
            WriteFileAtomically(path, profile.Text());
            ok = true;
        }
    } catch (const Exception&) {
        ok = false;
    }
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    return ok;
}

size_t ProfileFile::FindSection(std::string_view section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (auto name = HeaderName(m_lines[i]); name && SameText(*name, TrimView(section)))
            return i;
    return npos;
}

size_t ProfileFile::SectionEnd(size_t header) const
{
    size_t i = header + 1;
    while (i < m_lines.size() && !HeaderName(m_lines[i]))
        ++i;
    return i;
}

size_t ProfileFile::FindKey(size_t header, std::string_view key) const
{
    size_t end = SectionEnd(header);
    std::string_view k, v;
    for (size_t i = header + 1; i < end; ++i)
        if (SplitEntry(m_lines[i], k, v) && SameText(k, TrimView(key)))
            return i;
    return npos;
}

std::optional<AnsiString> ProfileFile::Read(std::string_view section, std::string_view key) const
{
    size_t header = FindSection(section);
    if (header == npos)
        return std::nullopt;
    size_t line = FindKey(header, key);
    if (line == npos)
        return std::nullopt;
    std::string_view k, v;
    SplitEntry(m_lines[line], k, v);
    return Unquote(v);
}

std::vector<AnsiString> ProfileFile::Sections() const
{
    std::vector<AnsiString> names;
    for (const AnsiString& line : m_lines)
        if (auto name = HeaderName(line))
            names.emplace_back(*name);
    return names;
}

std::vector<AnsiString> ProfileFile::Keys(std::string_view section) const
{
    std::vector<AnsiString> keys;
    size_t header = FindSection(section);
    if (header == npos)
        return keys;
    size_t end = SectionEnd(header);
    std::string_view k, v;
    for (size_t i = header + 1; i < end; ++i)
        if (SplitEntry(m_lines[i], k, v))
            keys.emplace_back(k);
    return keys;
}

bool ProfileFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != npos;
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value)
{
    std::string_view s = TrimView(section);
    std::string_view k = TrimView(key);
    if (k.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)
        || k.find('=') != std::string_view::npos || s.find(']') != std::string_view::npos
        || k.front() == '[' || k.front() == ';' || k.front() == '#')
        return false;

    size_t header = FindSection(s);
    if (header == npos) {
        if (!m_lines.empty() && !TrimView(m_lines.back()).empty())
            m_lines.emplace_back();
        m_lines.push_back("[" + AnsiString(s) + "]");
        m_lines.push_back(AnsiString(k) + "=" + QuoteIfNeeded(value));
        return true;
    }
    size_t line = FindKey(header, k);
    if (line != npos) {
        // Keep the key as it was first written; only the value changes.
        std::string_view oldKey, oldValue;
        SplitEntry(m_lines[line], oldKey, oldValue);
        m_lines[line] = AnsiString(oldKey) + "=" + QuoteIfNeeded(value);
        return true;
    }
    // After the section's last entry, so the blank lines and comments that
    // lead into the next section stay with it.
    size_t insert = header + 1;
    size_t end = SectionEnd(header);
    std::string_view ek, ev;
    for (size_t i = header + 1; i < end; ++i)
        if (SplitEntry(m_lines[i], ek, ev))
            insert = i + 1;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), AnsiString(k) + "=" + QuoteIfNeeded(value));
    return true;
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key)
{
    size_t header = FindSection(section);
    if (header == npos)
        return;
    size_t line = FindKey(header, key);
    if (line != npos)
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(line));
}

void ProfileFile::EraseSection(std::string_view section)
{
    size_t header = FindSection(section);
    if (header == npos)
        return;
    size_t end = SectionEnd(header);
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header), m_lines.begin() + static_cast<std::ptrdiff_t>(end));
    // The last section goes with the blank line that separated it.
    if (header == m_lines.size())
        while (!m_lines.empty() && TrimView(m_lines.back()).empty())
            m_lines.pop_back();
}

AnsiString ProfileFile::Text() const
{
    AnsiString text;
    for (const AnsiString& line : m_lines) {
        text += line;
        text += m_newline;
    }
    return text;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size, LPCSTR fileName)
{
    if (!fileName)
        return CopyOut(defaultValue ? defaultValue : "", buffer, size);
    ProfileFile profile;
    try {
        profile = ProfileFile::Load(ProfileFile::Resolve(fileName));
    } catch (const Exception&) {
    }
    if (!section)
        return CopyList(profile.Sections(), buffer, size);
    if (!key)
        return CopyList(profile.Keys(section), buffer, size);
    std::optional<AnsiString> value = profile.Read(section, key);
    // The default loses trailing blanks, as the system's call does.
    AnsiString fallback = defaultValue ? AnsiString(defaultValue) : AnsiString();
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();
    return CopyOut(value ? *value : fallback, buffer, size);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    if (!section || !fileName)
        return FALSE;
    AnsiString path;
    try {
        path = ProfileFile::Resolve(fileName);
    } catch (const Exception&) {
        return FALSE;
    }
    bool ok = ProfileFile::Update(path, [&](ProfileFile& profile) {
        if (!key) {
            profile.EraseSection(section);
            return true;
        }
        if (!value) {
            profile.DeleteKey(section, key);
            return true;
        }
        return profile.Write(section, key, value);
    });
    return ok ? TRUE : FALSE;
}

DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size)
{
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, "win.ini");
}

BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value)
{
    return WritePrivateProfileStringA(section, key, value, "win.ini");
}
