// COM runtime services: object creation through a class registry that backends fill,
// task memory, apartment initialisation.
#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "platform/sdk/unknown.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

HRESULT CoInitializeEx(void* reserved, DWORD coinit);
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Tests can make it fail with the fault "CoCreateInstance" (platform/faults.h).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object);

void* CoTaskMemAlloc(std::size_t size);
void* CoTaskMemRealloc(void* block, std::size_t size);
void CoTaskMemFree(void* block);

namespace capspect {

// Makes an instance of one class and answers `riid` on it.
using ClassFactory = std::function<HRESULT(REFIID riid, void** object)>;

// The classes CoCreateInstance can create. A backend registers its classes at start-up;
// a class registered again replaces the earlier registration.
class ClassRegistry {
public:
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
