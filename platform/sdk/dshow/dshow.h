// All DirectShow declarations of the platform layer, as the platform's dshow.h gathers them.
#pragma once

#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/dshow/categories.h"
#include "platform/sdk/dshow/control.h"
#include "platform/sdk/dshow/filters.h"
#include "platform/sdk/dshow/persist.h"
#include "platform/sdk/mediatype.h"
