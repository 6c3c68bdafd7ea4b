#pragma once
// The class library's profile-file object. A file name without a folder
// ("WIN.INI") is the file of that name in the Windows directory. Sections and
// keys are found without regard to case; a write keeps every other line of
// the file and replaces the file as a whole. A failed write raises
// EIniFileException "Unable to write to %s" with the file name as given.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TObject.h"
#include "platform/win/prefix/ProfileFile.h"

class TStrings;

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile : public TObject {
public:
    explicit TIniFile(const AnsiString& fileName) : m_fileName(fileName) { }

    const AnsiString& FileName() const { return m_fileName; }

    AnsiString ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& defaultValue);
    void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value);
    // Decimal text; a value that is not a number gives the default.
    int32_t ReadInteger(const AnsiString& section, const AnsiString& ident, int32_t defaultValue);
    void WriteInteger(const AnsiString& section, const AnsiString& ident, int32_t value);
    bool ReadBool(const AnsiString& section, const AnsiString& ident, bool defaultValue);
    void WriteBool(const AnsiString& section, const AnsiString& ident, bool value);

    bool SectionExists(const AnsiString& section);
    bool ValueExists(const AnsiString& section, const AnsiString& ident);
    void ReadSection(const AnsiString& section, TStrings* strings);
    void ReadSections(TStrings* strings);
    void DeleteKey(const AnsiString& section, const AnsiString& ident);
    void EraseSection(const AnsiString& section);

private:
    // The file on disk; raises EIniFileException when the Windows directory
    // cannot be prepared.
    AnsiString Path() const;
    ProfileFile Load() const;
    [[noreturn]] void WriteFailed() const;

    AnsiString m_fileName;
};
