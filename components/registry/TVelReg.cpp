#include "components/registry/TVelReg.h"
#include "platform/vcl/registry/TRegistry.h"
#include "platform/win/prefix/ModuleFileName.h"

namespace {

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kMapGroups = "Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";

} // namespace

TVelReg::TVelReg(TComponent* owner) : TComponent(owner) { }

void TVelReg::SetProgrammname(const AnsiString& value)
{
    if (value == FProgrammname)
        return;
    FProgrammname = value;
}

void TVelReg::SetFirmenname(const AnsiString& value)
{
    if (value == FFirmenname)
        return;
    FFirmenname = value;
}

AnsiString TVelReg::ProgrammKey() const
{
    AnsiString key = "Software\\";
    if (!FFirmenname.empty())
        key += FFirmenname + "\\";
    return key + FProgrammname;
}

void TVelReg::Push(AnsiString name, AnsiString value)
{
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    // When the key cannot be opened or created, the write below finds no key
    // and raises the registry's own error.
    reg.OpenKey(ProgrammKey(), true);
    reg.WriteString(name, value);
    reg.CloseKey();
}

AnsiString TVelReg::Pop(AnsiString name)
{
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(ProgrammKey(), false))
        return {};
    // A missing value reads as "", so asking first whether it exists would
    // only cost a second look-up.
    AnsiString value = reg.ReadString(name);
    reg.CloseKey();
    return value;
}

bool TVelReg::IsInt(AnsiString s)
{
    return !s.empty() && s[0] >= '0' && s[0] <= '9';
}

AnsiString TVelReg::AppDir()
{
    AnsiString file = ModuleFileName();
    size_t slash = file.rfind('/');
    return slash == AnsiString::npos ? AnsiString() : file.substr(0, slash + 1);
}

void TVelReg::PushSelection(const AnsiString& name, const std::vector<bool>& selected)
{
    AnsiString text = "0";
    for (size_t i = 0; i < selected.size(); ++i)
        if (selected[i])
            text = IntToStr(static_cast<long long>(i + 1));
    Push(name, text);
}

int TVelReg::PopSelection(const AnsiString& name, size_t count, int defaultPosition)
{
    AnsiString text = Pop(name);
    int position = 0;
    for (size_t i = 1; i <= count; ++i)
        if (text == IntToStr(static_cast<long long>(i)))
            position = static_cast<int>(i);
    if (position == 0 && defaultPosition >= 1 && static_cast<size_t>(defaultPosition) <= count)
        position = defaultPosition;
    return position;
}

void TVelReg::PushBoolList(const AnsiString& name, const std::vector<bool*>& flags)
{
    std::vector<bool> selected;
    for (bool* flag : flags)
        selected.push_back(flag && *flag);
    PushSelection(name, selected);
}

void TVelReg::PopBoolList(const AnsiString& name, const std::vector<bool*>& flags, int defaultPosition)
{
    int position = PopSelection(name, flags.size(), defaultPosition);
    if (position > 0 && flags[static_cast<size_t>(position - 1)])
        *flags[static_cast<size_t>(position - 1)] = true;
}

bool TVelReg::PopCheckBox(AnsiString name, bool)
{
    return Pop(name) == "1";
}

AnsiString TVelReg::ReadFolder(const AnsiString& key, const AnsiString& name)
{
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(key))
        return {};
    AnsiString path = reg.ValueExists(name) ? reg.ReadString(name) : AnsiString();
    reg.CloseKey();
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

AnsiString TVelReg::GetShellFolder(AnsiString name)
{
    return ReadFolder(kShellFolders, name);
}

AnsiString TVelReg::GetDirCache() { return GetShellFolder("Cache"); }
AnsiString TVelReg::GetDirDesktop() { return GetShellFolder("Desktop"); }
AnsiString TVelReg::GetDirFavorites() { return GetShellFolder("Favorites"); }
AnsiString TVelReg::GetDirFonts() { return GetShellFolder("Fonts"); }
AnsiString TVelReg::GetDirNetHood() { return GetShellFolder("NetHood"); }
AnsiString TVelReg::GetDirPersonal() { return GetShellFolder("Personal"); }
AnsiString TVelReg::GetDirPrograms() { return GetShellFolder("Programs"); }
AnsiString TVelReg::GetDirSendTo() { return GetShellFolder("SendTo"); }
AnsiString TVelReg::GetDirStartMenu() { return GetShellFolder("Start Menu"); }
AnsiString TVelReg::GetDirStartup() { return GetShellFolder("Startup"); }
AnsiString TVelReg::GetDirAppData() { return GetShellFolder("AppData"); }

AnsiString TVelReg::GetDirQuickLaunch()
{
    return ReadFolder(kMapGroups, "Quick Launch");
}
