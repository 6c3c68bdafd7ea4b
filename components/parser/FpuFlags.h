#pragma once
// Cheap tests of the floating-point unit's sticky error flags for the
// evaluators' inner loops. FloatGuard (platform/rtl/FloatCheck.h) turns a
// raised flag into the platform's arithmetic error.
#include "platform/rtl/FloatCheck.h"
#include <cfenv>

namespace FpuFlags {

constexpr int kErrors = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// Whether division by zero, an invalid operation or overflow is flagged.
// Taking the value as a memory operand makes the compiler finish the
// computation that produced it before the flags are read.
template <typename T>
inline bool Raised(const T& after)
{
#if defined(__x86_64__) || defined(__i386__)
    // Extended precision works in the x87 unit, double precision in SSE: read both.
    unsigned short status;
    unsigned int control;
    asm volatile("fnstsw %0\n\tstmxcsr %1" : "=m"(status), "=m"(control) : "m"(after));
    return ((status | control) & kErrors) != 0;
#else
    asm volatile("" : : "m"(after));
    return std::fetestexcept(kErrors) != 0;
#endif
}

inline bool Raised()
{
    int none = 0;
    return Raised(none);
}

// Raises the platform's arithmetic error when the computation of value flagged one.
template <typename T>
inline T Checked(T value)
{
    if (Raised(value))
        FloatGuard::Check();
    return value;
}

// Clears flags left by earlier code so that only this computation's count.
inline void Reset()
{
    if (Raised())
        FloatGuard::Clear();
}

}
