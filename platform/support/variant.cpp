#include "platform/support/variant.h"

#include "platform/support/wide_string.h"

namespace capspect {

std::u16string BstrToU16String(BSTR text) {
    if (text == nullptr) {
        return {};
    }
    return std::u16string(Utf16Text(text, SysStringLen(text)));
}

BSTR BstrFromU16String(std::u16string_view text) {
    return SysAllocStringLen(WideChars(text), static_cast<UINT>(text.size()));
}

std::optional<std::u16string> ReadPropertyText(IPropertyBag& bag, const char16_t* name) {
    // A fresh value for each read, so nothing leaks between reads.
    Variant value;
    if (FAILED(bag.Read(WideText(name), value.get(), nullptr)) ||
        FAILED(VariantChangeType(value.get(), value.get(), 0, VT_BSTR))) {
        return std::nullopt;
    }
    return BstrToU16String(value->bstrVal);
}

}  // namespace capspect
