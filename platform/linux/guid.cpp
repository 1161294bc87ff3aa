#include "platform/sdk/guid.h"

#include "platform/support/guids.h"

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
    constexpr int kNeeded = 39;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and its NUL
    if (buffer == nullptr || capacity < kNeeded) {
        return 0;
    }
    const std::u16string text = capspect::GuidToU16String(guid);
    text.copy(buffer, text.size());
    buffer[text.size()] = u'\0';
    return kNeeded;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (text == nullptr || clsid == nullptr) {
        return E_INVALIDARG;
    }
    const auto parsed = capspect::GuidFromString(std::u16string_view(text));
    if (!parsed) {
        return CO_E_CLASSSTRING;
    }
    *clsid = *parsed;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
    if (text == nullptr || iid == nullptr) {
        return E_INVALIDARG;
    }
    const auto parsed = capspect::GuidFromString(std::u16string_view(text));
    if (!parsed) {
        return E_INVALIDARG;
    }
    *iid = *parsed;
    return S_OK;
}
