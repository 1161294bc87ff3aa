// The graph manager's persisted graph (docs/graph-stream.md) straight from a memory
// stream, without the compound-file container around it, so that mutations reach the
// filter and connection records directly. A failed load leaves the graph empty; a graph
// that loads is saved and must load again from what was saved.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "fuzz/graph_filters.h"
#include "platform/directshow/platform.h"
#include "platform/linux/messages.h"
#include "platform/linux/storage.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/storage.h"
#include "platform/support/comptr.h"
#include "platform/support/platform_context.h"

using namespace capspect;

namespace {

ComPtr<IStream> StreamOf(const void* data, std::size_t size) {
    ComPtr<IStream> stream = CreateMemoryStream();
    ULONG written = 0;
    fuzz::Check(
        SUCCEEDED(stream->Write(data, static_cast<ULONG>(size), &written)) && written == size,
        "memory stream write");
    fuzz::Check(SUCCEEDED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)),
                "memory stream seek");
    return stream;
}

ComPtr<IGraphBuilder> NewGraph() {
    ComPtr<IGraphBuilder> graph;
    fuzz::Check(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(graph.GetAddressOf()))),
                "graph manager");
    return graph;
}

// Loads `stream` into `graph`; a failure must leave the graph empty.
HRESULT Load(IGraphBuilder* graph, IStream* stream) {
    ComPtr<IPersistStream> persist;
    fuzz::Check(SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(persist.GetAddressOf()))),
                "IPersistStream");
    const HRESULT hr = persist->Load(stream);
    if (FAILED(hr)) {
        fuzz::Check(fuzz::FilterCount(graph) == 0, "a failed load leaves the graph empty");
    }
    return hr;
}

void CheckSavedGraphLoads(IGraphBuilder* graph) {
    ComPtr<IPersistStream> persist;
    graph->QueryInterface(IID_PPV_ARGS(persist.GetAddressOf()));
    ComPtr<IStream> saved = CreateMemoryStream();
    fuzz::Check(SUCCEEDED(persist->Save(saved.Get(), TRUE)), "a loaded graph saves");
    fuzz::Check(SUCCEEDED(saved->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)),
                "memory stream seek");
    const ComPtr<IGraphBuilder> copy = NewGraph();
    fuzz::Check(SUCCEEDED(Load(copy.Get(), saved.Get())), "a saved graph loads again");
    fuzz::Check(fuzz::FilterCount(copy.Get()) == fuzz::FilterCount(graph),
                "the reloaded graph has every filter");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The simulated platform for the whole run.
    static const PlatformContext platform;
    static const bool registered = (sim::RegisterSimulatedPlatform(), true);
    static_cast<void>(registered);
    {
        const ComPtr<IGraphBuilder> graph = NewGraph();
        const ComPtr<IStream> stream = StreamOf(data, size);
        if (SUCCEEDED(Load(graph.Get(), stream.Get()))) {
            CheckSavedGraphLoads(graph.Get());
        }
    }
    ProcessMessagesUntilIdle();
    return 0;
}
