#pragma once
// "Printer Settings ...": the toolkit's print dialog on the process's printer
// object. What the user picks there (printer, copies, orientation) becomes the
// printer object's current printer and settings.
#include "platform/rtl/TComponent.h"

class TPrinterSetupDialog : public TComponent {
public:
    explicit TPrinterSetupDialog(TComponent* owner = nullptr) : TComponent(owner) { }

    // True when the user confirmed the dialog.
    virtual bool Execute();
};
