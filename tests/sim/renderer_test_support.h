// Shared pieces of the renderer tests: a source with chosen output types, video types of
// chosen sizes, and a graph fixture that creates the platform's filters by class.
#pragma once

#include <gtest/gtest.h>

#include "platform/directshow/renderers.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/gdi.h"
#include "platform/support/comptr.h"
#include "platform/support/gdi_handles.h"
#include "tests/sim/test_filters.h"

namespace capspect::sim::test {

// A source whose one output offers `types`.
class TypedSource : public Filter {
public:
    explicit TypedSource(std::vector<MediaType> types)
        : Filter(kSourceClsid, AM_FILTER_MISC_FLAGS_IS_SOURCE) {
        AddOutputPin(u"Output", std::move(types));
    }
};

inline MediaType WideVideoType(LONG width, LONG height) {
    VIDEOINFOHEADER2 header{};
    header.AvgTimePerFrame = 400000;
    header.dwPictAspectRatioX = 16;
    header.dwPictAspectRatioY = 9;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biBitCount = 16;
    return MediaType(MEDIATYPE_Video, MEDIASUBTYPE_UYVY, FORMAT_VideoInfo2,
                     std::span(reinterpret_cast<const BYTE*>(&header), sizeof header));
}

inline MediaType StreamType(const GUID& subtype) {
    return MediaType(MEDIATYPE_Stream, subtype, FORMAT_None);
}

// A memory device context holding a picture of one colour, as a caller of the mixers
// prepares it.
class TestPicture {
public:
    TestPicture(LONG width, LONG height, COLORREF color)
        : dc_(CreateCompatibleDC(nullptr)), bitmap_(CreateBitmap(width, height, 1, 32, nullptr)) {
        previous_ = SelectObject(dc_.get(), bitmap_.get());
        const UniqueBrush brush(CreateSolidBrush(color));
        const RECT all{0, 0, width, height};
        FillRect(dc_.get(), &all, brush.get());
    }
    ~TestPicture() { SelectObject(dc_.get(), previous_); }
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;

    HDC Dc() const { return dc_.get(); }

private:
    UniqueDC dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

class RendererTest : public GraphTest {
protected:
    // Creates a platform filter by class, as the components do, and adds it to the graph.
    ComPtr<IBaseFilter> AddByClass(const CLSID& clsid, const char16_t* name) {
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(filter.GetAddressOf())),
                  S_OK);
        if (filter) {
            EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter.Get(), name)));
        }
        return filter;
    }

    // The first pin of `filter` in `direction`.
    static ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
        ComPtr<IEnumPins> pins;
        EXPECT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            PIN_DIRECTION pinDirection{};
            pin->QueryDirection(&pinDirection);
            if (pinDirection == direction) {
                return pin;
            }
        }
        return nullptr;
    }

    template <typename Interface>
    static bool Offers(IUnknown* object) {
        ComPtr<Interface> found;
        return SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(found.GetAddressOf())));
    }

    HRESULT ConnectSource(Filter& source, IBaseFilter* renderer) {
        return graph->ConnectDirect(PinOf(source, 0), FirstPin(renderer, PINDIR_INPUT).Get(),
                                    nullptr);
    }
};

}  // namespace capspect::sim::test
