// BSTR text and a VARIANT that clears itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

#include <oleauto.h>

namespace capspect {

// The text of a BSTR; a null BSTR is the empty string, as the platform treats it.
std::u16string BstrToU16String(BSTR text);
// A new BSTR with the text; the caller frees it.
BSTR BstrFromU16String(std::u16string_view text);

// The property `name` of `bag` as text; nothing when the bag has no such property or its
// value has no text form.
std::optional<std::u16string> ReadPropertyText(IPropertyBag& bag, const char16_t* name);

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARIANT* operator->() { return &value_; }
    const VARIANT* operator->() const { return &value_; }

private:
    VARIANT value_;
};

}  // namespace capspect
