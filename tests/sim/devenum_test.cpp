#include <gtest/gtest.h>

#include <vector>

#include "platform/devices/devenum.h"
#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/registry.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "platform/support/guids.h"
#include "platform/support/variant.h"

namespace {

using namespace capspect::sim;
using capspect::ComPtr;
using capspect::Registry;
using capspect::ScopedFault;
using capspect::Variant;

constexpr const char* kCatalog = R"({"devices": [
    {"category": "video", "properties": {"FriendlyName": "Cam A", "Description": "Camera A",
        "DevicePath": "\\\\?\\usb#a", "CLSID": "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"},
     "fileName": "ksproxy.ax"},
    {"category": "audio", "properties": {"FriendlyName": "Line In", "WaveInID": 3}},
    {"category": "video", "properties": {"FriendlyName": "Cam B"},
     "faults": {"BindToStorage": "E_ACCESSDENIED", "BindToObject": "VFW_E_NO_CAPTURE_HARDWARE"}},
    {"category": "video", "properties": {"Description": "Cam C", "CLSID": "not a guid"}}
]})";

constexpr CLSID kSoftwareSource{
    0x0B0A0C0D, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

class DeviceEnumerator : public testing::Test {
protected:
    void SetUp() override {
        InstallCatalog(LoadCatalogString(kCatalog));
        ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(enumerator_.GetAddressOf())),
                  S_OK);
    }

    std::vector<ComPtr<IMoniker>> Monikers(const CLSID& category) {
        std::vector<ComPtr<IMoniker>> monikers;
        ComPtr<IEnumMoniker> list;
        if (enumerator_->CreateClassEnumerator(category, list.GetAddressOf(), 0) != S_OK) {
            return monikers;
        }
        ComPtr<IMoniker> moniker;
        while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            monikers.push_back(moniker);
        }
        return monikers;
    }

    static ComPtr<IPropertyBag> Bag(const ComPtr<IMoniker>& moniker) {
        ComPtr<IPropertyBag> bag;
        EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.GetAddressOf())), S_OK);
        return bag;
    }

    static std::u16string ReadText(const ComPtr<IPropertyBag>& bag, const char16_t* name) {
        Variant value;
        if (FAILED(bag->Read(name, value.get(), nullptr)) || value->vt != VT_BSTR) {
            return u"(unreadable)";
        }
        return capspect::BstrToU16String(value->bstrVal);
    }

    ComPtr<ICreateDevEnum> enumerator_;
};

TEST_F(DeviceEnumerator, ListsTheCategorysDevicesInCatalogOrder) {
    const auto video = Monikers(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(video.size(), 3u);
    EXPECT_EQ(ReadText(Bag(video[0]), u"FriendlyName"), u"Cam A");
    EXPECT_EQ(ReadText(Bag(video[2]), u"Description"), u"Cam C");
    const auto audio = Monikers(CLSID_AudioInputDeviceCategory);
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(ReadText(Bag(audio[0]), u"FriendlyName"), u"Line In");
}

TEST_F(DeviceEnumerator, EmptyCategoryAnswersSFalseAndNoEnumerator) {
    InstallCatalog(LoadCatalogString(R"({"devices": [{"category": "video"}]})"));
    IEnumMoniker* list = reinterpret_cast<IEnumMoniker*>(0x1);
    EXPECT_EQ(enumerator_->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &list, 0),
              S_FALSE);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(enumerator_->CreateClassEnumerator(kSoftwareSource, &list, 0), S_FALSE);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(enumerator_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, nullptr, 0),
              E_POINTER);
}

