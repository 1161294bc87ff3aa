// The identity of an interface type, and the interface it derives from, for the smart
// pointer and for objects that answer QueryInterface.
#pragma once

#include <type_traits>

#include <objbase.h>

#ifdef _WIN32
struct IBaseFilter;
struct IMediaFilter;
#endif

namespace capspect {

#ifdef _WIN32

// The IID the SDK attaches to the interface type.
template <typename Interface>
const IID& IidOf() {
    return __uuidof(std::remove_cv_t<Interface>);
}

// The SDK does not say from which interface an interface derives. Every interface an object
// of ours implements derives IUnknown directly unless it is listed here, so that its
// QueryInterface answers the bases as well.
template <typename Interface>
struct InterfaceBase {
    using Type = IUnknown;
};

#define CAPSPECT_INTERFACE_BASE(Interface, BaseInterface) \
    template <>                                           \
    struct InterfaceBase<Interface> {                     \
        using Type = BaseInterface;                       \
    }
CAPSPECT_INTERFACE_BASE(IBaseFilter, IMediaFilter);
CAPSPECT_INTERFACE_BASE(IMediaFilter, IPersist);
CAPSPECT_INTERFACE_BASE(IMoniker, IPersistStream);
CAPSPECT_INTERFACE_BASE(IPersistStream, IPersist);
#undef CAPSPECT_INTERFACE_BASE

#else

template <typename Interface>
const IID& IidOf() {
    return InterfaceTraits<std::remove_cv_t<Interface> >::Iid();
}

template <typename Interface>
struct InterfaceBase {
    using Type = typename InterfaceTraits<Interface>::Base;
};

#endif

}  // namespace capspect
