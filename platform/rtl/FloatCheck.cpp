#include "platform/rtl/FloatCheck.h"
#include "platform/rtl/Exceptions.h"

void FloatGuard::Check()
{
    int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    if (!raised)
        return;
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_DIVBYZERO)
        throw EZeroDivide();
    if (raised & FE_INVALID)
        throw EInvalidOp();
    throw EOverflow();
}
