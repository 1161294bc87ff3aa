// Display monitors and the z-order of windows, as far as the video renderers need them:
// which monitor shows a window, and moving a window to the bottom of the z-order.
//
// Hidden message windows show on no screen of their own. Every window counts as shown on
// the primary monitor until the front end (or a test) says otherwise with
// capspect::SetWindowMonitor.
#pragma once

#include "platform/sdk/messages.h"
#include "platform/sdk/wintypes.h"

struct HMONITOR__;
using HMONITOR = HMONITOR__*;

constexpr DWORD MONITOR_DEFAULTTONULL = 0x0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 0x1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 0x2;

// The monitor that shows the window. For a handle that names no window: null with
// MONITOR_DEFAULTTONULL, else the primary monitor.
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);

inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_NOCOPYBITS = 0x0100;

// Hidden windows have no place on screen, so only the handle is checked: TRUE for a
// window, FALSE for a handle that names none.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
