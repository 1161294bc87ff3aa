// The graph fuzz targets' shared check: how many filters a graph holds.
#pragma once

#include "platform/sdk/dshow/dshow.h"

namespace capspect::fuzz {

// The number of filters in `graph`; the enumeration itself must work.
int FilterCount(IFilterGraph* graph);

}  // namespace capspect::fuzz
