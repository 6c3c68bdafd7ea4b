#pragma once
// Extended-precision arithmetic reports division by zero, invalid operations
// and overflow as the platform's arithmetic errors. The floating-point unit
// runs with its exceptions masked; callers clear the sticky flags, compute, and
// ask this guard to raise what happened. Underflow and inexact never raise.
#include <cfenv>

class FloatGuard {
public:
    FloatGuard() { std::feclearexcept(FE_ALL_EXCEPT); }
    // Raises EZeroDivide, EInvalidOp or EOverflow if the flag is up, then clears the flags.
    static void Check();
    static void Clear() { std::feclearexcept(FE_ALL_EXCEPT); }
};
