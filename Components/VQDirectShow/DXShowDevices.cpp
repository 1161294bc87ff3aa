#include "Components/VQDirectShow/DXShowDevices.h"

#include <optional>

#include <windows.h>

#include <dshow.h>
#include <objbase.h>
#include <oleauto.h>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "platform/support/registry_key.h"
#include "platform/support/variant.h"
#include "platform/support/wide_string.h"
#include "util/ErrorTexts.h"
#include "util/VQLists.h"

namespace capspect {
namespace {

constexpr char16_t kUnknownFileName[] = u"<Unknown>";

bool SameTextInUserLocale(std::u16string_view a, std::u16string_view b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, WideChars(a),
                          static_cast<int>(a.size()), WideChars(b),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::u16string FormatEnumeratorFailure(HRESULT hr) {
    return GetDSErrorText(hr) + u" Reason: ($" + HResultHex(hr) + u").";
}

}  // namespace

TDXShowDevice::TDXShowDevice(std::u16string description, std::u16string devicePath,
                             ComPtr<IMoniker> moniker, const ::CLSID& clsid)
    : FDevicePath(std::move(devicePath)),
      FDescription(std::move(description)),
      FMoniker(std::move(moniker)),
      FCLSID(clsid) {}

const std::u16string& TDXShowDevice::FileName() const {
    if (!FFileName.empty()) {
        return FFileName;
    }
    FFileName = kUnknownFileName;
    const RegistryKey key(HKEY_LOCAL_MACHINE, u"Software\\Classes\\CLSID\\" +
                                                  GuidToU16String(FCLSID) + u"\\InprocServer32");
    if (key.IsOpen()) {
        FFileName = key.ReadString(nullptr);
    }
    return FFileName;
}

TDXShowDevice* TDXShowDevices::FindDevice(std::u16string_view devicePath) {
    for (int i = 0; i < Count(); ++i) {
        if (SameTextInUserLocale(Items(i).DevicePath(), devicePath)) {
            return &Items(i);
        }
    }
    return nullptr;
}

const TDXShowDevice* TDXShowDevices::FindDevice(std::u16string_view devicePath) const {
    return const_cast<TDXShowDevices*>(this)->FindDevice(devicePath);
}

void TDXShowDevices::EnumerateCategory(const GUID& category) {
    ReadCategory(category);
    if (OnChange) {
        OnChange();
    }
}

void TDXShowDevices::ReadCategory(const GUID& category) {
    Clear();
    ComPtr<ICreateDevEnum> deviceEnumerator;
    const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(deviceEnumerator.GetAddressOf()));
    if (FAILED(hr)) {
        ReportEnumeratorFailure(hr);
        return;
    }
    // An empty category answers S_FALSE and no enumerator; nothing else of the answer
    // matters here.
    ComPtr<IEnumMoniker> monikers;
    deviceEnumerator->CreateClassEnumerator(category, monikers.GetAddressOf(), 0);
    if (!monikers) {
        return;
    }
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        AddDevice(std::move(moniker));
    }
}

void TDXShowDevices::AddDevice(ComPtr<IMoniker> moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.GetAddressOf())))) {
        return;
    }
    const std::optional<std::u16string> clsidText = ReadPropertyText(*bag, u"CLSID");
    std::optional<std::u16string> description = ReadPropertyText(*bag, u"Description");
    if (!description) {
        description = ReadPropertyText(*bag, u"FriendlyName");
    }
    if (!description) {
        return;
    }
    std::optional<std::u16string> path = ReadPropertyText(*bag, u"DevicePath");
    if (!path) {
        path = ReadPropertyText(*bag, u"CLSID");
    }
    const auto clsid = clsidText ? GuidFromString(*clsidText) : std::nullopt;
    Add(std::move(*description), path.value_or(u""), std::move(moniker), clsid.value_or(GUID_NULL));
}

void TDXShowDevices::ReportEnumeratorFailure(HRESULT hr) const {
    if (OnError) {
        OnError(hr, FormatEnumeratorFailure(hr));
    }
}

std::vector<std::u16string> TDXShowDevices::Descriptions() const {
    std::vector<std::u16string> descriptions;
    descriptions.reserve(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
        descriptions.push_back(Items(i).Description());
    }
    return descriptions;
}

void TDXShowDevices::AssignTo(TThreadStringList& list) const {
    // Unlocks on every way out, an exception from Add included.
    struct ListLock {
        explicit ListLock(TThreadStringList& list) : list(list) { list.Lock(); }
        ~ListLock() { list.UnLock(); }
        TThreadStringList& list;
    } const lock(list);
    list.Clear();
    for (int i = 0; i < Count(); ++i) {
        list.Add(Items(i).Description());
    }
}

void TDXShowCaptureDevices::Refresh() {
    EnumerateCategory(FVideo ? CLSID_VideoInputDeviceCategory : CLSID_AudioInputDeviceCategory);
}

}  // namespace capspect
