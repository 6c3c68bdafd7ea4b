#pragma once
// The runtime's exception classes. Every failure the platform reports is one of
// these, carrying the exact message text the callers (and their users) see.
#include "platform/rtl/AnsiString.h"
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : m_message(std::move(message)) { }
    const AnsiString& Message() const { return m_message; }
    void SetMessage(AnsiString message) { m_message = std::move(message); }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    AnsiString m_message;
};

// "'%s' is not a valid integer value" and friends.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A violated precondition: the condition text followed by the source file and line.
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(const AnsiString& condition, const char* file, int line);
    using Exception::Exception;
};

// "List index out of bounds (%d)".
class EListError : public Exception {
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(int index);
};

// The arithmetic errors of the floating-point unit.
class EMathError : public Exception {
public:
    using Exception::Exception;
};
class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") { }
    using EMathError::EMathError;
};
class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") { }
    using EMathError::EMathError;
};
class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") { }
    using EMathError::EMathError;
};

// Integer division by zero.
class EDivByZero : public Exception {
public:
    EDivByZero() : Exception("Division by zero") { }
    using Exception::Exception;
};

// File input and output.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// Raises EAssertionFailed with the condition text, file and line when cond is false.
#define VCL_ASSERT(cond, text) \
    do { \
        if (!(cond)) \
            throw EAssertionFailed((text), __FILE__, __LINE__); \
    } while (0)
