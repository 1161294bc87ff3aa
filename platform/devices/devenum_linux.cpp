// The device enumerator on our own platform: a class of our class registry, over our
// registry's filter categories.
#include "platform/devices/devenum_platform.h"

#include "platform/devices/monikers.h"
#include "platform/devices/propertybag.h"
#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/support/faults.h"
#include "platform/support/guids.h"

namespace capspect::sim {
namespace {

// Names a filter registered under a category.
class RegisteredFilterMoniker final : public MonikerBase {
public:
    RegisteredFilterMoniker(RegisteredFilter filter, const CLSID& category)
        : filter_(std::move(filter)), category_(category) {}

    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker* left, REFIID riid,
                                           void** object) override {
        if (const HRESULT hr = BeginBind(left, object, "IMoniker::BindToObject"); hr != S_OK) {
            return hr;
        }
        return CoCreateInstance(filter_.clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
    }

    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker* left, REFIID riid,
                                            void** object) override {
        if (const HRESULT hr = BeginBind(left, object, "IMoniker::BindToStorage"); hr != S_OK) {
            return hr;
        }
        if (riid != IID_IPropertyBag) {
            return MK_E_NOSTORAGE;
        }
        PropertyBag::Values values;
        values.emplace(u"FriendlyName", filter_.friendlyName);
        values.emplace(u"CLSID", GuidToU16String(filter_.clsid));
        return MakeComObject<PropertyBag>(std::move(values))->QueryInterface(riid, object);
    }

private:
    std::u16string DisplayName() const override {
        return u"@device:sw:" + GuidToU16String(category_) + u"\\" + GuidToU16String(filter_.clsid);
    }

    const RegisteredFilter filter_;
    const CLSID category_;
};

}  // namespace

void OfferDeviceEnumerator(DeviceEnumeratorCreator create) {
    ClassRegistry::Instance().Register(CLSID_SystemDeviceEnum, std::move(create));
}

void WithdrawDeviceEnumerator() {
    ClassRegistry::Instance().Revoke(CLSID_SystemDeviceEnum);
}

std::vector<CLSID> RegisterDeviceClasses(const Catalog& catalog) {
    std::vector<CLSID> registered;
    for (const CatalogDevice& device : catalog.devices) {
        const auto& clsidText = device.properties.clsid;
        const auto clsid = clsidText ? GuidFromString(*clsidText) : std::nullopt;
        if (!clsid || !device.fileName) {
            continue;
        }
        Registry::Instance().RegisterClass(*clsid, device.properties.friendlyName.value_or(u""),
                                           *device.fileName);
        registered.push_back(*clsid);
    }
    return registered;
}

void UnregisterDeviceClasses(const std::vector<CLSID>& classes) {
    for (const CLSID& clsid : classes) {
        Registry::Instance().UnregisterClass(clsid);
    }
}

HRESULT EnumerateCategory(REFCLSID category, bool /*catalogCategory*/,
                          std::vector<ComPtr<IMoniker>> catalogMonikers,
                          IEnumMoniker** enumerator) {
    std::vector<ComPtr<IMoniker>> monikers = std::move(catalogMonikers);
    for (RegisteredFilter& filter : Registry::Instance().FiltersInCategory(category)) {
        monikers.push_back(MakeComObject<RegisteredFilterMoniker>(std::move(filter), category));
    }
    if (monikers.empty()) {
        return S_FALSE;
    }
    *enumerator = MakeComObject<MonikerEnumerator>(std::move(monikers)).Detach();
    return S_OK;
}

}  // namespace capspect::sim
