// On Linux: the platform's basic types, result codes, GUIDs, window messages, GDI, locale,
// registry, monitors, system colours, device notifications and the multimedia clock, with COM and
// OLE Automation, as windows.h gathers them.
#pragma once

#include "objbase.h"
#include "oleauto.h"
#include "platform/sdk/clock.h"
#include "platform/sdk/device_notify.h"
#include "platform/sdk/gdi.h"
#include "platform/sdk/guid.h"
#include "platform/sdk/hresult.h"
#include "platform/sdk/locale.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/monitors.h"
#include "platform/sdk/registry.h"
#include "platform/sdk/syscolor.h"
#include "platform/sdk/wintypes.h"
