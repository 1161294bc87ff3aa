// The graph component's test bed: the simulated graph manager, extended so that tests can
// refuse its control interfaces and see the calls the component makes; a video renderer
// with its own window; sources with plain and wide pictures; and a component that records
// the events it handles.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShow.h"
#include "platform/directshow/filter.h"
#include "platform/directshow/filter_graph.h"
#include "platform/directshow/interfaces.h"
#include "platform/directshow/platform.h"
#include "platform/linux/com.h"
#include "platform/linux/messages.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/messages.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"

namespace capspect::test {

using Journal = std::vector<std::string>;

inline std::string Hex(LONG_PTR value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
    return text;
}

// The simulated graph manager. QueryInterface for a control interface fails while the
// fault "QueryInterface(<name>)" is armed; state changes and freed event parameters are
// written to the journal.
class TestGraph : public sim::FilterGraph {
public:
    explicit TestGraph(Journal& journal) : journal_(journal) { ++Live(); }
    ~TestGraph() override { --Live(); }

    static int& Live() {
        static int live = 0;
        return live;
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        static const std::vector<std::pair<IID, const char*>> refusable{
            {IID_IMediaControl, "QueryInterface(IMediaControl)"},
            {IID_IMediaEventEx, "QueryInterface(IMediaEventEx)"},
            {IID_IMediaSeeking, "QueryInterface(IMediaSeeking)"},
            {IID_IVideoWindow, "QueryInterface(IVideoWindow)"},
            {IID_IObjectWithSite, "QueryInterface(IObjectWithSite)"},
            {IID_IBasicAudio, "QueryInterface(IBasicAudio)"},
            {IID_IPersistStream, "QueryInterface(IPersistStream)"},
            {IID_IFilterGraph2, "QueryInterface(IFilterGraph2)"},
        };
        for (const auto& [iid, name] : refusable) {
            if (riid == iid) {
                if (const auto fault = InjectedFault(name)) {
                    *object = nullptr;
                    return *fault;
                }
            }
        }
        return FilterGraph::QueryInterface(riid, object);
    }

    HRESULT Run() override { return Logged("Run", FilterGraph::Run()); }
    HRESULT Pause() override { return Logged("Pause", FilterGraph::Pause()); }
    HRESULT Stop() override { return Logged("Stop", FilterGraph::Stop()); }
    HRESULT StopWhenReady() override {
        return Logged("StopWhenReady", FilterGraph::StopWhenReady());
    }
    HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override {
        journal_.push_back("free " + Hex(code) + " " + Hex(param1) + " " + Hex(param2));
        return FilterGraph::FreeEventParams(code, param1, param2);
    }

private:
    HRESULT Logged(const char* call, HRESULT hr) {
        journal_.push_back(call);
        return hr;
    }

    Journal& journal_;
};

inline MediaType PlainVideo() {
    VIDEOINFOHEADER header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = 640;
    header.bmiHeader.biHeight = 480;
    header.bmiHeader.biBitCount = 16;
    return MediaType::Video(MEDIASUBTYPE_YUY2, header);
}

// A PAL picture whose declared picture aspect is 16:9.
inline MediaType WideVideo() {
    VIDEOINFOHEADER2 header{};
    header.dwPictAspectRatioX = 16;
    header.dwPictAspectRatioY = 9;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = 720;
    header.bmiHeader.biHeight = 576;
    header.bmiHeader.biBitCount = 16;
    const auto* bytes = reinterpret_cast<const BYTE*>(&header);
    return MediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo2,
                     std::span<const BYTE>(bytes, sizeof header));
}

