// Device change broadcasts on Linux: a backend announces that devices came or went.
#pragma once

#include "platform/sdk/device_notify.h"

namespace capspect {

// Posts WM_DEVICECHANGE / DBT_DEVNODES_CHANGED to every registered window. Backends call it
// after their device set changed; any thread may call it.
void BroadcastDeviceChange();

}  // namespace capspect
