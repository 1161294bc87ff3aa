#include "platform/devices/propertybag.h"

#include "platform/support/faults.h"
#include "platform/support/variant.h"
#include "platform/support/wide_string.h"

namespace capspect::sim {

HRESULT PropertyBag::Read(LPCOLESTR propertyName, VARIANT* value, IErrorLog* /*errorLog*/) {
    if (propertyName == nullptr || value == nullptr) {
        return E_POINTER;
    }
    if (const auto fault = InjectedFault("IPropertyBag::Read")) {
        return *fault;
    }
    const auto found = values_.find(Utf16Text(propertyName));
    if (found == values_.end()) {
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    if (const auto* text = std::get_if<std::u16string>(&found->second)) {
        if (value->vt != VT_EMPTY && value->vt != VT_BSTR) {
            return E_INVALIDARG;
        }
        const BSTR copy = BstrFromU16String(*text);
        if (copy == nullptr) {
            return E_OUTOFMEMORY;
        }
        value->vt = VT_BSTR;
        value->bstrVal = copy;
        return S_OK;
    }
    if (value->vt != VT_EMPTY && value->vt != VT_I4) {
        return E_INVALIDARG;
    }
    value->vt = VT_I4;
    value->lVal = std::get<LONG>(found->second);
    return S_OK;
}

HRESULT PropertyBag::Write(LPCOLESTR propertyName, VARIANT* value) {
    if (propertyName == nullptr || value == nullptr) {
        return E_POINTER;
    }
    return E_ACCESSDENIED;
}

}  // namespace capspect::sim
