// Filter membership, pin connection and intelligent connect of the simulated graph manager.
#include <gtest/gtest.h>

#include "platform/directshow/filter_graph.h"
#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/unicode.h"
#include "tests/sim/test_filters.h"
#include "tests/support/temp_dir.h"

namespace capspect::sim::test {
namespace {

using ConnectionTest = GraphTest;

TEST_F(ConnectionTest, DirectConnectionNegotiatesATypeBothPinsAccept) {
    auto source = Add<SourceFilter>(u"Source");
    auto transform = Add<TransformFilter>(u"Transform");
    IPin* output = PinOf(*source, 0);
    IPin* input = PinOf(*transform, 0);

    ASSERT_EQ(graph->ConnectDirect(output, input, nullptr), S_OK);

    ComPtr<IPin> peer;
    ASSERT_EQ(output->ConnectedTo(peer.GetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), input);
    MediaType connection;
    ASSERT_EQ(input->ConnectionMediaType(connection.Receive()), S_OK);
    EXPECT_EQ(connection, VideoType(MEDIASUBTYPE_YUY2));
    EXPECT_EQ(graph->ConnectDirect(output, input, nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(ConnectionTest, DisconnectingReleasesBothSidesOnlyWhenAskedForEach) {
    auto source = Add<SourceFilter>(u"Source");
    auto transform = Add<TransformFilter>(u"Transform");
    IPin* output = PinOf(*source, 0);
    IPin* input = PinOf(*transform, 0);
    ASSERT_EQ(graph->ConnectDirect(output, input, nullptr), S_OK);

    EXPECT_EQ(graph->Disconnect(output), S_OK);
    ComPtr<IPin> peer;
    EXPECT_EQ(output->ConnectedTo(peer.GetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(peer, nullptr);
    // The input side keeps its half until it is disconnected too.
    EXPECT_EQ(input->ConnectedTo(peer.GetAddressOf()), S_OK);
    peer = nullptr;
    EXPECT_EQ(graph->Disconnect(input), S_OK);
    EXPECT_EQ(graph->Disconnect(input), S_FALSE);

    AM_MEDIA_TYPE unconnected{};
    EXPECT_EQ(input->ConnectionMediaType(&unconnected), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(unconnected.pbFormat, nullptr);
}

TEST_F(ConnectionTest, RefusesWrongDirectionsTypesAndPinsOutsideTheGraph) {
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");
    auto outsider = MakeComObject<TransformFilter>();

    EXPECT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*renderer, 0), nullptr),
              VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(PinOf(*renderer, 0)->Connect(PinOf(*source, 0), nullptr), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*outsider, 0), nullptr),
              VFW_E_NOT_IN_GRAPH);
    const MediaType rgb = VideoType(MEDIASUBTYPE_RGB32);
    auto transform = Add<TransformFilter>(u"Transform");
    EXPECT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*transform, 0), &rgb.Get()),
              VFW_E_TYPE_NOT_ACCEPTED);
}

TEST_F(ConnectionTest, PinsAnswerTheirIdentity) {
    auto source = Add<SourceFilter>(u"Source");
    IPin* pin = PinOf(*source, 0);
    PIN_INFO info{};
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(source.Get()));
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_EQ(std::u16string(info.achName), u"Video");
    info.pFilter->Release();

