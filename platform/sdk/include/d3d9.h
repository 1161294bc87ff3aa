// On Linux: Direct3D 9 as far as the Video Mixing Renderer 9 needs it: nothing of its own here.
#pragma once

#include "platform/sdk/wintypes.h"
