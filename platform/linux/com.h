// The classes CoCreateInstance creates on Linux: a registry that backends fill at start-up.
#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "platform/sdk/com.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

namespace capspect {

// Makes an instance of one class and answers `riid` on it.
using ClassFactory = std::function<HRESULT(REFIID riid, void** object)>;

// The classes CoCreateInstance can create. A backend registers its classes at start-up;
// a class registered again replaces the earlier registration.
class ClassRegistry {
public:
    // The current platform context\'s (platform/support/platform_context.h).
    static ClassRegistry& Instance();

    void Register(const CLSID& clsid, ClassFactory factory);
    void Revoke(const CLSID& clsid);
    bool IsRegistered(const CLSID& clsid) const;
    HRESULT Create(const CLSID& clsid, REFIID riid, void** object) const;

private:
    mutable std::mutex mutex_;
    std::map<CLSID, ClassFactory> factories_;
};

// Registers a class for the lifetime of the object (tests, scoped backends).
class ScopedClassRegistration {
public:
    ScopedClassRegistration(const CLSID& clsid, ClassFactory factory);
    ~ScopedClassRegistration();
    ScopedClassRegistration(const ScopedClassRegistration&) = delete;
    ScopedClassRegistration& operator=(const ScopedClassRegistration&) = delete;

private:
    CLSID clsid_;
};

// A factory for a class whose objects are made by MakeComObject<T>().
template <typename T>
ClassFactory FactoryFor() {
    return [](REFIID riid, void** object) {
        const ComPtr<T> instance = MakeComObject<T>();
        return instance->QueryInterface(riid, object);
    };
}

}  // namespace capspect