    LPWSTR id = nullptr;
    ASSERT_EQ(pin->QueryId(&id), S_OK);
    ComPtr<IPin> found;
    EXPECT_EQ(source->FindPin(id, found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), pin);
    CoTaskMemFree(id);
    EXPECT_EQ(source->FindPin(u"Nope", found.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);

    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(pin->EnumMediaTypes(types.GetAddressOf()), S_OK);
    AM_MEDIA_TYPE* offered[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(2, offered, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(offered[0]->subtype, MEDIASUBTYPE_YUY2);
    DeleteMediaType(offered[0]);
}

using NamingTest = GraphTest;

TEST_F(NamingTest, DuplicateNamesGetANumberAndNoNameGetsOne) {
    auto first = MakeComObject<SourceFilter>();
    auto second = MakeComObject<SourceFilter>();
    auto third = MakeComObject<SourceFilter>();
    auto unnamed = MakeComObject<SourceFilter>();

    EXPECT_EQ(graph->AddFilter(first.Get(), u"Capture"), S_OK);
    EXPECT_EQ(graph->AddFilter(second.Get(), u"Capture"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(third.Get(), u"Capture"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(unnamed.Get(), nullptr), S_OK);
    EXPECT_EQ(graph->AddFilter(first.Get(), u"Again"), E_INVALIDARG);

    // Most recently added first, as the platform enumerates.
    EXPECT_EQ(FilterNames(),
              (std::vector<std::u16string>{u"0001", u"Capture 0002", u"Capture 0001", u"Capture"}));
    EXPECT_EQ(second->Name(), u"Capture 0001");
    ComPtr<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName(u"Capture 0002", found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(third.Get()));
}

TEST(UniqueFilterName, KeepsNamesWithinTheLimitAndGivesUp) {
    const std::u16string longName(200, u'x');
    const auto free = [](std::u16string_view) { return false; };
    EXPECT_EQ(UniqueFilterName(longName, free)->size(), std::size_t{MAX_FILTER_NAME - 1});

    const std::u16string full(127, u'x');
    const auto renamed =
        UniqueFilterName(longName, [&](std::u16string_view name) { return name == full; });
    ASSERT_TRUE(renamed);
    EXPECT_EQ(*renamed, std::u16string(122, u'x') + u" 0001");
    EXPECT_FALSE(UniqueFilterName(u"Busy", [](std::u16string_view) { return true; }));
}

TEST_F(NamingTest, RemovedFilterLeavesTheGraphAndItsConnections) {
    auto source = Add<SourceFilter>(u"Source");
    auto transform = Add<TransformFilter>(u"Transform");
    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*transform, 0), nullptr), S_OK);
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.GetAddressOf()), S_OK);

    EXPECT_EQ(graph->RemoveFilter(transform.Get()), S_OK);
    EXPECT_FALSE(static_cast<Pin*>(PinOf(*source, 0))->IsConnected());
    EXPECT_EQ(transform->Graph(), nullptr);
    EXPECT_EQ(graph->RemoveFilter(transform.Get()), VFW_E_NOT_FOUND);

