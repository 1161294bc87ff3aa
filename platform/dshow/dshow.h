// All DirectShow declarations of the platform layer, as the platform's dshow.h gathers them.
#pragma once

#include "platform/dshow/capture.h"
#include "platform/dshow/categories.h"
#include "platform/dshow/control.h"
#include "platform/dshow/filters.h"
#include "platform/dshow/persist.h"
#include "platform/mediatype.h"
