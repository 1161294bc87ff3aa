// COM identity of interface references.
#pragma once

#include <objbase.h>

namespace capspect {

// True when `a` and `b` are the same object: the same pointer, or the same IUnknown.
// Raises EAssertionFailed when they differ and either is null or answers no IUnknown.
bool IsEqualObject(IUnknown* a, IUnknown* b);

}  // namespace capspect
