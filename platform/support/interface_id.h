// The identity of an interface type, and the interface it derives from, for the smart
// pointer and for objects that answer QueryInterface.
#pragma once

#include <type_traits>

#include <objbase.h>

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
