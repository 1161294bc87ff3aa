// OleCreatePropertyFrame: the platform's modal property sheet for a set of objects. There
// is no dialog in the platform layer; a front end that can show property pages installs a
// handler, and without one the call shows nothing and succeeds, as the command line needs.
#pragma once

#include "platform/sdk/guid.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"

// Shows the property pages `pageClsids` for `objects` in a frame owned by `owner`, at x, y,
// captioned `caption`. Answers E_POINTER for a null object or page list with a non-zero
// count, else the handler's answer (S_OK without a handler). Fault name:
// "OleCreatePropertyFrame".
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, LPCLSID pageClsids, LCID lcid,
                               DWORD reserved, void* reservedPointer);
