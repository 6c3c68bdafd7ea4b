#pragma once
// Creates the Qt binding for a control of the forms library, by its kind.
#include "platform/vcl/forms/TWidgetBinding.h"
#include <memory>

class TControl;

namespace qtbind {
std::unique_ptr<TWidgetBinding> CreateBinding(TControl* control, TWidgetBinding* parent);
}
