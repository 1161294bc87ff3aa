// On Linux: the Video Mixing Renderer 9's interfaces.
#pragma once

#include "dshow.h"
