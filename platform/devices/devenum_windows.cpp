// The device enumerator on Windows: a class object registered for this process alone
// (CoRegisterClassObject; nothing is written to the registry), so that everyone in the
// process who asks for CLSID_SystemDeviceEnum, the platform's own filter graph and capture
// graph builder included, gets the catalog's devices. Categories the catalog has no
// devices in are answered by the system's own enumerator, which the platform's filter
// mapper needs for its filter categories.
#include "platform/devices/devenum_platform.h"

#include "platform/devices/monikers.h"
#include "platform/support/comobject.h"
#include "platform/support/platform_context.h"

namespace capspect::sim {
namespace {

class DeviceEnumeratorClass final : public ComObject<IClassFactory> {
public:
    explicit DeviceEnumeratorClass(DeviceEnumeratorCreator create) : create_(std::move(create)) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : create_(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    const DeviceEnumeratorCreator create_;
};

// The registration and the enumerator it hides; the registration is the process's, and
// one platform context runs at a time.
struct Offer {
    DWORD cookie = 0;
    ComPtr<ICreateDevEnum> system;
};

Offer& TheOffer() {
    return capspect::PlatformContext::Part<Offer>();
}

}  // namespace

void OfferDeviceEnumerator(DeviceEnumeratorCreator create) {
    Offer& offer = TheOffer();
    if (offer.cookie != 0) {
        return;
    }
    // Taken before ours hides it. Without it other categories are empty.
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                     reinterpret_cast<void**>(offer.system.GetAddressOf()));
    const ComPtr<DeviceEnumeratorClass> factory =
        MakeComObject<DeviceEnumeratorClass>(std::move(create));
    if (FAILED(CoRegisterClassObject(CLSID_SystemDeviceEnum, factory->Identity(),
                                     CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &offer.cookie))) {
        offer = {};
    }
}

void WithdrawDeviceEnumerator() {
    Offer& offer = TheOffer();
    if (offer.cookie != 0) {
        CoRevokeClassObject(offer.cookie);
    }
    offer = {};
}

// The registry is the system's and stays as it is.
std::vector<CLSID> RegisterDeviceClasses(const Catalog& /*catalog*/) {
    return {};
}

void UnregisterDeviceClasses(const std::vector<CLSID>& /*classes*/) {}

HRESULT EnumerateCategory(REFCLSID category, bool catalogCategory,
                          std::vector<ComPtr<IMoniker>> catalogMonikers,
                          IEnumMoniker** enumerator) {
    if (!catalogCategory) {
        const ComPtr<ICreateDevEnum>& system = TheOffer().system;
        return system ? system->CreateClassEnumerator(category, enumerator, 0) : S_FALSE;
    }
    if (catalogMonikers.empty()) {
        return S_FALSE;
    }
    *enumerator = MakeComObject<MonikerEnumerator>(std::move(catalogMonikers)).Detach();
    return S_OK;
}

}  // namespace capspect::sim
