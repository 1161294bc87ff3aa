// On Linux: VIDEOINFOHEADER2 and the other records of dvdmedia.h.
#pragma once

#include "platform/sdk/mediatype.h"
