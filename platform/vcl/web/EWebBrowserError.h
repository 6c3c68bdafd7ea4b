#pragma once
// A document that could not be loaded or parsed: the message says why.
#include "platform/rtl/Exceptions.h"

class EWebBrowserError : public Exception {
public:
    using Exception::Exception;
};
