// Releasing an owned object through its owning reference.
#pragma once

#include <memory>

namespace capspect {

// Clears `ref` first and then destroys the object it held, so that code running in the
// object's destructor already sees the owner's reference empty.
template <typename T, typename Deleter>
void FreeAndClear(std::unique_ptr<T, Deleter>& ref) {
    std::unique_ptr<T, Deleter> held = std::move(ref);
    ref = nullptr;  // a moved-from unique_ptr is empty; say so for the reader
    held.reset();
}

}  // namespace capspect
