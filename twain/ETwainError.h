#pragma once
// The scanner component's error: a failed manager or source call, with the
// step that failed and, where known, the condition the other side reported.
#include "platform/rtl/Exceptions.h"

class ETwainError : public Exception {
public:
    using Exception::Exception;
};
