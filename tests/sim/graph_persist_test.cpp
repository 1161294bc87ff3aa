// Saving and loading whole graphs through the graph manager's IPersistStream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "tests/sim/test_filters.h"

namespace capspect::sim::test {
namespace {

// A growable stream in memory; enough of IStream for saving and loading.
class MemoryStream : public ComObject<IStream> {
public:
    HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
        const std::size_t n = std::min<std::size_t>(count, bytes.size() - position_);
        std::memcpy(buffer, bytes.data() + position_, n);
        position_ += n;
        *read = static_cast<ULONG>(n);
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
        const auto* data = static_cast<const BYTE*>(buffer);
        bytes.resize(std::max(bytes.size(), position_ + count));
        std::copy(data, data + count, bytes.begin() + static_cast<std::ptrdiff_t>(position_));
        position_ += count;
        *written = count;
        return S_OK;
    }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        const LONGLONG base = origin == STREAM_SEEK_SET   ? 0
                              : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(position_)
                                                          : static_cast<LONGLONG>(bytes.size());
        position_ = static_cast<std::size_t>(base + move.QuadPart);
        if (newPosition != nullptr) {
            newPosition->QuadPart = position_;
        }
        return S_OK;
    }
    HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return E_NOTIMPL; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

    void Rewind() { position_ = 0; }
    std::vector<BYTE> bytes;

private:
    std::size_t position_ = 0;
};

class PersistTest : public GraphTest {
protected:
    ScopedFilterRegistration source_{Registration(kSourceClsid, u"Source", MERIT_DO_NOT_USE, {}),
                                     [](REFIID riid, void** object) {
                                         return MakeComObject<SourceFilter>(true)->QueryInterface(
                                             riid, object);
                                     }};
    ScopedFilterRegistration transform_{
        Registration(kTransformClsid, u"Decoder", MERIT_DO_NOT_USE, {}),
        FactoryFor<TransformFilter>()};
    ScopedFilterRegistration renderer_{
        Registration(kVideoRendererClsid, u"Renderer", MERIT_DO_NOT_USE, {}),
        FactoryFor<VideoRenderer>()};

    ComPtr<IPersistStream> Persist(const ComPtr<IGraphBuilder>& of) {
        ComPtr<IPersistStream> persist;
        EXPECT_EQ(of.As(&persist), S_OK);
        return persist;
    }
};

TEST_F(PersistTest, SavedGraphLoadsBackWithItsFiltersAndConnections) {
    auto source = Add<SourceFilter>(u"Camera", true);
    auto decoder = Add<TransformFilter>(u"Decoder");
    auto renderer = Add<VideoRenderer>(u"Renderer");
    Add<VideoRenderer>(u"Renderer");  // a duplicate name survives as it was given
    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(*decoder, 1), PinOf(*renderer, 0), nullptr), S_OK);
    EXPECT_EQ(Persist(graph)->IsDirty(), S_OK);

    auto stream = MakeComObject<MemoryStream>();
    ASSERT_EQ(Persist(graph)->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(Persist(graph)->IsDirty(), S_FALSE);
    const std::vector<std::u16string> savedNames = FilterNames();

    ComPtr<IGraphBuilder> loaded;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(loaded.GetAddressOf())),
              S_OK);
    stream->Rewind();
    ASSERT_EQ(Persist(loaded)->Load(stream.Get()), S_OK);

    graph = loaded;
    EXPECT_EQ(FilterNames(), savedNames);
    ComPtr<IBaseFilter> loadedRenderer;
    ASSERT_EQ(graph->FindFilterByName(u"Renderer", loadedRenderer.GetAddressOf()), S_OK);
    ComPtr<IPin> input;
    ASSERT_EQ(loadedRenderer->FindPin(u"Input", input.GetAddressOf()), S_OK);
    MediaType type;
    ASSERT_EQ(input->ConnectionMediaType(type.Receive()), S_OK);
    EXPECT_EQ(type, VideoType(MEDIASUBTYPE_RGB32));
}

TEST_F(PersistTest, DamagedStreamsLeaveAnEmptyGraph) {
    auto source = Add<SourceFilter>(u"Camera", true);
    auto decoder = Add<TransformFilter>(u"Decoder");
    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    auto stream = MakeComObject<MemoryStream>();
    ASSERT_EQ(Persist(graph)->Save(stream.Get(), FALSE), S_OK);

    auto truncated = MakeComObject<MemoryStream>();
    truncated->bytes.assign(stream->bytes.begin(), stream->bytes.end() - 10);
    EXPECT_EQ(Persist(graph)->Load(truncated.Get()), VFW_E_CORRUPT_GRAPH_FILE);
    EXPECT_TRUE(FilterNames().empty());

    auto foreign = MakeComObject<MemoryStream>();
    foreign->bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    EXPECT_EQ(Persist(graph)->Load(foreign.Get()), VFW_E_INVALID_FILE_FORMAT);

    const ScopedFault fault("IPin::ReceiveConnection", E_FAIL);
    stream->Rewind();
    EXPECT_EQ(Persist(graph)->Load(stream.Get()), E_FAIL);
    EXPECT_TRUE(FilterNames().empty());
}

}  // namespace
}  // namespace capspect::sim::test
