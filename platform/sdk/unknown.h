// IUnknown and the interface identities of the platform's interfaces. InterfaceTraits stands
// in for the identity the SDK attaches to each interface type (__uuidof).
#pragma once

#include <type_traits>

#include "platform/sdk/guid.h"
#include "platform/sdk/hresult.h"

// Every interface names its IID and its base interface through InterfaceTraits, which the
// CAPSPECT_INTERFACE_ID macro specialises next to the interface's declaration. The base
// chain lets an object that implements a derived interface answer QueryInterface for each
// interface it derives from.
template <typename Interface>
struct InterfaceTraits;

#define CAPSPECT_INTERFACE_ID(Interface, BaseInterface, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline const IID IID_##Interface{l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};                 \
    template <>                                                                                    \
    struct InterfaceTraits<Interface> {                                                            \
        using Base = BaseInterface;                                                                \
        static const IID& Iid() { return IID_##Interface; }                                        \
    }

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
CAPSPECT_INTERFACE_ID(IUnknown, void, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x46);

// Expands to the IID and the void** out-parameter for a typed interface pointer.
#define IID_PPV_ARGS(pp)                                                                     \
    InterfaceTraits<std::remove_pointer_t<std::remove_reference_t<decltype(*(pp))>>>::Iid(), \
        reinterpret_cast<void**>(pp)
