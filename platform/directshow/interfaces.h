// Helpers for simulated objects that extend a base object with further interfaces.
#pragma once

#include <type_traits>

#include <windows.h>

#include "platform/support/interface_id.h"

namespace capspect::sim {

// Answers `riid` when it names `Interface` or one of its bases, casting through `Listed`
// (the interface the object derives) so that the pointer is unambiguous.
template <typename Listed, typename Interface, typename Object>
bool FindInterfaceChain(Object* self, REFIID riid, void** object) {
    if constexpr (std::is_void_v<Interface> || std::is_same_v<Interface, IUnknown>) {
        return false;
    } else {
        if (riid == IidOf<Interface>()) {
            *object = static_cast<Interface*>(static_cast<Listed*>(self));
            return true;
        }
        return FindInterfaceChain<Listed, typename InterfaceBase<Interface>::Type>(self, riid,
                                                                                   object);
    }
}

// Adds interfaces to a simulated filter or pin class `Base`: QueryInterface answers them
// (and their bases) on the object's one identity, and the reference count stays Base's.
// Base must offer a protected virtual QueryOtherInterface(REFIID, void**).
template <typename Base, typename... Extra>
class WithInterfaces : public Base, public Extra... {
public:
    using Base::Base;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return Base::QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** object) override {
        if ((FindInterfaceChain<Extra, Extra>(this, riid, object) || ...)) {
            AddRef();
            return S_OK;
        }
        return Base::QueryOtherInterface(riid, object);
    }
};

}  // namespace capspect::sim
