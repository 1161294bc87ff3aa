// Small simulated filters for the graph manager's tests: a source with video (and
// optionally audio) output, a YUY2-to-RGB32 transform, video and audio renderers, and a
// graph fixture with these classes registered.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/directshow/filter.h"
#include "platform/directshow/filter_registry.h"
#include "platform/directshow/interfaces.h"
#include "platform/directshow/platform.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim::test {

inline constexpr CLSID kSourceClsid{0x5A5A0001, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID kTransformClsid{0x5A5A0002, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID kOtherTransformClsid{0x5A5A0003, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID kVideoRendererClsid{0x5A5A0004, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID kAudioRendererClsid{0x5A5A0005, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};

inline MediaType VideoType(const GUID& subType, LONG width = 640, LONG height = 480) {
    VIDEOINFOHEADER header{};
    header.AvgTimePerFrame = 400000;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biBitCount = subType == MEDIASUBTYPE_RGB32 ? 32 : 16;
    header.bmiHeader.biSizeImage =
        static_cast<DWORD>(width * height * header.bmiHeader.biBitCount / 8);
    return MediaType::Video(subType, header);
}

inline MediaType AudioType() {
    const WAVEFORMATEX format{1, 2, 48000, 192000, 4, 16, 0};
    return MediaType::Audio(MEDIASUBTYPE_PCM, format);
}

// Accepts any type of `majorType` and `subType`.
inline MediaType Pattern(const GUID& majorType, const GUID& subType = GUID_NULL) {
    return MediaType(majorType, subType);
}

class SourceFilter : public Filter {
public:
    explicit SourceFilter(bool withAudio = false)
        : Filter(kSourceClsid, AM_FILTER_MISC_FLAGS_IS_SOURCE) {
        AddOutputPin(u"Video", {VideoType(MEDIASUBTYPE_YUY2)});
        if (withAudio) {
            AddOutputPin(u"Audio", {AudioType()});
        }
    }
};

class TransformFilter : public Filter {
public:
    explicit TransformFilter(const CLSID& clsid = kTransformClsid) : Filter(clsid) {
        AddInputPin(u"In", {Pattern(MEDIATYPE_Video, MEDIASUBTYPE_YUY2)});
        AddOutputPin(u"Out", {VideoType(MEDIASUBTYPE_RGB32)});
    }
};

class VideoRenderer : public Filter {
public:
    VideoRenderer() : Filter(kVideoRendererClsid, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
        AddInputPin(u"Input", {Pattern(MEDIATYPE_Video, MEDIASUBTYPE_RGB32)});
    }
};

// An audio renderer that keeps its volume and balance.
class AudioRenderer : public WithInterfaces<Filter, IBasicAudio> {
public:
    AudioRenderer() : WithInterfaces(kAudioRendererClsid, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
        AddInputPin(u"Audio Input pin (rendered)", {Pattern(MEDIATYPE_Audio)});
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT put_Volume(LONG volume) override {
        if (volume < -10000 || volume > 0) {
            return E_INVALIDARG;
        }
        volume_ = volume;
        return S_OK;
    }
    HRESULT get_Volume(LONG* volume) override {
        *volume = volume_;
        return S_OK;
    }
    HRESULT put_Balance(LONG balance) override {
        balance_ = balance;
        return S_OK;
    }
    HRESULT get_Balance(LONG* balance) override {
        *balance = balance_;
        return S_OK;
    }

private:
    LONG volume_ = 0;
    LONG balance_ = 0;
};

inline FilterRegistration Registration(const CLSID& clsid, std::u16string name, DWORD merit,
                                       std::vector<RegisteredMediaType> inputs,
                                       std::vector<RegisteredMediaType> outputs = {}) {
    FilterRegistration registration;
    registration.clsid = clsid;
    registration.friendlyName = std::move(name);
    registration.merit = merit;
    registration.inputTypes = std::move(inputs);
    registration.outputTypes = std::move(outputs);
    return registration;
}

// A fresh graph manager per test, created through CoCreateInstance.
class GraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSimulatedPlatform();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(graph.GetAddressOf())),
                  S_OK);
    }

    template <typename F, typename... Args>
    ComPtr<F> Add(const char16_t* name, Args&&... args) {
        auto filter = MakeComObject<F>(std::forward<Args>(args)...);
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter.Get(), name)));
        return filter;
    }

    static IPin* PinOf(Filter& filter, std::size_t index) { return filter.Pins().at(index).get(); }

    std::vector<std::u16string> FilterNames() const {
        std::vector<std::u16string> names;
        ComPtr<IEnumFilters> filters;
        EXPECT_EQ(graph->EnumFilters(filters.GetAddressOf()), S_OK);
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            FILTER_INFO info{};
            EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
            names.emplace_back(info.achName);
            if (info.pGraph != nullptr) {
                info.pGraph->Release();
            }
        }
        return names;
    }

    ComPtr<IGraphBuilder> graph;
};

}  // namespace capspect::sim::test
