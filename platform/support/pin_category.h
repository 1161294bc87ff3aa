// A pin's category (PIN_CATEGORY_CAPTURE, ..._PREVIEW, ...), as its IKsPropertySet
// answers it.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <optional>

namespace capspect {

// Nothing when the pin has no property set or does not answer the category whole.
std::optional<GUID> PinCategoryOf(IPin& pin);

}  // namespace capspect