TEST_F(DeviceEnumerator, PropertyBagAnswersOnlyThePropertiesTheDeviceHas) {
    const auto video = Monikers(CLSID_VideoInputDeviceCategory);
    const ComPtr<IPropertyBag> cameraC = Bag(video[2]);
    Variant absent;
    EXPECT_EQ(cameraC->Read(u"FriendlyName", absent.get(), nullptr),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(absent->vt, VT_EMPTY);
    EXPECT_EQ(cameraC->Read(u"DevicePath", absent.get(), nullptr),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    const ComPtr<IPropertyBag> cameraA = Bag(video[0]);
    EXPECT_EQ(ReadText(cameraA, u"devicepath"), u"\\\\?\\usb#a");
    EXPECT_EQ(ReadText(cameraA, u"CLSID"), u"{17CCA71B-ECD7-11D0-B908-00A0C9223196}");
    EXPECT_EQ(ReadText(cameraC, u"CLSID"), u"not a guid");

    // A caller may ask for the stored type by setting only the type.
    VARIANT typed;
    typed.vt = VT_BSTR;
    ASSERT_EQ(cameraA->Read(u"Description", &typed, nullptr), S_OK);
    EXPECT_EQ(capspect::BstrToU16String(typed.bstrVal), u"Camera A");
    VariantClear(&typed);
    Variant wrongType;
    wrongType->vt = VT_I4;
    EXPECT_EQ(cameraA->Read(u"Description", wrongType.get(), nullptr), E_INVALIDARG);

    Variant waveIn;
    ASSERT_EQ(
        Bag(Monikers(CLSID_AudioInputDeviceCategory)[0])->Read(u"WaveInID", waveIn.get(), nullptr),
        S_OK);
    EXPECT_EQ(waveIn->vt, VT_I4);
    EXPECT_EQ(waveIn->lVal, 3);

    Variant text;
    text->vt = VT_BSTR;
    text->bstrVal = SysAllocString(u"new");
    EXPECT_EQ(cameraA->Write(u"FriendlyName", text.get()), E_ACCESSDENIED);
    EXPECT_EQ(ReadText(cameraA, u"FriendlyName"), u"Cam A");
}

TEST_F(DeviceEnumerator, CatalogFaultsFailTheBindCalls) {
    const ComPtr<IMoniker> cameraB = Monikers(CLSID_VideoInputDeviceCategory)[1];
    IPropertyBag* bag = reinterpret_cast<IPropertyBag*>(0x1);
    EXPECT_EQ(cameraB->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)), E_ACCESSDENIED);
    EXPECT_EQ(bag, nullptr);
    IUnknown* filter = nullptr;
    EXPECT_EQ(
        cameraB->BindToObject(nullptr, nullptr, IID_IUnknown, reinterpret_cast<void**>(&filter)),
        VFW_E_NO_CAPTURE_HARDWARE);
}

TEST_F(DeviceEnumerator, BindRequestsThisPlatformRefuses) {
    const ComPtr<IMoniker> cameraA = Monikers(CLSID_VideoInputDeviceCategory)[0];
    void* object = nullptr;
    EXPECT_EQ(cameraA->BindToStorage(nullptr, nullptr, IID_IMoniker, &object), MK_E_NOSTORAGE);
    EXPECT_EQ(cameraA->BindToStorage(nullptr, cameraA.Get(), IID_IPropertyBag, &object),
              MK_E_NOSTORAGE);
    EXPECT_EQ(cameraA->BindToStorage(nullptr, nullptr, IID_IPropertyBag, nullptr), E_POINTER);
    EXPECT_EQ(object, nullptr);
}

TEST_F(DeviceEnumerator, BindToObjectAsksTheDeviceFilterFactory) {
    const ComPtr<IMoniker> cameraA = Monikers(CLSID_VideoInputDeviceCategory)[0];
    IUnknown* filter = nullptr;
    EXPECT_EQ(
        cameraA->BindToObject(nullptr, nullptr, IID_IUnknown, reinterpret_cast<void**>(&filter)),
        kNoDeviceFilterFactory);

    std::u16string boundName;
    SetDeviceFilterFactory(
        [&boundName](std::shared_ptr<const CatalogDevice> device, REFIID riid, void** object) {
            boundName = device->properties.friendlyName.value_or(u"");
            // Any object stands in for the filter here: the enumerator itself.
            return CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, riid,
                                    object);
        });
    ASSERT_EQ(
        cameraA->BindToObject(nullptr, nullptr, IID_IUnknown, reinterpret_cast<void**>(&filter)),
        S_OK);
    EXPECT_EQ(boundName, u"Cam A");
    filter->Release();
}

TEST_F(DeviceEnumerator, InjectedFaultsReachTheCalls) {
    {
        const ScopedFault fault("ICreateDevEnum::CreateClassEnumerator", E_OUTOFMEMORY);
        IEnumMoniker* list = nullptr;
        EXPECT_EQ(enumerator_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &list, 0),
                  E_OUTOFMEMORY);
        EXPECT_EQ(list, nullptr);
    }
    const ComPtr<IMoniker> cameraA = Monikers(CLSID_VideoInputDeviceCategory)[0];
    const ScopedFault readFault("IPropertyBag::Read", E_UNEXPECTED, 1);
    const ComPtr<IPropertyBag> bag = Bag(cameraA);
    EXPECT_EQ(ReadText(bag, u"FriendlyName"), u"Cam A");
    EXPECT_EQ(ReadText(bag, u"FriendlyName"), u"(unreadable)");
}

