// Display names bound by CoGetObject on Linux: a backend registers the prefixes it serves.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/sdk/bind.h"

namespace capspect {

// Binds the whole display name and answers `riid` on the object.
using DisplayNameBinder =
    std::function<HRESULT(std::u16string_view displayName, REFIID riid, void** object)>;

// Names that begin with `prefix` (ASCII letters compared without regard to case) go to
// `binder`; the longest registered prefix wins. Registering a prefix again replaces it.
void RegisterDisplayNameBinder(std::u16string prefix, DisplayNameBinder binder);
void RevokeDisplayNameBinder(std::u16string_view prefix);

}  // namespace capspect
