#pragma once
// The automation variant, in the few forms the browser's optional arguments
// take: omitted, a number, a text, or a byte array (post data).
#include "platform/vcl/web/WideString.h"
#include <cstdint>
#include <string>

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);

using VARTYPE = uint16_t;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_ARRAY = 0x2000;

class OleVariant {
public:
    OleVariant() = default;
    OleVariant(int32_t value) : m_type(VT_I4), m_int(value) { }
    OleVariant(WideString text) : m_type(VT_BSTR), m_text(std::move(text)) { }
    OleVariant(const char16_t* text) : m_type(VT_BSTR), m_text(text) { }

    // The automation convention for an optional argument left out.
    static OleVariant Omitted() { return Error(DISP_E_PARAMNOTFOUND); }
    static OleVariant Error(HRESULT code)
    {
        OleVariant v;
        v.m_type = VT_ERROR;
        v.m_error = code;
        return v;
    }
    static OleVariant Bytes(std::string bytes)
    {
        OleVariant v;
        v.m_type = VT_ARRAY | VT_UI1;
        v.m_bytes = std::move(bytes);
        return v;
    }

    VARTYPE Type() const { return m_type; }
    bool IsOmitted() const { return m_type == VT_EMPTY || (m_type == VT_ERROR && m_error == DISP_E_PARAMNOTFOUND); }
    HRESULT ErrorCode() const { return m_error; }
    int32_t Int() const { return m_int; }
    const WideString& Text() const { return m_text; }
    const std::string& ByteArray() const { return m_bytes; }

private:
    VARTYPE m_type { VT_EMPTY };
    int32_t m_int { 0 };
    HRESULT m_error { S_OK };
    WideString m_text;
    std::string m_bytes;
};
