// Filters and helpers for the pin and filter utility tests, on top of the simulated
// graph manager's test filters.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "platform/directshow/filter.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/support/comobject.h"
#include "tests/sim/test_filters.h"

namespace capspect::dshow_test {

using sim::Filter;
using sim::test::GraphTest;
using sim::test::Pattern;

inline constexpr CLSID kCountedClsid{0x5A5B0001, 0x2, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID kPlainClsid{0x5A5B0002, 0x2, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

// The object's current reference count.
inline ULONG RefCount(IBaseFilter* object) {
    object->AddRef();
    return object->Release();
}

// A filter with one input that counts its live instances, so that a test sees whether
// every reference to it was released.
class CountedFilter : public Filter {
public:
    CountedFilter() : Filter(kCountedClsid) {
        AddInputPin(u"In", {Pattern(MEDIATYPE_Video)});
        ++live;
    }
    ~CountedFilter() override { --live; }

    static inline int live = 0;
};

// Pins in the order input, output, output.
class ThreePinFilter : public Filter {
public:
    ThreePinFilter() : Filter(kPlainClsid) {
        AddInputPin(u"In", {Pattern(MEDIATYPE_Video)});
        AddOutputPin(u"Out 1", {sim::test::VideoType(MEDIASUBTYPE_YUY2)});
        AddOutputPin(u"Out 2", {sim::test::VideoType(MEDIASUBTYPE_YUY2)});
    }
};

class PinlessFilter : public Filter {
public:
    PinlessFilter() : Filter(kPlainClsid) {}
};

// A video source whose one output offers `mediaType`.
class VideoSource : public Filter {
public:
    explicit VideoSource(const MediaType& mediaType)
        : Filter(sim::test::kSourceClsid, AM_FILTER_MISC_FLAGS_IS_SOURCE) {
        AddOutputPin(u"Video", {mediaType});
    }
};

// Accepts any video type.
class AnyVideoRenderer : public Filter {
public:
    AnyVideoRenderer() : Filter(sim::test::kVideoRendererClsid, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
        AddInputPin(u"Input", {Pattern(MEDIATYPE_Video)});
    }
};

// A UYVY type with a VIDEOINFOHEADER2 block of `formatSize` bytes (at most the whole
// header) and the picture aspect ratio x : y.
inline MediaType VideoInfo2Type(DWORD x, DWORD y,
                                std::size_t formatSize = sizeof(VIDEOINFOHEADER2)) {
    VIDEOINFOHEADER2 header{};
    header.dwPictAspectRatioX = x;
    header.dwPictAspectRatioY = y;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = 720;
    header.bmiHeader.biHeight = 576;
    header.bmiHeader.biBitCount = 16;
    const auto* bytes = reinterpret_cast<const BYTE*>(&header);
    return MediaType(MEDIATYPE_Video, MEDIASUBTYPE_UYVY, FORMAT_VideoInfo2,
                     std::span<const BYTE>(bytes, formatSize));
}

// A filter that offers only IBaseFilter and `Extra`, none of whose calls is used here: it
// lets a test offer interfaces a simulated filter always has (IAMFilterMiscFlags) or never.
template <typename... Extra>
class BareFilter : public ComObject<IBaseFilter, Extra...> {
public:
    HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT Stop() override { return E_NOTIMPL; }
    HRESULT Pause() override { return E_NOTIMPL; }
    HRESULT Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
    HRESULT GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
};

// A file source without IAMFilterMiscFlags.
class FileReader : public BareFilter<IFileSourceFilter> {
public:
    HRESULT Load(LPCOLESTR, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT GetCurFile(LPOLESTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
};

inline IPin* PinOf(Filter& filter, std::size_t index) {
    return filter.Pins().at(index).get();
}

inline bool IsConnected(Filter& filter, std::size_t pinIndex) {
    return filter.Pins().at(pinIndex)->IsConnected();
}

}  // namespace capspect::dshow_test
