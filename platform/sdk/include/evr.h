// On Linux: the Enhanced Video Renderer's interfaces.
#pragma once

#include "platform/sdk/mf.h"
