// TDXShowCapture: the video component specialised for live capture devices. It keeps the
// list of video capture devices and builds a preview graph for one of them, chosen by its
// device path: the device filter, a Smart Tee and the renderer the video component
// inserts. On the way it reads the output formats of the device's stream configuration,
// may switch the device to a preferred television format and lists the inputs of the
// crossbar in front of the device. The graph is built, never started.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <dshow.h>

#include "Components/VQDirectShow/DXShowCaptureInputs.h"
#include "Components/VQDirectShow/DXShowDevices.h"
#include "Components/VQDirectShow/DXShowStreamConfig.h"
#include "Components/VQDirectShow/DXShowVideo.h"
#include "platform/support/comptr.h"

namespace capspect {

class TDXShowCapture : public TDXShowVideo {
public:
    // Builds the video component, reads the video capture devices and creates the capture
    // graph builder. Raises EDShowError when there is no capture graph builder; a builder
    // that refuses the graph is only reported.
    explicit TDXShowCapture(TDXShowReports reports = {});
    ~TDXShowCapture() override;

    // Builds the preview graph of the device whose path is `FileName` (the first device
    // when empty). Answers S_OK: failures go to OnError and OnInfoMsg. The one exception is
    // a device that refuses the preferred format: its EDShowError leaves this call.
    HRESULT RenderFile(std::u16string_view FileName, bool ClearGraph) override;
    // Releases the device filter, empties the output formats, then empties the graph.
    void TearDownGraph() override;

    // Capture has no end of stream to loop at; the setting is ignored.
    void SetLoop(bool Value) override;
    // EC_DEVICE_LOST: stops the graph when the rendered device went away and rereads the
    // device list. Every other event goes to the video component.
    void HandleEvent(LONG EventCode, LONG_PTR Param1, LONG_PTR Param2) override;

    // Shows the device filter's property pages; false without a device or when the pages
    // cannot be read.
    bool ShowCaptureFilterDlg();
    // Not available: raises EAssertionFailed("Not yet implemented") when the device has a
    // preview stream configuration, else answers false.
    bool ShowOutputFormatDlg();

    // Switch the device to a preferred UYVY or YUY2 format before rendering; on by default.
    bool OptimizeVideoResolution() const { return FOptimizeVideoResolution; }
    void SetOptimizeVideoResolution(bool Value) { FOptimizeVideoResolution = Value; }

    const ComPtr<ICaptureGraphBuilder2>& Build() const { return FBuild; }
    // The device filter of the last RenderFile; null when none is rendered.
    const ComPtr<IBaseFilter>& Cap() const { return FCap; }
    TDXShowCaptureDevices& CaptureDevices() { return *FCaptureDevices; }
    const TDXShowCaptureDevices& CaptureDevices() const { return *FCaptureDevices; }
    const TDXShowCaptureInputs& CaptureInputs() const { return *FCaptureInputs; }
    const TDXShowStreamConfig& OutputFormats() const { return *FOutputFormats; }
    TDXShowStreamConfig& OutputFormats() { return *FOutputFormats; }

private:
    void CreateCaptureGraphBuilder();
    // The steps between adding the device filter and listing the crossbar's inputs.
    void RenderDevice(const TDXShowDevice& device);
    void FindStreamConfig(HRESULT& hr);
    void SelectPreferredFormat();
    void SelectFormat(int index, std::u16string_view logText);
    HRESULT RenderPreview(IBaseFilter* tee, IBaseFilter* target);
    HRESULT RenderVideoPortPin(HRESULT hr, IBaseFilter* target);
    HRESULT RetryAt768x576(HRESULT hr, IBaseFilter* tee, IBaseFilter* target);
    IBaseFilter* PreviewTarget();
    void FindCrossbar();
    bool ShowPropertyPages(IBaseFilter* filter);
    HWND PropertyFrameOwner() const;

    bool FOptimizeVideoResolution = true;
    ComPtr<ICaptureGraphBuilder2> FBuild;
    ComPtr<IBaseFilter> FCap;
    std::unique_ptr<TDXShowCaptureDevices> FCaptureDevices;
    ComPtr<IAMCrossbar> FCrossBar;
    std::unique_ptr<TDXShowCaptureInputs> FCaptureInputs;
    std::unique_ptr<TDXShowStreamConfig> FOutputFormats;
    ComPtr<IAMStreamConfig> FStreamConfig;
};

}  // namespace capspect
