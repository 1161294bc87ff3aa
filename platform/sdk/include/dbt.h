// On Linux: device broadcast records of WM_DEVICECHANGE.
#pragma once

#include "windows.h"
