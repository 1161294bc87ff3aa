// OleCreatePropertyFrame: the platform's modal property sheet for a set of objects. There
// is no dialog in the platform layer; a front end that can show property pages installs a
// handler, and without one the call shows nothing and succeeds, as the command line needs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/sdk/guid.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"
#include "platform/support/comptr.h"

// Shows the property pages `pageClsids` for `objects` in a frame owned by `owner`, at x, y,
// captioned `caption`. Answers E_POINTER for a null object or page list with a non-zero
// count, else the handler's answer (S_OK without a handler). Fault name:
// "OleCreatePropertyFrame".
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pageClsids,
                               LCID lcid, DWORD reserved, void* reservedPointer);

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
