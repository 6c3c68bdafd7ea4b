#pragma once
// Registry failures: "Failed to set data for '%s'", "Invalid data type for
// '%s'", "Failed to get data for '%s'", with the value's name.
#include "platform/rtl/Exceptions.h"

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};
