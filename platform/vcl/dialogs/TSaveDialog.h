#pragma once
// The save dialog: asks for the name of a file to write. The component keeps
// its settings between showings (the name chosen last time is offered again);
// the native dialog exists only while Execute runs and is handed them then.
//
// Filter is written as the class library writes it, pairs of a name and its
// patterns separated by "|": "JPEG-Format|*.jpg|BMP-Format (Windows)|*.bmp";
// several patterns of one entry are separated by ";". FilterIndex counts the
// entries from 1 and tells, after Execute, which one the user chose.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TComponent.h"
#include "platform/vcl/dialogs/TFileDialogBinding.h"
#include "platform/vcl/dialogs/TOpenOptions.h"
#include <vector>

class TSaveDialog : public TComponent {
public:
    explicit TSaveDialog(TComponent* owner = nullptr);
    ~TSaveDialog() override;

    const AnsiString& Title() const { return m_title; }
    void SetTitle(const AnsiString& title) { m_title = title; }

    // Appended (after a dot) when the name typed has no extension.
    const AnsiString& DefaultExt() const { return m_defaultExt; }
    void SetDefaultExt(const AnsiString& extension);

    const AnsiString& Filter() const { return m_filter; }
    void SetFilter(const AnsiString& filter) { m_filter = filter; }

    int FilterIndex() const { return m_filterIndex; }
    void SetFilterIndex(int index) { m_filterIndex = index; }

    const AnsiString& FileName() const { return m_fileName; }
    void SetFileName(const AnsiString& fileName) { m_fileName = fileName; }

    const AnsiString& InitialDir() const { return m_initialDir; }
    void SetInitialDir(const AnsiString& folder) { m_initialDir = folder; }

    TOpenOptions Options() const { return m_options; }
    void SetOptions(TOpenOptions options) { m_options = options; }

    // Shows the dialog and waits. True when the user chose a file: FileName
    // then holds its full path and FilterIndex the entry chosen. Cancel leaves
    // both as they were and returns false.
    bool Execute();

    // The filter split into its entries (a trailing name without patterns is
    // dropped, as the native dialogs do).
    static std::vector<TFileFilter> ParseFilter(const AnsiString& filter);

private:
    AnsiString m_title;
    AnsiString m_defaultExt;
    AnsiString m_filter;
    int m_filterIndex { 1 };
    AnsiString m_fileName;
    AnsiString m_initialDir;
    TOpenOptions m_options { ofHideReadOnly, ofEnableSizing };
};