    // An enumerator taken before the change must be reset before it answers again.
    ComPtr<IBaseFilter> next;
    EXPECT_EQ(filters->Next(1, next.GetAddressOf(), nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(filters->Reset(), S_OK);
    EXPECT_EQ(filters->Next(1, next.GetAddressOf(), nullptr), S_OK);
    EXPECT_EQ(next.Get(), static_cast<IBaseFilter*>(source.Get()));
}

class IntelligentConnectTest : public GraphTest {
protected:
    ScopedFilterRegistration transform_{Registration(kTransformClsid, u"Test Decoder", MERIT_NORMAL,
                                                     {{MEDIATYPE_Video, MEDIASUBTYPE_YUY2}},
                                                     {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}),
                                        FactoryFor<TransformFilter>()};
    ScopedFilterRegistration otherTransform_{
        Registration(kOtherTransformClsid, u"Other Decoder", MERIT_UNLIKELY,
                     {{MEDIATYPE_Video, MEDIASUBTYPE_YUY2}},
                     {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}),
        [](REFIID riid, void** object) {
            return MakeComObject<TransformFilter>(kOtherTransformClsid)
                ->QueryInterface(riid, object);
        }};
    ScopedFilterRegistration renderer_{
        Registration(kVideoRendererClsid, u"Test Renderer", MERIT_PREFERRED,
                     {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}),
        FactoryFor<VideoRenderer>()};
};

TEST_F(IntelligentConnectTest, UsesAFilterAlreadyInTheGraphFirst) {
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");
    auto mine = Add<TransformFilter>(u"Mine", kOtherTransformClsid);

    ASSERT_EQ(graph->Connect(PinOf(*source, 0), PinOf(*renderer, 0)), S_OK);

    EXPECT_TRUE(static_cast<Pin*>(PinOf(*mine, 0))->IsConnected());
    EXPECT_TRUE(static_cast<Pin*>(PinOf(*mine, 1))->IsConnected());
    EXPECT_EQ(FilterNames().size(), 3u);
}

TEST_F(IntelligentConnectTest, AddsTheRegisteredFilterOfHighestMerit) {
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");

    ASSERT_EQ(graph->Connect(PinOf(*source, 0), PinOf(*renderer, 0)), S_OK);

    ComPtr<IBaseFilter> decoder;
    ASSERT_EQ(graph->FindFilterByName(u"Test Decoder", decoder.GetAddressOf()), S_OK);
    EXPECT_EQ(FilterNames().size(), 3u);
    MediaType rendered;
    ASSERT_EQ(PinOf(*renderer, 0)->ConnectionMediaType(rendered.Receive()), S_OK);
    EXPECT_EQ(rendered->subtype, MEDIASUBTYPE_RGB32);
}

TEST_F(IntelligentConnectTest, FailsCleanlyWhenNoChainExists) {
    auto renderer = Add<VideoRenderer>(u"Renderer");
    auto audio = Add<AudioRenderer>(u"Audio");
    auto source = Add<SourceFilter>(u"Source", true);

    EXPECT_EQ(graph->Connect(PinOf(*source, 1), PinOf(*renderer, 0)), VFW_E_CANNOT_CONNECT);
    // Filters tried and found wanting are taken out again.
    EXPECT_EQ(FilterNames().size(), 3u);
    EXPECT_EQ(graph->Connect(PinOf(*source, 1), PinOf(*audio, 0)), S_OK);
}

TEST_F(IntelligentConnectTest, RenderBuildsTheChainToARenderer) {
    auto source = Add<SourceFilter>(u"Source");

    EXPECT_EQ(graph->Render(PinOf(*source, 0)), S_OK);

    ComPtr<IBaseFilter> renderer;
    EXPECT_EQ(graph->FindFilterByName(u"Test Renderer", renderer.GetAddressOf()), S_OK);
    EXPECT_EQ(graph->Render(PinOf(*source, 0)), VFW_E_ALREADY_CONNECTED);
}

TEST_F(IntelligentConnectTest, RenderToExistingRenderersAddsNothingRegistered) {
    auto source = Add<SourceFilter>(u"Source");
    IFilterGraph2* graph2 = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_PPV_ARGS(&graph2)), S_OK);
    const ComPtr<IFilterGraph2> extended(graph2);
    graph2->Release();

    EXPECT_EQ(extended->RenderEx(PinOf(*source, 0), AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr),
              VFW_E_CANNOT_RENDER);
    EXPECT_EQ(FilterNames().size(), 1u);
    Add<TransformFilter>(u"Decoder");
    Add<VideoRenderer>(u"Renderer");
    EXPECT_EQ(extended->RenderEx(PinOf(*source, 0), AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr),
              S_OK);
}

TEST_F(IntelligentConnectTest, RenderFileReportsTheStreamItCouldNotRender) {
    constexpr CLSID kFileSourceClsid{0x5A5A0010, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
    class FileSource : public WithInterfaces<SourceFilter, IFileSourceFilter> {
    public:
        FileSource() : WithInterfaces(true) {}
        HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE*) override {
            file_ = fileName;
            return S_OK;
        }
        HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE*) override {
            *fileName = CoTaskMemString(file_);
            return S_OK;
        }

    private:
        std::u16string file_;
    };
    const ScopedClassRegistration source(kFileSourceClsid, FactoryFor<FileSource>());
    const int resolver = FilterRegistry::Instance().AddSourceResolver(
        [&](std::u16string_view file, CLSID* clsid) -> std::optional<HRESULT> {
            if (!file.ends_with(u".avi")) {
                return std::nullopt;
            }
            *clsid = kFileSourceClsid;
            return S_OK;
        });

    {
        // Without an audio renderer the sound stays unrendered.
        const ScopedFault noAudio("CoCreateInstance(CLSID_DSoundRender)", REGDB_E_CLASSNOTREG);
        EXPECT_EQ(graph->RenderFile(u"clip.avi", nullptr), VFW_S_AUDIO_NOT_RENDERED);
    }
    const capspect::test::TempDir dir;
    const std::u16string unknown = Utf8ToUtf16(dir.Write("clip.xyz", {'x', 'y', 'z'}).string());
    EXPECT_EQ(graph->RenderFile(unknown.c_str(), nullptr), VFW_E_UNKNOWN_FILE_TYPE);
    ComPtr<IBaseFilter> loaded;
    EXPECT_EQ(graph->FindFilterByName(u"clip.avi", loaded.GetAddressOf()), S_OK);
    FilterRegistry::Instance().RemoveSourceResolver(resolver);
}

