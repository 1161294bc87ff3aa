#include "dshow/DSUtils.h"

#include "framework/Exceptions.h"
#include "platform/support/comptr.h"

namespace capspect {

bool IsEqualObject(IUnknown* a, IUnknown* b) {
    if (a == b) {
        return true;
    }
    Assert(a != nullptr && b != nullptr, u"Assertion failure");
    // Different interface pointers may still belong to one object; its IUnknown decides.
    ComPtr<IUnknown> identityA;
    ComPtr<IUnknown> identityB;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityA.GetAddressOf()));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityB.GetAddressOf()));
    Assert(identityA != nullptr && identityB != nullptr, u"Assertion failure");
    return identityA == identityB;
}

}  // namespace capspect
