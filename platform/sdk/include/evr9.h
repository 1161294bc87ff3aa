// On Linux: the Enhanced Video Renderer's mixer bitmap interface.
#pragma once

#include "platform/sdk/mf.h"
