// On Linux: the kernel-streaming filter categories.
#pragma once

#include "platform/sdk/dshow/categories.h"