// Records the builder callbacks and rejects what it is told to.
class Callback : public ComObject<IAMGraphBuilderCallback> {
public:
    HRESULT SelectedFilter(IMoniker*) override {
        ++selected;
        return rejectAllSelected ? E_FAIL : S_OK;
    }
    HRESULT CreatedFilter(IBaseFilter* filter) override {
        CLSID clsid{};
        filter->GetClassID(&clsid);
        created.push_back(clsid);
        return clsid == rejectCreated ? E_FAIL : S_OK;
    }
    int selected = 0;
    std::vector<CLSID> created;
    bool rejectAllSelected = false;
    CLSID rejectCreated = GUID_NULL;
};

TEST_F(IntelligentConnectTest, TheSitesCallbackSeesAndMayRejectCandidates) {
    auto callback = MakeComObject<Callback>();
    callback->rejectCreated = kTransformClsid;
    ComPtr<IObjectWithSite> site;
    ASSERT_EQ(graph.As(&site), S_OK);
    ASSERT_EQ(site->SetSite(callback->Identity()), S_OK);
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");

    ASSERT_EQ(graph->Connect(PinOf(*source, 0), PinOf(*renderer, 0)), S_OK);

    EXPECT_EQ(callback->created, (std::vector<CLSID>{kTransformClsid, kOtherTransformClsid}));
    ComPtr<IBaseFilter> used;
    EXPECT_EQ(graph->FindFilterByName(u"Other Decoder", used.GetAddressOf()), S_OK);
    EXPECT_EQ(graph->FindFilterByName(u"Test Decoder", used.ReleaseAndGetAddressOf()),
              VFW_E_NOT_FOUND);
    site->SetSite(nullptr);
}

TEST_F(IntelligentConnectTest, RejectingEverySelectionLeavesOnlyDirectConnections) {
    auto callback = MakeComObject<Callback>();
    callback->rejectAllSelected = true;
    ComPtr<IObjectWithSite> site;
    ASSERT_EQ(graph.As(&site), S_OK);
    ASSERT_EQ(site->SetSite(callback->Identity()), S_OK);
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");

    EXPECT_EQ(graph->Connect(PinOf(*source, 0), PinOf(*renderer, 0)), VFW_E_CANNOT_CONNECT);
    EXPECT_GE(callback->selected, 2);
    EXPECT_TRUE(callback->created.empty());
    site->SetSite(nullptr);
}

TEST_F(IntelligentConnectTest, InjectedFaultsReachTheFailurePaths) {
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");
    {
        const ScopedFault refuse("IPin::ReceiveConnection", E_FAIL);
        EXPECT_EQ(graph->Connect(PinOf(*source, 0), PinOf(*renderer, 0)), VFW_E_CANNOT_CONNECT);
        EXPECT_EQ(FilterNames().size(), 2u);
    }
    {
        const ScopedFault full("IFilterGraph::AddFilter", E_OUTOFMEMORY);
        auto extra = MakeComObject<TransformFilter>();
        EXPECT_EQ(graph->AddFilter(extra.Get(), u"Extra"), E_OUTOFMEMORY);
        EXPECT_EQ(extra->Graph(), nullptr);
    }
    EXPECT_EQ(graph->Connect(PinOf(*source, 0), PinOf(*renderer, 0)), S_OK);
}

}  // namespace
}  // namespace capspect::sim::test
