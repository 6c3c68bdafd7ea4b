#pragma once
// What a file dialog needs of the toolkit: one modal showing with the settings
// replayed, and what the user chose. The implementation in qt/ is the only
// code that touches the toolkit; no toolkit type appears here.
#include "platform/rtl/AnsiString.h"
#include "platform/vcl/dialogs/TOpenOptions.h"
#include <memory>
#include <vector>

struct TFileFilter {
    AnsiString name;     // what the list shows
    AnsiString patterns; // "*.jpg;*.jpeg"
};

struct TFileDialogRequest {
    AnsiString title;
    AnsiString defaultExt;           // without the dot; empty for none
    std::vector<TFileFilter> filters;
    int filterIndex { 0 };           // 0-based, valid for filters (0 when there are none)
    AnsiString fileName;             // offered in the name box; may carry a folder
    AnsiString initialDir;           // used when fileName has no folder
    TOpenOptions options;
};

struct TFileDialogAnswer {
    bool accepted { false };
    AnsiString fileName;             // absolute, default extension applied
    int filterIndex { 0 };           // 0-based
};

class TFileDialogBinding {
public:
    virtual ~TFileDialogBinding() = default;
    // Shows the dialog modally over the active window and waits for the user.
    virtual TFileDialogAnswer ExecuteSave(const TFileDialogRequest& request) = 0;

    // The toolkit's implementation.
    static std::unique_ptr<TFileDialogBinding> Create();
};
