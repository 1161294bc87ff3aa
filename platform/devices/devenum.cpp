#include "platform/devices/devenum.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/devices/propertybag.h"
#include "platform/linux/com.h"
#include "platform/linux/faults.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"

namespace capspect::sim {
namespace {

// The installed catalog, the device filter factory and the registry entries the catalog
// made. Monikers hold shared references to the catalog, so replacing it never pulls a
// device away from under a moniker.
class DeviceSet {
public:
    static DeviceSet& Instance() {
        static DeviceSet set;
        return set;
    }

    void Install(Catalog catalog) {
        auto installed = std::make_shared<const Catalog>(std::move(catalog));
        const std::lock_guard lock(mutex_);
        for (const CLSID& clsid : registeredClasses_) {
            Registry::Instance().UnregisterClass(clsid);
        }
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
    static std::vector<CLSID> RegisterDeviceClasses(const Catalog& catalog) {
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

    mutable std::mutex mutex_;
    std::shared_ptr<const Catalog> catalog_ = std::make_shared<const Catalog>();
    DeviceFilterFactory factory_;
    std::vector<CLSID> registeredClasses_;
};

HRESULT CopyDisplayName(std::u16string_view name, LPOLESTR* out) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(copy, name.data(), name.size() * sizeof(OLECHAR));
    copy[name.size()] = u'\0';
    *out = copy;
    return S_OK;
}

// The moniker methods that naming a device does not need.
class MonikerBase : public ComObject<IMoniker> {
public:
    HRESULT Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
    HRESULT ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
    HRESULT Enum(BOOL, IEnumMoniker** enumerator) override {
        if (enumerator == nullptr) {
            return E_POINTER;
        }
        *enumerator = nullptr;
        return S_OK;
    }
    HRESULT IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return S_FALSE; }
    HRESULT GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
        return MK_E_UNAVAILABLE;
    }
    HRESULT Inverse(IMoniker**) override { return MK_E_NOINVERSE; }
    HRESULT CommonPrefixWith(IMoniker*, IMoniker**) override { return MK_E_NOPREFIX; }
    HRESULT RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT IsSystemMoniker(DWORD* kind) override {
        if (kind == nullptr) {
            return E_POINTER;
        }
        *kind = MKSYS_NONE;
        return S_FALSE;
    }

    HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        *name = nullptr;
        return CopyDisplayName(DisplayName(), name);
    }

    // Two monikers are equal when they name the same thing: their display names match
    // without regard to case.
    HRESULT IsEqual(IMoniker* other) override {
        if (other == nullptr) {
            return E_INVALIDARG;
        }
        LPOLESTR otherName = nullptr;
        if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName))) {
            return S_FALSE;
        }
        const std::u16string mine = DisplayName();
        const bool equal =
            !NameLess{}(mine, otherName) && !NameLess{}(std::u16string_view(otherName), mine);
        CoTaskMemFree(otherName);
        return equal ? S_OK : S_FALSE;
    }

    HRESULT Hash(DWORD* hash) override {
        if (hash == nullptr) {
            return E_POINTER;
        }
        DWORD value = 0;
        for (const char16_t c : DisplayName()) {
            const char16_t folded = (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c;
            value = value * 31 + folded;
        }
        *hash = value;
        return S_OK;
    }

protected:
    virtual std::u16string DisplayName() const = 0;

    // Checks the out-parameter and the parts of a bind request this platform refuses.
    static HRESULT BeginBind(IMoniker* left, void** object) {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        return left != nullptr ? MK_E_NOSTORAGE : S_OK;
    }
};

// Names one catalog device.
class DeviceMoniker final : public MonikerBase {
public:
    DeviceMoniker(std::shared_ptr<const CatalogDevice> device, const CLSID& category)
        : device_(std::move(device)), category_(category) {}

