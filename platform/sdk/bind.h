// Binding an object by its display name (CoGetObject), as the platform's moniker parser
// does for the names this system uses.
//
// Built in: "@device:sw:{category}\{CLSID}" (a filter registered under a category) and
// "clsid:XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (the class moniker, with or without braces
// and a closing colon) both create the class through CoCreateInstance. Backends register
// binders for the names of their own objects (device paths, "@device:pnp:..."). A name no
// binder accepts answers MK_E_SYNTAX. The call asks InjectedFault("CoGetObject") first.
#pragma once

#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"

struct BIND_OPTS {
    DWORD cbStruct;
    DWORD grfFlags;
    DWORD grfMode;
    DWORD dwTickCountDeadline;
};

// Binding options are accepted and ignored.
HRESULT CoGetObject(LPCWSTR name, BIND_OPTS* bindOptions, REFIID riid, void** object);
