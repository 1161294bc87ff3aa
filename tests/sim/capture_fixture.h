// A device catalog for the capture path's tests (an analog card with preview pin and
// crossbar, a webcam with only a capture pin, a device with failing calls), a renderer
// that takes any video, and a fixture that binds the devices and holds a graph with a
// capture graph builder.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/devices/devenum.h"
#include "platform/directshow/filter.h"
#include "platform/directshow/platform.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"

namespace capspect::sim::test {

inline constexpr const char* kCaptureCatalog = R"({"devices": [
  {"category": "video",
   "properties": {"FriendlyName": "Analog Card", "DevicePath": "\\\\?\\pci#card",
                  "CLSID": "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"},
   "pins": [
     {"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
      "streamConfig": {"current": 0, "capabilities": [
        {"caps": {"guid": "FORMAT_Vidscope", "InputSize": [720, 576],
                  "MinOutputSize": [720, 576], "MaxOutputSize": [720, 576],
                  "MinFrameInterval": 400000, "MaxFrameInterval": 400000},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 400000,
                       "biWidth": 720, "biHeight": 576, "biBitCount": 16}},
        {"caps": {"guid": "FORMAT_Vidscope", "InputSize": [640, 480],
                  "MinOutputSize": [160, 120], "MaxOutputSize": [640, 480],
                  "OutputGranularityX": 160, "OutputGranularityY": 120,
                  "MinFrameInterval": 333333, "MaxFrameInterval": 2000000},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                       "biWidth": 640, "biHeight": 480, "biBitCount": 16}},
        {"caps": {"guid": "FORMAT_Vidscope2", "InputSize": [720, 576]},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope2", "AvgTimePerFrame": 400000,
                       "biWidth": 720, "biHeight": 576, "biBitCount": 16,
                       "dwPictAspectRatioX": 16, "dwPictAspectRatioY": 9}}]},
      "faults": {"SetFormat": {"hr": "E_ACCESSDENIED", "indices": [2]}}},
     {"name": "Preview", "category": "PIN_CATEGORY_PREVIEW",
      "streamConfig": {"capabilities": [
        {"caps": {"InputSize": [768, 576]},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 400000,
                       "biWidth": 768, "biHeight": 576, "biBitCount": 16}}]}},
     {"name": "Analog Video In", "direction": "input", "category": "PIN_CATEGORY_ANALOGVIDEOIN"}],
   "crossbar": {
     "inputs": [{"type": "PhysConn_Video_Tuner", "related": 1},
                {"type": "PhysConn_Audio_Tuner", "related": 0},
                {"type": "PhysConn_Video_Composite", "related": 3},
                {"type": "PhysConn_Audio_Line", "related": 2},
                {"type": "PhysConn_Video_SVideo", "related": 3}],
     "outputs": [{"type": "PhysConn_Video_VideoDecoder", "related": 1, "routedFrom": 2},
                 {"type": "PhysConn_Audio_AudioDecoder", "related": 0, "routedFrom": 3},
                 {"type": "PhysConn_Video_VideoEncoder", "canRouteFrom": [4]}],
     "faults": {"Route": {"hr": "E_FAIL", "indices": [1]},
                "get_CrossbarPinInfo": {"hr": "E_ACCESSDENIED", "inputs": [4]}}}},
  {"category": "video",
   "properties": {"FriendlyName": "USB Camera", "DevicePath": "\\\\?\\usb#cam", "CLSID": "bad"},
   "pins": [
     {"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
      "streamConfig": {"capabilities": [
        {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_MJPG",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                       "biWidth": 1280, "biHeight": 720, "biBitCount": 24}},
        {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                       "biWidth": 640, "biHeight": 480, "biBitCount": 16}}]}},
     {"name": "Still", "category": "PIN_CATEGORY_STILL",
      "mediaTypes": [{"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_RGB24",
                      "formattype": "FORMAT_Vidscope", "biWidth": 640, "biHeight": 480,
                      "biBitCount": 24}]},
     {"name": "VP", "category": "PIN_CATEGORY_VIDEOPORT",
      "mediaTypes": [{"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
                      "formattype": "FORMAT_Vidscope", "biWidth": 640, "biHeight": 480,
                      "biBitCount": 16}]}],
   "faults": {"RenderPreview": {"hr": "VFW_E_CANNOT_RENDER", "indices": [0]}}},
  {"category": "video",
   "properties": {"FriendlyName": "Faulty Grabber"},
   "pins": [
     {"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
      "streamConfig": {"capsSize": 52, "current": -1, "capabilities": [
        {"caps": {"guid": "FORMAT_Vidscope", "InputSize": [320, 240]},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                       "biWidth": 320, "biHeight": 240, "biBitCount": 16}},
        {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
                       "formattype": "FORMAT_Vidscope", "biWidth": 320, "biHeight": 240}}]},
      "faults": {"GetStreamCaps": {"hr": "E_OUTOFMEMORY", "indices": [1]},
                 "GetFormat": "VFW_E_NOT_CONNECTED"}},
     {"name": "Overflow", "category": "PIN_CATEGORY_PREVIEW",
      "streamConfig": {"capsSize": 200, "capabilities": [
        {"caps": {"guid": "FORMAT_Vidscope", "InputSize": [320, 240]},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope"}}]},
      "faults": {"GetNumberOfCapabilities": "E_UNEXPECTED"}}],
   "faults": {"RenderPreview": "VFW_E_NO_CAPTURE_HARDWARE"}}
]})";

