#include "platform/sdk/oleauto.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/support/variant.h"

namespace {

// A BSTR points just past a 32-bit byte count; the characters end with a NUL that the count
// does not include.
constexpr std::size_t kLengthPrefix = sizeof(DWORD);
constexpr std::size_t kMaxBytes = 0x7FFFFFF0;

BSTR AllocateBytes(const void* data, std::size_t bytes) {
    if (bytes > kMaxBytes) {
        return nullptr;
    }
    // Three zero bytes after the data give a whole NUL character even for an odd count.
    const std::size_t total = kLengthPrefix + bytes + 3;
    auto* block = static_cast<unsigned char*>(std::malloc(total));
    if (block == nullptr) {
        return nullptr;
    }
    const auto count = static_cast<DWORD>(bytes);
    std::memcpy(block, &count, kLengthPrefix);
    if (data != nullptr && bytes > 0) {
        std::memcpy(block + kLengthPrefix, data, bytes);
    } else {
        std::memset(block + kLengthPrefix, 0, bytes);
    }
    std::memset(block + kLengthPrefix + bytes, 0, 3);
    return reinterpret_cast<BSTR>(block + kLengthPrefix);
}

unsigned char* BlockOf(BSTR text) {
    return reinterpret_cast<unsigned char*>(text) - kLengthPrefix;
}

bool IsSupportedType(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_INT:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_UINT:
        case VT_R4:
        case VT_R8:
        case VT_BOOL:
        case VT_ERROR:
        case VT_BSTR:
        case VT_UNKNOWN:
            return true;
        default:
            return false;
    }
}

// The numeric value of an integer, real or boolean variant.
std::optional<long double> NumericValue(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return 0.0L;
        case VT_I1:
            return static_cast<long double>(static_cast<signed char>(value.cVal));
        case VT_I2:
            return value.iVal;
        case VT_I4:
            return value.lVal;
        case VT_INT:
            return value.intVal;
        case VT_I8:
            return static_cast<long double>(value.llVal);
        case VT_UI1:
            return value.bVal;
        case VT_UI2:
            return value.uiVal;
        case VT_UI4:
            return value.ulVal;
        case VT_UINT:
            return value.uintVal;
        case VT_UI8:
            return static_cast<long double>(value.ullVal);
        case VT_R4:
            return value.fltVal;
        case VT_R8:
            return value.dblVal;
        case VT_BOOL:
            return value.boolVal;
        default:
            return std::nullopt;
    }
}

// The text as plain ASCII without surrounding blanks; nothing when it holds other characters.
std::optional<std::string> AsciiText(BSTR text) {
    std::string ascii;
    for (const char16_t c : capspect::BstrToU16String(text)) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    const auto first = ascii.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return ascii.substr(first, ascii.find_last_not_of(" \t") - first + 1);
}

