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

}  // namespace capspect