    HRESULT BindToObject(IBindCtx*, IMoniker* left, REFIID riid, void** object) override {
        if (const HRESULT hr = BeginBind(left, object); hr != S_OK) {
            return hr;
        }
        if (const auto fault = InjectedFault("IMoniker::BindToObject")) {
            return *fault;
        }
        if (device_->faults.bindToObject) {
            return device_->faults.bindToObject->hr;
        }
        return DeviceSet::Instance().CreateFilter(device_, riid, object);
    }

    HRESULT BindToStorage(IBindCtx*, IMoniker* left, REFIID riid, void** object) override {
        if (const HRESULT hr = BeginBind(left, object); hr != S_OK) {
            return hr;
        }
        if (const auto fault = InjectedFault("IMoniker::BindToStorage")) {
            return *fault;
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

// Names a filter registered under a category.
class RegisteredFilterMoniker final : public MonikerBase {
public:
    RegisteredFilterMoniker(RegisteredFilter filter, const CLSID& category)
        : filter_(std::move(filter)), category_(category) {}

    HRESULT BindToObject(IBindCtx*, IMoniker* left, REFIID riid, void** object) override {
        if (const HRESULT hr = BeginBind(left, object); hr != S_OK) {
            return hr;
        }
        if (const auto fault = InjectedFault("IMoniker::BindToObject")) {
            return *fault;
        }
        return CoCreateInstance(filter_.clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
    }

    HRESULT BindToStorage(IBindCtx*, IMoniker* left, REFIID riid, void** object) override {
        if (const HRESULT hr = BeginBind(left, object); hr != S_OK) {
            return hr;
        }
        if (const auto fault = InjectedFault("IMoniker::BindToStorage")) {
            return *fault;
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

class MonikerEnumerator final : public ComObject<IEnumMoniker> {
public:
    explicit MonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, std::size_t position = 0)
        : monikers_(std::move(monikers)), position_(position) {}

    HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override {
        if (monikers == nullptr) {
            return E_POINTER;
        }
        if (fetched == nullptr && count != 1) {
            return E_INVALIDARG;
        }
        if (const auto fault = InjectedFault("IEnumMoniker::Next")) {
            return *fault;
        }
        ULONG given = 0;
        for (; given < count && position_ < monikers_.size(); ++given, ++position_) {
            monikers_[position_].CopyTo(&monikers[given]);
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        return given == count ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG count) override {
        const std::size_t left = monikers_.size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }

    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }

    HRESULT Clone(IEnumMoniker** enumerator) override {
        if (enumerator == nullptr) {
            return E_POINTER;
        }
        *enumerator = MakeComObject<MonikerEnumerator>(monikers_, position_).Detach();
        return S_OK;
    }

private:
    const std::vector<ComPtr<IMoniker>> monikers_;
    std::size_t position_;
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
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                  DWORD /*flags*/) override {
        if (enumerator == nullptr) {
            return E_POINTER;
        }
        *enumerator = nullptr;
        if (const auto fault = InjectedFault("ICreateDevEnum::CreateClassEnumerator")) {
            return *fault;
        }
        std::vector<ComPtr<IMoniker>> monikers = CatalogMonikers(category);
        for (RegisteredFilter& filter : Registry::Instance().FiltersInCategory(category)) {
            monikers.push_back(MakeComObject<RegisteredFilterMoniker>(std::move(filter), category));
        }
        if (monikers.empty()) {
            return S_FALSE;
        }
        *enumerator = MakeComObject<MonikerEnumerator>(std::move(monikers)).Detach();
        return S_OK;
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
    ClassRegistry::Instance().Register(CLSID_SystemDeviceEnum, FactoryFor<SystemDeviceEnum>());
}

std::shared_ptr<const Catalog> InstalledCatalog() {
    return DeviceSet::Instance().Installed();
}

void SetDeviceFilterFactory(DeviceFilterFactory factory) {
    DeviceSet::Instance().SetFactory(std::move(factory));
}

}  // namespace capspect::sim
