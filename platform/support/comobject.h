// ComObject: the base for objects that implement one or more platform interfaces, with a
// thread-safe reference count and QueryInterface over the interfaces and their bases.
#pragma once

#include <atomic>
#include <tuple>
#include <utility>

#include "platform/support/comptr.h"
#include "platform/support/interface_id.h"

namespace capspect {

template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (riid == IID_IUnknown) {
            *object = Identity();
        } else {
            (FindInterface<Interfaces, Interfaces>(riid, object) || ...);
        }
        if (*object == nullptr) {
            return QueryOtherInterface(riid, object);
        }
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override {
        return refs_.fetch_add(1, std::memory_order_relaxed) + 1;
    }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // The object's identity: the same IUnknown pointer whichever interface is asked.
    IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // Answers interfaces that are not in the list (tear-offs, interfaces that depend on
    // state). On success it must store an AddRef'ed pointer.
    virtual HRESULT QueryOtherInterface(REFIID /*riid*/, void** /*object*/) {
        return E_NOINTERFACE;
    }

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    // Walks `Interface`'s base chain, casting through `Listed`, the listed interface that
    // derives it, so that the pointer is unambiguous.
    template <typename Listed, typename Interface>
    bool FindInterface(REFIID riid, void** object) {
        if constexpr (std::is_void_v<Interface> || std::is_same_v<Interface, IUnknown>) {
            return false;
        } else {
            if (riid == IidOf<Interface>()) {
                *object = static_cast<Interface*>(static_cast<Listed*>(this));
                return true;
            }
            return FindInterface<Listed, typename InterfaceBase<Interface>::Type>(riid, object);
        }
    }

    std::atomic<ULONG> refs_{1};
};

// Creates a COM object; the returned pointer holds the object's first reference.
template <typename T, typename... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    ComPtr<T> object;
    object.Attach(new T(std::forward<Args>(args)...));
    return object;
}

}  // namespace capspect
