#pragma once
// The file dialogs on the toolkit's own (non-native) file dialog, so that they
// look and behave the same on every desktop and can be driven offscreen.
#include "platform/vcl/dialogs/TFileDialogBinding.h"

class QtFileDialogBinding : public TFileDialogBinding {
public:
    TFileDialogAnswer ExecuteSave(const TFileDialogRequest& request) override;
};
