// The handler that shows property frames on Linux: the front end's dialog, or none.
#pragma once

#include <string>
#include <vector>

#include <functional>

#include "platform/sdk/property_frame.h"
#include "platform/support/comptr.h"

namespace capspect {

// One call of OleCreatePropertyFrame, as the handler sees it.
struct PropertyFrameRequest {
    HWND owner = nullptr;
    UINT x = 0;
    UINT y = 0;
    std::u16string caption;
    std::vector<ComPtr<IUnknown>> objects;
    std::vector<CLSID> pages;
    LCID lcid = 0;
};

// Shows the frame and answers when it is closed.
using PropertyFrameHandler = std::function<HRESULT(const PropertyFrameRequest& request)>;

// Installs the handler for the calling process and answers the one it replaces; an empty
// handler returns to showing nothing.
PropertyFrameHandler SetPropertyFrameHandler(PropertyFrameHandler handler);

}  // namespace capspect