std::optional<long double> ParseNumber(BSTR text) {
    std::optional<std::string> ascii = AsciiText(text);
    if (!ascii || ascii->empty()) {
        return std::nullopt;
    }
    std::string_view digits = *ascii;
    if (digits.front() == '+') {
        digits.remove_prefix(1);
    }
    const char* const end = digits.data() + digits.size();
    long long integer = 0;
    if (const auto [ptr, ec] = std::from_chars(digits.data(), end, integer);
        ec == std::errc() && ptr == end) {
        return static_cast<long double>(integer);
    }
    unsigned long long natural = 0;
    if (const auto [ptr, ec] = std::from_chars(digits.data(), end, natural);
        ec == std::errc() && ptr == end) {
        return static_cast<long double>(natural);
    }
    double real = 0;
    if (const auto [ptr, ec] = std::from_chars(digits.data(), end, real);
        ec == std::errc() && ptr == end && std::isfinite(real)) {
        return real;
    }
    return std::nullopt;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The number a variant converts to, or the failure code of the conversion.
HRESULT NumberFrom(const VARIANT& source, long double* number) {
    if (source.vt == VT_BSTR) {
        const auto parsed = ParseNumber(source.bstrVal);
        if (!parsed) {
            return DISP_E_TYPEMISMATCH;
        }
        *number = *parsed;
        return S_OK;
    }
    const auto value = NumericValue(source);
    if (!value) {
        return DISP_E_TYPEMISMATCH;
    }
    *number = *value;
    return S_OK;
}

template <typename Integer>
HRESULT StoreInteger(long double number, Integer* target) {
    // Rounds half to even, as the platform's conversions do.
    const long double rounded = std::nearbyint(number);
    if (rounded < static_cast<long double>(std::numeric_limits<Integer>::min()) ||
        rounded > static_cast<long double>(std::numeric_limits<Integer>::max())) {
        return DISP_E_OVERFLOW;
    }
    *target = static_cast<Integer>(rounded);
    return S_OK;
}

HRESULT StoreNumber(long double number, VARTYPE vt, VARIANT* target) {
    switch (vt) {
        case VT_I1: {
            signed char value = 0;
            const HRESULT hr = StoreInteger(number, &value);
            target->cVal = static_cast<CHAR>(value);
            return hr;
        }
        case VT_I2:
            return StoreInteger(number, &target->iVal);
        case VT_I4:
            return StoreInteger(number, &target->lVal);
        case VT_INT:
            return StoreInteger(number, &target->intVal);
        case VT_I8:
            return StoreInteger(number, &target->llVal);
        case VT_UI1:
            return StoreInteger(number, &target->bVal);
        case VT_UI2:
            return StoreInteger(number, &target->uiVal);
        case VT_UI4:
            return StoreInteger(number, &target->ulVal);
        case VT_UINT:
            return StoreInteger(number, &target->uintVal);
        case VT_UI8:
            return StoreInteger(number, &target->ullVal);
        case VT_R4:
            if (std::fabs(number) > std::numeric_limits<float>::max()) {
                return DISP_E_OVERFLOW;
            }
            target->fltVal = static_cast<float>(number);
            return S_OK;
        case VT_R8:
            target->dblVal = static_cast<double>(number);
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

template <typename Number>
std::string NumberText(Number value, int precision = 0) {
    char buffer[64];
    std::to_chars_result result;
    if constexpr (std::is_floating_point_v<Number>) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                               precision);
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    std::string text(buffer, result.ptr);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return text;
}

// The text of a variant, or the failure code when it has none.
HRESULT TextFrom(const VARIANT& source, USHORT flags, std::u16string* text) {
    std::string ascii;
    switch (source.vt) {
        case VT_EMPTY:
            break;
        case VT_BSTR:
            *text = capspect::BstrToU16String(source.bstrVal);
            return S_OK;
        case VT_BOOL:
            if ((flags & VARIANT_ALPHABOOL) != 0) {
                ascii = source.boolVal != VARIANT_FALSE ? "True" : "False";
            } else {
                ascii = source.boolVal != VARIANT_FALSE ? "-1" : "0";
            }
            break;
        case VT_R4:
            ascii = NumberText(source.fltVal, 7);
            break;
        case VT_R8:
            ascii = NumberText(source.dblVal, 15);
            break;
        case VT_I8:
            ascii = NumberText(source.llVal);
            break;
        case VT_UI8:
            ascii = NumberText(source.ullVal);
            break;
        default: {
            const auto value = NumericValue(source);
            if (!value) {
                return DISP_E_TYPEMISMATCH;
            }
            ascii = NumberText(static_cast<long long>(*value));
        }
    }
    text->assign(ascii.begin(), ascii.end());
    return S_OK;
}

HRESULT BooleanFrom(const VARIANT& source, VARIANT_BOOL* result) {
    if (source.vt == VT_BSTR) {
        if (const auto ascii = AsciiText(source.bstrVal)) {
            if (EqualsIgnoringCase(*ascii, "True")) {
                *result = VARIANT_TRUE;
                return S_OK;
            }
            if (EqualsIgnoringCase(*ascii, "False")) {
                *result = VARIANT_FALSE;
                return S_OK;
            }
        }
    }
    long double number = 0;
    if (const HRESULT hr = NumberFrom(source, &number); FAILED(hr)) {
        return hr;
    }
    *result = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// Converts into a fresh VT_EMPTY variant `target`.
HRESULT Convert(const VARIANT& source, USHORT flags, VARTYPE vt, VARIANT* target) {
    if (source.vt == vt) {
        return VariantCopy(target, &source);
    }
    switch (vt) {
        case VT_EMPTY:
            return S_OK;
        case VT_NULL:
            if (source.vt != VT_EMPTY) {
                return DISP_E_TYPEMISMATCH;
            }
            target->vt = VT_NULL;
            return S_OK;
        case VT_ERROR:
        case VT_UNKNOWN:
            return DISP_E_TYPEMISMATCH;
        case VT_BSTR: {
            std::u16string text;
            if (const HRESULT hr = TextFrom(source, flags, &text); FAILED(hr)) {
                return hr;
            }
            target->bstrVal = capspect::BstrFromU16String(text);
            if (target->bstrVal == nullptr) {
                return E_OUTOFMEMORY;
            }
            target->vt = VT_BSTR;
            return S_OK;
        }
        case VT_BOOL: {
            if (const HRESULT hr = BooleanFrom(source, &target->boolVal); FAILED(hr)) {
                return hr;
            }
            target->vt = VT_BOOL;
            return S_OK;
        }
        default: {
            long double number = 0;
            if (HRESULT hr = NumberFrom(source, &number); FAILED(hr)) {
                return hr;
            }
            if (const HRESULT hr = StoreNumber(number, vt, target); FAILED(hr)) {
                return hr;
            }
            target->vt = vt;
            return S_OK;
        }
    }
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<UINT>(std::u16string_view(text).size()));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    return AllocateBytes(text, static_cast<std::size_t>(length) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* data, UINT bytes) {
    return AllocateBytes(data, bytes);
}

void SysFreeString(BSTR text) {
    if (text != nullptr) {
        std::free(BlockOf(text));
    }
}

UINT SysStringByteLen(BSTR text) {
    if (text == nullptr) {
        return 0;
    }
    DWORD bytes = 0;
    std::memcpy(&bytes, BlockOf(text), kLengthPrefix);
    return bytes;
}

UINT SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}

void VariantInit(VARIANTARG* value) {
    value->vt = VT_EMPTY;
    value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
    value->llVal = 0;
}

HRESULT VariantClear(VARIANTARG* value) {
    if (value == nullptr) {
        return E_INVALIDARG;
    }
    if (!IsSupportedType(value->vt)) {
        return DISP_E_BADVARTYPE;
    }
    if (value->vt == VT_BSTR) {
        SysFreeString(value->bstrVal);
    } else if (value->vt == VT_UNKNOWN && value->punkVal != nullptr) {
        value->punkVal->Release();
    }
    VariantInit(value);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source) {
    if (dest == nullptr || source == nullptr) {
        return E_INVALIDARG;
    }
    if (dest == source) {
        return S_OK;
    }
    if (!IsSupportedType(source->vt)) {
        return DISP_E_BADVARTYPE;
    }
    if (const HRESULT hr = VariantClear(dest); FAILED(hr)) {
        return hr;
    }
    *dest = *source;
    if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
        dest->bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(source->bstrVal),
                                              SysStringByteLen(source->bstrVal));
        if (dest->bstrVal == nullptr) {
            VariantInit(dest);
            return E_OUTOFMEMORY;
        }
    } else if (source->vt == VT_UNKNOWN && source->punkVal != nullptr) {
        source->punkVal->AddRef();
    }
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE vt) {
    if (dest == nullptr || source == nullptr) {
        return E_INVALIDARG;
    }
    if (!IsSupportedType(source->vt) || !IsSupportedType(vt)) {
        return DISP_E_BADVARTYPE;
    }
    if (source->vt == VT_NULL && vt != VT_NULL) {
        return DISP_E_TYPEMISMATCH;
    }
    // Converting into a temporary first leaves `dest` untouched on failure and lets
    // `dest` and `source` be the same variant.
    VARIANT converted;
    VariantInit(&converted);
    if (const HRESULT hr = Convert(*source, flags, vt, &converted); FAILED(hr)) {
        VariantClear(&converted);
        return hr;
    }
    VariantClear(dest);
    *dest = converted;
    return S_OK;
}
