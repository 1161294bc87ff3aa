// IUnknown and the interface-identity machinery every platform interface uses.
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
    inline constexpr IID IID_##Interface{l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};             \
    template <>                                                                                    \
    struct InterfaceTraits<Interface> {                                                            \
        using Base = BaseInterface;                                                                \
        static constexpr const IID& Iid() { return IID_##Interface; }                              \
    }

// The IID of an interface type, as the platform's __uuidof gives it.
template <typename Interface>
constexpr const IID& IidOf() {
    return InterfaceTraits<std::remove_cv_t<Interface>>::Iid();
}

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
CAPSPECT_INTERFACE_ID(IUnknown, void, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x46);

// Expands to the IID and the void** out-parameter for a typed interface pointer.
#define IID_PPV_ARGS(pp)                                                      \
    IidOf<std::remove_pointer_t<std::remove_reference_t<decltype(*(pp))>>>(), \
        reinterpret_cast<void**>(pp)
