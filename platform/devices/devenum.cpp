#include "platform/devices/devenum.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/devices/devenum_platform.h"
#include "platform/devices/monikers.h"
#include "platform/devices/propertybag.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "platform/support/guids.h"
#include "platform/support/platform_context.h"

namespace capspect::sim {
namespace {

// The installed catalog, the device filter factory and the registry entries the catalog
// made. Monikers hold shared references to the catalog, so replacing it never pulls a
// device away from under a moniker.
class DeviceSet {
public:
    static DeviceSet& Instance() { return PlatformContext::Part<DeviceSet>(); }

    void Install(Catalog catalog) {
        auto installed = std::make_shared<const Catalog>(std::move(catalog));
        const std::lock_guard lock(mutex_);
        UnregisterDeviceClasses(registeredClasses_);
        registeredClasses_ = RegisterDeviceClasses(*installed);
        catalog_ = std::move(installed);
    }

    std::shared_ptr<const Catalog> Installed() const {
        const std::lock_guard lock(mutex_);
        return catalog_;
    }

    void SetFactory(DeviceFilterFactory factory) {
        const std::lock_guard lock(mutex_);
        factory_ = std::move(factory);
    }

    HRESULT CreateFilter(std::shared_ptr<const CatalogDevice> device, REFIID riid,
                         void** object) const {
        DeviceFilterFactory factory;
        {
            // The factory runs outside the lock: making a filter may enumerate devices.
            const std::lock_guard lock(mutex_);
            factory = factory_;
        }
        if (!factory) {
            return kNoDeviceFilterFactory;
        }
        return factory(std::move(device), riid, object);
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Catalog> catalog_ = std::make_shared<const Catalog>();
    DeviceFilterFactory factory_;
    std::vector<CLSID> registeredClasses_;
};

// Names one catalog device.
class DeviceMoniker final : public MonikerBase {
public:
    DeviceMoniker(std::shared_ptr<const CatalogDevice> device, const CLSID& category)
        : device_(std::move(device)), category_(category) {}

    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker* left, REFIID riid,
                                           void** object) override {
        if (const HRESULT hr = BeginBind(left, object, "IMoniker::BindToObject"); hr != S_OK) {
            return hr;
        }
        if (device_->faults.bindToObject) {
            return device_->faults.bindToObject->hr;
        }
        return DeviceSet::Instance().CreateFilter(device_, riid, object);
    }

    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker* left, REFIID riid,
                                            void** object) override {
        if (const HRESULT hr = BeginBind(left, object, "IMoniker::BindToStorage"); hr != S_OK) {
            return hr;
        }
        if (device_->faults.bindToStorage) {
            return device_->faults.bindToStorage->hr;
        }
        if (riid != IID_IPropertyBag) {
            return MK_E_NOSTORAGE;
        }
        return MakeComObject<PropertyBag>(BagValues())->QueryInterface(riid, object);
    }

private:
    PropertyBag::Values BagValues() const {
        PropertyBag::Values values;
        const DeviceProperties& properties = device_->properties;
        const auto addText = [&values](std::u16string name,
                                       const std::optional<std::u16string>& text) {
            if (text) {
                values.emplace(std::move(name), *text);
            }
        };
        addText(u"FriendlyName", properties.friendlyName);
        addText(u"Description", properties.description);
        addText(u"DevicePath", properties.devicePath);
        addText(u"CLSID", properties.clsid);
        if (properties.waveInId) {
            values.emplace(u"WaveInID", *properties.waveInId);
        }
        return values;
    }

    // A device with a path is a plug-and-play device; one without is named by category
    // and class, as the platform names software devices.
    std::u16string DisplayName() const override {
        const DeviceProperties& properties = device_->properties;
        if (properties.devicePath) {
            return u"@device:pnp:" + *properties.devicePath;
        }
        return u"@device:sw:" + GuidToU16String(category_) + u"\\" +
               properties.clsid.value_or(properties.friendlyName.value_or(u""));
    }

    const std::shared_ptr<const CatalogDevice> device_;
    const CLSID category_;
};

std::optional<DeviceCategory> CatalogCategory(const CLSID& category) {
    if (category == CLSID_VideoInputDeviceCategory) {
        return DeviceCategory::Video;
    }
    if (category == CLSID_AudioInputDeviceCategory) {
        return DeviceCategory::Audio;
    }
    return std::nullopt;
}

class SystemDeviceEnum final : public ComObject<ICreateDevEnum> {
public:
    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                    DWORD /*flags*/) override {
        if (enumerator == nullptr) {
            return E_POINTER;
        }
        *enumerator = nullptr;
        if (const auto fault = InjectedFault("ICreateDevEnum::CreateClassEnumerator")) {
            return *fault;
        }
        return EnumerateCategory(category, CatalogCategory(category).has_value(),
                                 CatalogMonikers(category), enumerator);
    }

private:
    static std::vector<ComPtr<IMoniker>> CatalogMonikers(const CLSID& category) {
        std::vector<ComPtr<IMoniker>> monikers;
        const auto wanted = CatalogCategory(category);
        if (!wanted) {
            return monikers;
        }
        const std::shared_ptr<const Catalog> catalog = DeviceSet::Instance().Installed();
        for (const CatalogDevice& device : catalog->devices) {
            if (device.category == *wanted) {
                // Shares ownership of the whole catalog while pointing at one device.
                std::shared_ptr<const CatalogDevice> shared(catalog, &device);
                monikers.push_back(MakeComObject<DeviceMoniker>(std::move(shared), category));
            }
        }
        return monikers;
    }
};

}  // namespace

void InstallCatalog(Catalog catalog) {
    DeviceSet::Instance().Install(std::move(catalog));
    OfferDeviceEnumerator([](REFIID riid, void** object) {
        return MakeComObject<SystemDeviceEnum>()->QueryInterface(riid, object);
    });
}

void UninstallCatalog() {
    DeviceSet::Instance().Install({});
    WithdrawDeviceEnumerator();
}

std::shared_ptr<const Catalog> InstalledCatalog() {
    return DeviceSet::Instance().Installed();
}

void SetDeviceFilterFactory(DeviceFilterFactory factory) {
    DeviceSet::Instance().SetFactory(std::move(factory));
}

}  // namespace capspect::sim