inline constexpr CLSID kSourceClsid{0x7E570001, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID kRendererClsid{0x7E570002, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};

class SourceFilter : public sim::Filter {
public:
    explicit SourceFilter(MediaType type = PlainVideo())
        : Filter(kSourceClsid, AM_FILTER_MISC_FLAGS_IS_SOURCE) {
        AddOutputPin(u"Video", {std::move(type)});
    }
};

// A video renderer with a window of its own, which keeps what it is told.
class WindowedRenderer : public sim::WithInterfaces<sim::Filter, IVideoWindow, IBasicVideo2> {
public:
    WindowedRenderer() : WithInterfaces(kRendererClsid, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
        AddInputPin(u"Input", {MediaType(MEDIATYPE_Video, GUID_NULL)});
    }

    struct Placement {
        LONG left, top, width, height;
        FILTER_STATE stateDuringPlacement;
        friend bool operator==(const Placement&, const Placement&) = default;
    };

    LONG aspectX = 4;
    LONG aspectY = 3;
    LONG style = 0x00CF0000 | 0x10000000;  // a framed, visible top-level window
    OAHWND owner = 0;
    OAHWND drain = 0;
    LONG visible = OATRUE;
    std::optional<LONG> cursorHidden;
    std::vector<Placement> placements;

    HRESULT put_WindowStyle(LONG value) override { return Set(style, value); }
    HRESULT get_WindowStyle(LONG* value) override { return Get(style, value); }
    HRESULT put_Owner(OAHWND value) override { return Set(owner, value); }
    HRESULT get_Owner(OAHWND* value) override { return Get(owner, value); }
    HRESULT put_MessageDrain(OAHWND value) override { return Set(drain, value); }
    HRESULT get_MessageDrain(OAHWND* value) override { return Get(drain, value); }
    HRESULT put_Visible(LONG value) override { return Set(visible, value); }
    HRESULT get_Visible(LONG* value) override { return Get(visible, value); }
    HRESULT HideCursor(LONG hide) override {
        cursorHidden = hide;
        return S_OK;
    }
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override {
        placements.push_back({left, top, width, height, State()});
        return S_OK;
    }
    HRESULT GetPreferredAspectRatio(LONG* x, LONG* y) override {
        *x = aspectX;
        *y = aspectY;
        return S_OK;
    }
    HRESULT GetVideoSize(LONG* width, LONG* height) override {
        *width = 640;
        *height = 480;
        return S_OK;
    }

    // Not used by the component.
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT put_Caption(BSTR) override { return E_NOTIMPL; }
    HRESULT get_Caption(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_WindowStyleEx(LONG) override { return E_NOTIMPL; }
    HRESULT get_WindowStyleEx(LONG*) override { return E_NOTIMPL; }
    HRESULT put_AutoShow(LONG) override { return E_NOTIMPL; }
    HRESULT get_AutoShow(LONG*) override { return E_NOTIMPL; }
    HRESULT put_WindowState(LONG) override { return E_NOTIMPL; }
    HRESULT get_WindowState(LONG*) override { return E_NOTIMPL; }
    HRESULT put_BackgroundPalette(LONG) override { return E_NOTIMPL; }
    HRESULT get_BackgroundPalette(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Left(LONG) override { return E_NOTIMPL; }
    HRESULT get_Left(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Width(LONG) override { return E_NOTIMPL; }
    HRESULT get_Width(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Top(LONG) override { return E_NOTIMPL; }
    HRESULT get_Top(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Height(LONG) override { return E_NOTIMPL; }
    HRESULT get_Height(LONG*) override { return E_NOTIMPL; }
    HRESULT get_BorderColor(LONG*) override { return E_NOTIMPL; }
    HRESULT put_BorderColor(LONG) override { return E_NOTIMPL; }
    HRESULT get_FullScreenMode(LONG*) override { return E_NOTIMPL; }
    HRESULT put_FullScreenMode(LONG) override { return E_NOTIMPL; }
    HRESULT SetWindowForeground(LONG) override { return E_NOTIMPL; }
    HRESULT NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }
    HRESULT GetWindowPosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetMinIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetMaxIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetRestorePosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT IsCursorHidden(LONG*) override { return E_NOTIMPL; }
    HRESULT get_AvgTimePerFrame(REFTIME*) override { return E_NOTIMPL; }
    HRESULT get_BitRate(LONG*) override { return E_NOTIMPL; }
    HRESULT get_BitErrorRate(LONG*) override { return E_NOTIMPL; }
    HRESULT get_VideoWidth(LONG*) override { return E_NOTIMPL; }
    HRESULT get_VideoHeight(LONG*) override { return E_NOTIMPL; }
    HRESULT put_SourceLeft(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceLeft(LONG*) override { return E_NOTIMPL; }
    HRESULT put_SourceWidth(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceWidth(LONG*) override { return E_NOTIMPL; }
    HRESULT put_SourceTop(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceTop(LONG*) override { return E_NOTIMPL; }
    HRESULT put_SourceHeight(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceHeight(LONG*) override { return E_NOTIMPL; }
    HRESULT put_DestinationLeft(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationLeft(LONG*) override { return E_NOTIMPL; }
    HRESULT put_DestinationWidth(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationWidth(LONG*) override { return E_NOTIMPL; }
    HRESULT put_DestinationTop(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationTop(LONG*) override { return E_NOTIMPL; }
    HRESULT put_DestinationHeight(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationHeight(LONG*) override { return E_NOTIMPL; }
    HRESULT SetSourcePosition(LONG, LONG, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT GetSourcePosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSourcePosition() override { return E_NOTIMPL; }
    HRESULT SetDestinationPosition(LONG, LONG, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT GetDestinationPosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT SetDefaultDestinationPosition() override { return E_NOTIMPL; }
    HRESULT GetVideoPaletteEntries(LONG, LONG, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetCurrentImage(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT IsUsingDefaultSource() override { return E_NOTIMPL; }
    HRESULT IsUsingDefaultDestination() override { return E_NOTIMPL; }

private:
    template <typename T>
    static HRESULT Set(T& field, T value) {
        field = value;
        return S_OK;
    }
    template <typename T>
    static HRESULT Get(const T& field, T* value) {
        *value = field;
        return S_OK;
    }
};

struct Report {
    HRESULT hr;
    std::u16string text;
    friend bool operator==(const Report&, const Report&) = default;
};

// A graph component that writes the events it handles into the journal and lets tests
// reach its protected parts.
class RecordingDXShow : public TDXShow {
public:
    RecordingDXShow(Journal& journal, TDXShowReports reports)
        : TDXShow(std::move(reports)), journal_(journal) {}

    void HandleEvent(LONG EventCode, LONG_PTR Param1, LONG_PTR Param2) override {
        journal_.push_back("handle " + Hex(EventCode) + " " + Hex(Param1) + " " + Hex(Param2));
        TDXShow::HandleEvent(EventCode, Param1, Param2);
    }
    bool IsVideoComponent() const override { return videoComponent; }
    bool IsEVR() const override { return evr; }

    using TDXShow::UpdateRecentFilters;
    void SetFileName(std::u16string name) { FFileName = std::move(name); }
    const std::u16string& FileName() const { return FFileName; }
    HWND NotifyWindow() const { return WindowHandle(); }

    bool videoComponent = false;
    bool evr = false;

private:
    Journal& journal_;
};

// A fresh simulated platform per test whose graph manager is TestGraph; the component's
// error and information reports are collected.
class DXShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::RegisterSimulatedPlatform();
        registration_.emplace(CLSID_FilterGraph, [this](REFIID riid, void** object) {
            return MakeComObject<TestGraph>(journal)->QueryInterface(riid, object);
        });
    }

    TDXShowReports Reports() {
        return {[this](HRESULT hr, const std::u16string& text) {
                    errors.push_back({hr, text});
                },
                [this](HRESULT hr, const std::u16string& text) {
                    infos.push_back({hr, text});
                }};
    }

    std::unique_ptr<RecordingDXShow> Create() {
        return std::make_unique<RecordingDXShow>(journal, Reports());
    }

    template <typename F, typename... Args>
    static ComPtr<F> AddFilter(TDXShow& dx, const char16_t* name, Args&&... args) {
        auto filter = MakeComObject<F>(std::forward<Args>(args)...);
        EXPECT_EQ(dx.Graph()->AddFilter(filter.Get(), name), S_OK);
        return filter;
    }

    // A source connected to a windowed renderer.
    ComPtr<WindowedRenderer> AddRenderedSource(TDXShow& dx, MediaType type = PlainVideo()) {
        auto source = AddFilter<SourceFilter>(dx, u"Source", std::move(type));
        auto renderer = AddFilter<WindowedRenderer>(dx, u"Renderer");
        EXPECT_EQ(dx.Graph()->ConnectDirect(source->Pins().at(0).get(),
                                            renderer->Pins().at(0).get(), nullptr),
                  S_OK);
        return renderer;
    }

    static void PostEvent(TDXShow& dx, LONG code, LONG_PTR param1 = 0, LONG_PTR param2 = 0) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(dx.Graph().As(&sink), S_OK);
        ASSERT_EQ(sink->Notify(code, param1, param2), S_OK);
    }

    Journal journal;
    std::vector<Report> errors;
    std::vector<Report> infos;

private:
    std::optional<ScopedClassRegistration> registration_;
};

}  // namespace capspect::test
