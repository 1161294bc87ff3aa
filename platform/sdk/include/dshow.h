// On Linux: DirectShow, as dshow.h gathers it: filters and pins, graph control, capture, media
// types, the error texts.
#pragma once

#include "olectl.h"
#include "platform/sdk/dshow/codecs.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/dshow/renderers.h"
#include "platform/sdk/errortext.h"
#include "platform/sdk/moniker.h"
#include "windows.h"
