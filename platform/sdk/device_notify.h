// Device change notifications for windows: a window registered with
// RegisterDeviceNotificationW receives WM_DEVICECHANGE (wParam DBT_DEVNODES_CHANGED,
// lParam 0) whenever a backend reports that devices appeared or disappeared. The message
// is posted, so it arrives on the window's own thread whatever thread the backend reports
// from. The platform sends more detailed codes with a DEV_BROADCAST record; a posted
// message cannot carry one safely, and a window that lists devices reads them again anyway.
#pragma once

#include "platform/sdk/guid.h"
#include "platform/sdk/messages.h"

constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;

constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 0x00000005;
constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0x00000000;
constexpr DWORD DEVICE_NOTIFY_ALL_INTERFACE_CLASSES = 0x00000004;

struct DEV_BROADCAST_HDR {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
};

struct DEV_BROADCAST_DEVICEINTERFACE_W {
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    WCHAR dbcc_name[1];
};

struct HDEVNOTIFY__;
using HDEVNOTIFY = HDEVNOTIFY__*;

// Registers `recipient` (a window handle) for device changes. The filter must be a
// DEV_BROADCAST_DEVICEINTERFACE_W; its class is not told apart (every change is reported).
// Null for a recipient that is not a window, a missing or malformed filter, or flags other
// than DEVICE_NOTIFY_WINDOW_HANDLE with or without DEVICE_NOTIFY_ALL_INTERFACE_CLASSES.
HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, void* notificationFilter, DWORD flags);
// Ends a registration; FALSE for a handle that is not one.
BOOL UnregisterDeviceNotification(HDEVNOTIFY handle);
