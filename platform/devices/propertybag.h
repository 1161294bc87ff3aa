// A read-only property bag of named strings and 32-bit integers: what a device moniker's
// BindToStorage hands out.
#pragma once

#include <map>
#include <string>
#include <variant>

#include <windows.h>

#include <oleauto.h>

#include "platform/support/comobject.h"
#include "platform/support/unicode.h"

namespace capspect::sim {

class PropertyBag final : public ComObject<IPropertyBag> {
public:
    using Value = std::variant<std::u16string, LONG>;
    using Values = std::map<std::u16string, Value, NameLess>;

    explicit PropertyBag(Values values) : values_(std::move(values)) {}

    // Names compare without regard to letter case. A missing name answers
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND). With VT_EMPTY or the stored type in `value`
    // the value is stored there (whatever `value` held is overwritten, not freed: callers
    // commonly set only its type); any other requested type answers E_INVALIDARG.
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR propertyName, VARIANT* value,
                                   IErrorLog* errorLog) override;
    // The bag describes hardware and cannot be changed: E_ACCESSDENIED.
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR propertyName, VARIANT* value) override;

private:
    const Values values_;
};

}  // namespace capspect::sim
