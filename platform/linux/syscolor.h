// The system colours on Linux: a front end that knows the desktop's colours sets them.
#pragma once

#include "platform/sdk/syscolor.h"

namespace capspect {

// Replaces the colour of one display element (ignored for an unknown index), e.g. with the
// desktop's own colour, for every thread.
void SetSysColor(int index, COLORREF color);

}  // namespace capspect
