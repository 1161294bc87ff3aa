#include "platform/sdk/com.h"

#include <cstdlib>

#include "platform/linux/com.h"
#include "platform/support/faults.h"
#include "platform/support/platform_context.h"

HRESULT CoInitializeEx(void* /*reserved*/, DWORD /*coinit*/) {
    return S_OK;
}
HRESULT CoInitialize(void* reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}
void CoUninitialize() {}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD /*context*/, REFIID riid,
                         void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (const auto fault = capspect::InjectedFault("CoCreateInstance")) {
        return *fault;
    }
    return capspect::ClassRegistry::Instance().Create(clsid, riid, object);
}

void* CoTaskMemAlloc(std::size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}
void* CoTaskMemRealloc(void* block, std::size_t size) {
    return std::realloc(block, size == 0 ? 1 : size);
}
void CoTaskMemFree(void* block) {
    std::free(block);
}

namespace capspect {

ClassRegistry& ClassRegistry::Instance() {
    return PlatformContext::Part<ClassRegistry>();
}

void ClassRegistry::Register(const CLSID& clsid, ClassFactory factory) {
    const std::lock_guard lock(mutex_);
    factories_[clsid] = std::move(factory);
}

void ClassRegistry::Revoke(const CLSID& clsid) {
    const std::lock_guard lock(mutex_);
    factories_.erase(clsid);
}

bool ClassRegistry::IsRegistered(const CLSID& clsid) const {
    const std::lock_guard lock(mutex_);
    return factories_.contains(clsid);
}

HRESULT ClassRegistry::Create(const CLSID& clsid, REFIID riid, void** object) const {
    ClassFactory factory;
    {
        // The factory runs outside the lock: creating an object may create others.
        const std::lock_guard lock(mutex_);
        const auto found = factories_.find(clsid);
        if (found == factories_.end()) {
            return REGDB_E_CLASSNOTREG;
        }
        factory = found->second;
    }
    return factory(riid, object);
}

ScopedClassRegistration::ScopedClassRegistration(const CLSID& clsid, ClassFactory factory)
    : clsid_(clsid) {
    ClassRegistry::Instance().Register(clsid, std::move(factory));
}

ScopedClassRegistration::~ScopedClassRegistration() {
    ClassRegistry::Instance().Revoke(clsid_);
}

}  // namespace capspect
