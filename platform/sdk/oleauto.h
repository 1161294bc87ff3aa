// OLE Automation values: BSTR strings, VARIANT values with their conversions, and the
// property bag interface through which device monikers describe their devices.
#pragma once

#include <string>
#include <string_view>

#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"

using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using FLOAT = float;
using DOUBLE = double;
using SCODE = LONG;
using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// A length-prefixed UTF-16 string owned by the caller that receives it; freed with
// SysFreeString. Its length is stored in front of the characters, so it may hold NULs.
using BSTR = OLECHAR*;

BSTR SysAllocString(const OLECHAR* text);
// Copies `length` characters of `text`, or leaves them zero when `text` is null.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// A string of `bytes` bytes copied from `data` (zeroed when `data` is null).
BSTR SysAllocStringByteLen(const char* data, UINT bytes);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

// The value types this layer supports are VT_EMPTY, VT_NULL, the integer types, VT_R4,
// VT_R8, VT_BOOL, VT_ERROR, VT_BSTR and VT_UNKNOWN; the others answer DISP_E_BADVARTYPE.
struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
    };
};
using VARIANTARG = VARIANT;

// Flags of VariantChangeType.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

void VariantInit(VARIANTARG* value);
// Frees what the value owns (its string, its interface reference) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANTARG* value);
// Clears `dest`, then makes it an independent copy of `source`.
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source);
// Converts `source` to type `vt` into `dest` (which may be `source`). Numbers convert to
// decimal text; text converts to numbers with rounding to even; out-of-range values answer
// DISP_E_OVERFLOW and impossible conversions DISP_E_TYPEMISMATCH, leaving `dest` as it was.
// VT_BOOL becomes "True"/"False" with VARIANT_ALPHABOOL, else "-1"/"0".
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE vt);

struct IErrorLog;
CAPSPECT_INTERFACE_ID(IErrorLog, IUnknown, 0x3127CA40, 0x446E, 0x11CE, 0x81, 0x35, 0x00, 0xAA, 0x00,
                      0x4B, 0xB8, 0x51);

// Named values. Read with a VT_EMPTY value answers the stored type; with another type it
// answers that type or fails.
struct IPropertyBag : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(LPCOLESTR propertyName, VARIANT* value,
                                           IErrorLog* errorLog) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(LPCOLESTR propertyName, VARIANT* value) = 0;

protected:
    ~IPropertyBag() = default;
};
CAPSPECT_INTERFACE_ID(IPropertyBag, IUnknown, 0x55272A00, 0x42CB, 0x11CE, 0x81, 0x35, 0x00, 0xAA,
                      0x00, 0x4B, 0xB8, 0x51);
