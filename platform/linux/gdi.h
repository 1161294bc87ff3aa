// The state of the GDI objects on Linux, for tests.
#pragma once

#include <cstddef>

#include "platform/sdk/gdi.h"

namespace capspect {

// The live device contexts, bitmaps and brushes (stock objects not counted); lets tests
// see that every object made was deleted again.
std::size_t GdiObjectCount();

}  // namespace capspect
