#include "platform/vcl/registry/TIniFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TStrings.h"
#include "platform/win/prefix/ProfileFile.h"

AnsiString TIniFile::Path() const
{
    try {
        return ProfileFile::Resolve(m_fileName);
    } catch (const Exception&) {
        WriteFailed();
    }
}

void TIniFile::WriteFailed() const
{
    throw EIniFileException(Format("Unable to write to %s", m_fileName.c_str()));
}

ProfileFile TIniFile::Load() const
{
    try {
        return ProfileFile::Load(ProfileFile::Resolve(m_fileName));
    } catch (const Exception&) {
        return {}; // reading reports no errors: a file that cannot be reached is empty
    }
}

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& defaultValue)
{
    return Load().Read(section, ident).value_or(defaultValue);
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value)
{
    if (!ProfileFile::Update(Path(), [&](ProfileFile& profile) { return profile.Write(section, ident, value); }))
        WriteFailed();
}

int32_t TIniFile::ReadInteger(const AnsiString& section, const AnsiString& ident, int32_t defaultValue)
{
    AnsiString text = ReadString(section, ident, "");
    int32_t value;
    // Hexadecimal "0x..." is accepted as well, as the class library does.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        try {
            size_t used = 0;
            long long parsed = std::stoll(text.substr(2), &used, 16);
            if (used == text.size() - 2 && parsed <= 0xFFFFFFFFLL)
                return static_cast<int32_t>(static_cast<uint32_t>(parsed));
        } catch (const std::exception&) {
        }
        return defaultValue;
    }
    return TryStrToInt(text, value) ? value : defaultValue;
}

void TIniFile::WriteInteger(const AnsiString& section, const AnsiString& ident, int32_t value)
{
    WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& ident, bool defaultValue)
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const AnsiString& section, const AnsiString& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::SectionExists(const AnsiString& section)
{
    return Load().SectionExists(section);
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& ident)
{
    return Load().Read(section, ident).has_value();
}

void TIniFile::ReadSection(const AnsiString& section, TStrings* strings)
{
    if (!strings)
        return;
    strings->Clear();
    for (const AnsiString& key : Load().Keys(section))
        strings->Add(key);
}

void TIniFile::ReadSections(TStrings* strings)
{
    if (!strings)
        return;
    strings->Clear();
    for (const AnsiString& name : Load().Sections())
        strings->Add(name);
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& ident)
{
    if (!ProfileFile::Update(Path(), [&](ProfileFile& profile) {
            profile.DeleteKey(section, ident);
            return true;
        }))
        WriteFailed();
}

void TIniFile::EraseSection(const AnsiString& section)
{
    if (!ProfileFile::Update(Path(), [&](ProfileFile& profile) {
            profile.EraseSection(section);
            return true;
        }))
        WriteFailed();
}
