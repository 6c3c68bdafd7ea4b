#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

EAssertionFailed::EAssertionFailed(const AnsiString& condition, const char* file, int line)
    : Exception(Format("%s (%s, line %d)", condition.c_str(), file, line))
{
}

EListError EListError::IndexOutOfBounds(int index)
{
    return EListError(Format("List index out of bounds (%d)", index));
}
