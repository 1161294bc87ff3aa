#include "platform/support/pin_category.h"

#include "platform/support/comptr.h"
#include "platform/support/interface_id.h"

namespace capspect {

std::optional<GUID> PinCategoryOf(IPin& pin) {
    ComPtr<IKsPropertySet> properties;
    if (FAILED(pin.QueryInterface(IID_PPV_ARGS(properties.GetAddressOf())))) {
        return std::nullopt;
    }
    GUID category{};
    DWORD returned = 0;
    if (FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                               sizeof category, &returned)) ||
        returned != sizeof category) {
        return std::nullopt;
    }
    return category;
}

}  // namespace capspect