inline constexpr CLSID kAnyVideoRendererClsid{0x5A5A0100, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};

// A renderer whose one input takes any video (or only `subType`).
class AnyVideoRenderer : public Filter {
public:
    explicit AnyVideoRenderer(const GUID& subType = GUID_NULL)
        : Filter(kAnyVideoRendererClsid, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
        AddInputPin(u"In", {MediaType(MEDIATYPE_Video, subType)});
    }
    Pin& Input() const { return *Pins().front(); }
};

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSimulatedPlatform();
        InstallCatalog(LoadCatalogString(kCaptureCatalog));
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(graph.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(builder.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    }

    // The filter of the catalog's video device `index`, bound through its moniker.
    static ComPtr<IBaseFilter> BindDevice(std::size_t index) {
        ComPtr<ICreateDevEnum> devices;
        EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(devices.GetAddressOf())),
                  S_OK);
        ComPtr<IEnumMoniker> monikers;
        EXPECT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                 monikers.GetAddressOf(), 0),
                  S_OK);
        ComPtr<IMoniker> moniker;
        monikers->Skip(static_cast<ULONG>(index));
        EXPECT_EQ(monikers->Next(1, moniker.GetAddressOf(), nullptr), S_OK);
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.GetAddressOf())),
                  S_OK);
        return filter;
    }

    ComPtr<IBaseFilter> AddDevice(std::size_t index, const char16_t* name) {
        ComPtr<IBaseFilter> filter = BindDevice(index);
        EXPECT_EQ(graph->AddFilter(filter.Get(), name), S_OK);
        return filter;
    }

    template <typename F, typename... Args>
    ComPtr<F> Add(const char16_t* name, Args&&... args) {
        auto filter = MakeComObject<F>(std::forward<Args>(args)...);
        EXPECT_EQ(graph->AddFilter(filter.Get(), name), S_OK);
        return filter;
    }

    ComPtr<IBaseFilter> AddSmartTee() {
        ComPtr<IBaseFilter> tee;
        EXPECT_EQ(CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(tee.GetAddressOf())),
                  S_OK);
        EXPECT_EQ(graph->AddFilter(tee.Get(), u"Smart Tee"), S_OK);
        return tee;
    }

    static ComPtr<IPin> PinNamed(IBaseFilter* filter, const char16_t* name) {
        ComPtr<IPin> pin;
        filter->FindPin(name, pin.GetAddressOf());
        return pin;
    }

    template <typename Interface>
    static ComPtr<Interface> PinInterface(IBaseFilter* filter, const char16_t* pinName) {
        ComPtr<Interface> found;
        if (const ComPtr<IPin> pin = PinNamed(filter, pinName)) {
            pin.As(&found);
        }
        return found;
    }

    // The name of the filter at the other end of `pin`'s connection, or "" when unconnected.
    static std::u16string PeerFilterName(IPin* pin) {
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(peer.GetAddressOf()))) {
            return u"";
        }
        PIN_INFO pinInfo{};
        peer->QueryPinInfo(&pinInfo);
        FILTER_INFO filterInfo{};
        pinInfo.pFilter->QueryFilterInfo(&filterInfo);
        pinInfo.pFilter->Release();
        if (filterInfo.pGraph != nullptr) {
            filterInfo.pGraph->Release();
        }
        return filterInfo.achName;
    }

    std::vector<std::u16string> FilterNames() const {
        std::vector<std::u16string> names;
        ComPtr<IEnumFilters> filters;
        graph->EnumFilters(filters.GetAddressOf());
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            FILTER_INFO info{};
            filter->QueryFilterInfo(&info);
            if (info.pGraph != nullptr) {
                info.pGraph->Release();
            }
            names.emplace_back(info.achName);
        }
        return names;
    }

    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
};

// The VIDEOINFOHEADER of a video type (which the tests know to carry one).
inline VIDEOINFOHEADER HeaderOf(const AM_MEDIA_TYPE& type) {
    VIDEOINFOHEADER header{};
    if (type.cbFormat >= sizeof header && type.pbFormat != nullptr) {
        std::memcpy(&header, type.pbFormat, sizeof header);
    }
    return header;
}

// A YUY2 VIDEOINFOHEADER type of the given size and frame duration.
inline MediaType Yuy2(LONG width, LONG height, REFERENCE_TIME frameInterval) {
    VIDEOINFOHEADER header{};
    header.AvgTimePerFrame = frameInterval;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biBitCount = 16;
    return MediaType::Video(MEDIASUBTYPE_YUY2, header);
}

}  // namespace capspect::sim::test
