// The monitor a window shows on, as Linux tests and front ends set it.
#pragma once

#include "platform/sdk/monitors.h"

namespace capspect {

// Monitor numbers: 0 is the primary monitor.
// Records that the window is shown on the monitor `monitor`; a negative number forgets the
// window again (it then counts as on the primary monitor).
void SetWindowMonitor(HWND hwnd, int monitor);

}  // namespace capspect
