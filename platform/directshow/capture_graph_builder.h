// The simulated capture graph builder (CLSID_CaptureGraphBuilder2).
//
// FindInterface searches, from the given filter: with a pin category, the filter's output
// pins of that category (and major type, when given) and downstream of them; with
// LOOK_UPSTREAM_ONLY, the filter's input pins and everything upstream, without the filter;
// with LOOK_DOWNSTREAM_ONLY the same downstream; with no category, the filter and its
// pins, then downstream, then upstream. A pin category no output pin has gives E_FAIL, an
// interface found nowhere E_NOINTERFACE.
//
// RenderStream connects the source's output pin of the category and major type through
// the intermediate filter (when given) to the sink, or renders it when there is no sink.
// A preview asked of a device that has no preview pin comes from its capture pin through
// a Smart Tee that the builder adds ("Smart Tee", or numbered when taken) and connects:
// the tee's Preview output is rendered and the call answers VFW_S_NOPREVIEWPIN. A capture
// pin that already feeds a Smart Tee is rendered from the tee's output of the category.
// A call that fails leaves the graph as it found it: connections it made are broken and
// filters it added are removed.
//
// Both calls, given a simulated capture device in the builder's graph (and RenderStream
// only with a pin category), first bring in the device's crossbar: it is added to the
// graph under the device's friendly name followed by " Crossbar" and its video output is
// connected to the device's analog video input pin (category PIN_CATEGORY_ANALOGVIDEOIN),
// once; a crossbar that cannot be connected is taken out again.
//
// Simulated calls that tests can make fail (platform/faults.h):
// "ICaptureGraphBuilder2::SetFiltergraph", "ICaptureGraphBuilder2::GetFiltergraph",
// "ICaptureGraphBuilder2::FindInterface", "ICaptureGraphBuilder2::RenderStream",
// "ICaptureGraphBuilder2::FindPin"; a catalog device's RenderPreview fails RenderStream of
// its preview stream.
#pragma once

#include "platform/sdk/dshow/capture.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

class CaptureFilter;

class CaptureGraphBuilder : public ComObject<ICaptureGraphBuilder2> {
public:
    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT GetFiltergraph(IGraphBuilder** graph) override;
    HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                              IFileSinkFilter** sink) override;
    HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                          void** object) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                         IBaseFilter* intermediate, IBaseFilter* sink) override;
    HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                          REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                          WORD stopCookie) override;
    HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) override;
    HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                            IAMCopyCaptureFileProgress* callback) override;
    HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                    const GUID* type, BOOL unconnected, int index, IPin** pin) override;

private:
    class StreamRendering;

    // The builder's graph; one is made on first use when none was set.
    HRESULT Graph(ComPtr<IGraphBuilder>& graph);
    bool InGraph(IBaseFilter* filter) const;
    void AddUpstreamCrossbar(CaptureFilter& device);

    ComPtr<IGraphBuilder> graph_;
};

}  // namespace capspect::sim