TEST_F(DeviceEnumerator, NextSkipResetAndCloneFollowTheEnumeratorContract) {
    ComPtr<IEnumMoniker> list;
    ASSERT_EQ(
        enumerator_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.GetAddressOf(), 0),
        S_OK);
    IMoniker* batch[4] = {};
    EXPECT_EQ(list->Next(2, batch, nullptr), E_INVALIDARG);
    ASSERT_EQ(list->Skip(1), S_OK);
    ComPtr<IEnumMoniker> clone;
    ASSERT_EQ(list->Clone(clone.GetAddressOf()), S_OK);
    ULONG fetched = 0;
    EXPECT_EQ(list->Next(4, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(list->Next(1, &batch[2], nullptr), S_FALSE);
    EXPECT_EQ(batch[2], nullptr);
    // The clone continues from where the original stood when it was cloned.
    IMoniker* fromClone = nullptr;
    ASSERT_EQ(clone->Next(1, &fromClone, nullptr), S_OK);
    EXPECT_EQ(fromClone->IsEqual(batch[0]), S_OK);
    EXPECT_EQ(fromClone->IsEqual(batch[1]), S_FALSE);
    fromClone->Release();
    batch[0]->Release();
    batch[1]->Release();
    EXPECT_EQ(list->Skip(5), S_FALSE);
    EXPECT_EQ(list->Reset(), S_OK);
    EXPECT_EQ(list->Next(1, &fromClone, nullptr), S_OK);
    fromClone->Release();
}

TEST_F(DeviceEnumerator, DisplayNamesIdentifyDevicesAcrossEnumerations) {
    const auto first = Monikers(CLSID_VideoInputDeviceCategory);
    const auto second = Monikers(CLSID_VideoInputDeviceCategory);
    LPOLESTR name = nullptr;
    ASSERT_EQ(first[0]->GetDisplayName(nullptr, nullptr, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"@device:pnp:\\\\?\\usb#a");
    CoTaskMemFree(name);
    EXPECT_EQ(first[0]->IsEqual(second[0].Get()), S_OK);
    EXPECT_EQ(first[1]->IsEqual(second[2].Get()), S_FALSE);
    DWORD hashA = 0;
    DWORD hashB = 0;
    first[0]->Hash(&hashA);
    second[0]->Hash(&hashB);
    EXPECT_EQ(hashA, hashB);
}

TEST_F(DeviceEnumerator, MonikersKeepTheirDeviceWhenTheCatalogIsReplaced) {
    const ComPtr<IMoniker> cameraA = Monikers(CLSID_VideoInputDeviceCategory)[0];
    InstallCatalog(LoadCatalogString(R"({"devices": []})"));
    EXPECT_TRUE(Monikers(CLSID_VideoInputDeviceCategory).empty());
    EXPECT_EQ(ReadText(Bag(cameraA), u"FriendlyName"), u"Cam A");
}

TEST_F(DeviceEnumerator, RegisteredFiltersFollowTheCatalogDevices) {
    const capspect::ScopedFilterRegistration registration(
        CLSID_VideoInputDeviceCategory, kSoftwareSource, u"Screen Capture", u"screen.ax");
    const capspect::ScopedClassRegistration factory(
        kSoftwareSource, [](REFIID riid, void** object) {
            return CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, riid,
                                    object);
        });
    const auto video = Monikers(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(video.size(), 4u);
    const ComPtr<IPropertyBag> bag = Bag(video[3]);
    EXPECT_EQ(ReadText(bag, u"FriendlyName"), u"Screen Capture");
    EXPECT_EQ(ReadText(bag, u"CLSID"), capspect::GuidToU16String(kSoftwareSource));
    ComPtr<ICreateDevEnum> created;
    EXPECT_EQ(video[3]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(created.GetAddressOf())), S_OK);
    EXPECT_TRUE(created);
}

TEST_F(DeviceEnumerator, DeviceClassFileIsRegisteredWhileTheCatalogIsInstalled) {
    const auto fileName = []() -> std::u16string {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          u"Software\\Classes\\CLSID\\{17CCA71B-ECD7-11D0-B908-00A0C9223196}"
                          u"\\InprocServer32",
                          0, KEY_READ, &key) != ERROR_SUCCESS) {
            return u"<Unknown>";
        }
        char16_t buffer[64] = {};
        DWORD size = sizeof buffer;
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        return buffer;
    };
    EXPECT_EQ(fileName(), u"ksproxy.ax");
    InstallCatalog({});
    EXPECT_EQ(fileName(), u"<Unknown>");
}

}  // namespace
