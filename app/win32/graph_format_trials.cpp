// Trials of the system's own capture devices on Windows, through the system's filter
// graph: for each trial the device's filter is bound afresh from its moniker into a graph
// of the trials' own, where its capture pin streams into a sample counter of ours, and is
// released after. A fresh filter each time, because a capture filter that has streamed
// may keep its device busy (Wine's V4L2 filter: S_FMT answers EBUSY) until it goes.
#include <windows.h>

#include <dshow.h>

#include <algorithm>
#include <chrono>

#include "app/verify_device.h"
#include "app/win32/sample_counter.h"
#include "platform/support/comobject.h"
#include "platform/support/mediatypes.h"

namespace capspect {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

// Waits are cut into slices, so that Ctrl-C and the graph's error events are heard soon.
constexpr milliseconds kWaitSlice = 50ms;

REFERENCE_TIME ToReferenceTime(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count() / 100;
}

// One instance of the device's filter in the trials' graph, with its capture pin.
struct BoundDevice {
    ComPtr<IBaseFilter> filter;
    ComPtr<IPin> pin;
    ComPtr<IAMStreamConfig> config;
};

class GraphFormatTrials final : public FormatTrials {
public:
    GraphFormatTrials(ComPtr<IGraphBuilder> graph, ComPtr<ICaptureGraphBuilder2> builder,
                      ComPtr<IMoniker> moniker, ComPtr<SampleCounter> counter, MediaType original)
        : graph_(std::move(graph)),
          builder_(std::move(builder)),
          moniker_(std::move(moniker)),
          counter_(std::move(counter)),
          original_(std::move(original)) {
        graph_.As(&control_);
        graph_.As(&events_);
    }

    ~GraphFormatTrials() override {
        control_->Stop();
        graph_->RemoveFilter(counter_.Get());
    }

    TrialResult Run(const TrialRequest& request) override {
        TrialResult result;
        std::optional<BoundDevice> device = Bind(result.failure);
        if (!device) {
            return result;
        }
        MediaType format(*request.format);
        if (const HRESULT hr = device->config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&format.Get()));
            FAILED(hr)) {
            result.refused = FailedCall{"IAMStreamConfig::SetFormat", hr, {}};
        } else if (const HRESULT connected =
                       graph_->ConnectDirect(device->pin.Get(), &counter_->Input(), nullptr);
                   FAILED(connected)) {
            result.refused = FailedCall{"IGraphBuilder::ConnectDirect", connected, {}};
        } else {
            result.changed = ChangedFormat(*device->pin.Get(), format.Get());
            Stream(request, result);
        }
        Release(*device);
        return result;
    }

    std::optional<FailedCall> Restore() override {
        if (original_.Get().majortype == GUID_NULL) {
            return std::nullopt;
        }
        std::optional<FailedCall> failure;
        std::optional<BoundDevice> device = Bind(failure);
        if (!device) {
            return failure;
        }
        const HRESULT hr = device->config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&original_.Get()));
        Release(*device);
        if (FAILED(hr)) {
            return FailedCall{"IAMStreamConfig::SetFormat", hr, {}};
        }
        return std::nullopt;
    }

private:
    std::optional<BoundDevice> Bind(std::optional<FailedCall>& failure) const {
        BoundDevice device;
        if (const HRESULT hr = moniker_->BindToObject(nullptr, nullptr,
                                                      IID_PPV_ARGS(device.filter.GetAddressOf()));
            FAILED(hr)) {
            failure = FailedCall{"IMoniker::BindToObject", hr, {}};
            return std::nullopt;
        }
        if (const HRESULT hr = graph_->AddFilter(device.filter.Get(), L"Capture"); FAILED(hr)) {
            failure = FailedCall{"IFilterGraph::AddFilter", hr, {}};
            return std::nullopt;
        }
        // The stream configuration the capture component lists the report's formats from,
        // asked as it asks (the preview pin's, else the capture pin's), so that the trials
        // set and stream the formats of the same pin.
        const HRESULT found = FindStreamConfig(*device.filter.Get(), device.config);
        if (FAILED(found) || FAILED(device.config.As(&device.pin))) {
            graph_->RemoveFilter(device.filter.Get());
            failure = FailedCall{"IAMStreamConfig", E_NOINTERFACE, {}};
            return std::nullopt;
        }
        return device;
    }

    HRESULT FindStreamConfig(IBaseFilter& filter, ComPtr<IAMStreamConfig>& config) const {
        for (const GUID* category : {&PIN_CATEGORY_PREVIEW, &PIN_CATEGORY_CAPTURE}) {
            if (SUCCEEDED(builder_->FindInterface(category, nullptr, &filter,
                                                  IID_PPV_ARGS(config.ReleaseAndGetAddressOf())))) {
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }

    void Release(BoundDevice& device) const {
        control_->Stop();
        graph_->Disconnect(device.pin.Get());
        graph_->Disconnect(&counter_->Input());
        graph_->RemoveFilter(device.filter.Get());
    }

    // The connection's frame when it is not the one asked for.
    static std::optional<DeliveredFormat> ChangedFormat(IPin& pin, const AM_MEDIA_TYPE& asked) {
        MediaType connection;
        if (FAILED(pin.ConnectionMediaType(connection.Receive()))) {
            return std::nullopt;
        }
        const std::optional<VideoFrame> want = VideoFrameOf(asked);
        const std::optional<VideoFrame> got = VideoFrameOf(connection.Get());
        if (!want || !got) {
            return std::nullopt;
        }
        return ChangedFrame(*want, DeliveredFormat{got->width, got->height, got->subtype});
    }

    void Stream(const TrialRequest& request, TrialResult& result) {
        counter_->Reset();
        const auto started = std::chrono::steady_clock::now();
        if (const HRESULT hr = control_->Run(); FAILED(hr)) {
            result.failure = FailedCall{"IMediaControl::Run", hr, {}};
            return;
        }
        const milliseconds frameTimeout = ToMilliseconds(request.frameTimeout);
        const auto frames = static_cast<std::size_t>(request.frames);
        ReceivedSamples received;
        auto lastProgress = started;
        std::size_t seen = 0;
        while (received.startTimes.size() < frames) {
            received = counter_->WaitFor(frames, kWaitSlice);
            const auto now = std::chrono::steady_clock::now();
            if (received.startTimes.size() > seen) {
                seen = received.startTimes.size();
                lastProgress = now;
            }
            if (request.stopRequested && request.stopRequested()) {
                result.stopped = true;
                break;
            }
            if (std::optional<FailedCall> failure = GraphError()) {
                result.failure = std::move(failure);
                break;
            }
            if (received.startTimes.size() < frames && now - lastProgress > frameTimeout) {
                result.silent = true;
                break;
            }
        }
        const std::size_t kept = std::min(received.startTimes.size(), frames);
        // The samples' own times where the device stamps them all; else their arrival.
        const bool stamped = std::all_of(received.startTimes.begin(),
                                         received.startTimes.begin() + static_cast<long>(kept),
                                         [](REFERENCE_TIME time) { return time >= 0; });
        for (std::size_t i = 0; i < kept; ++i) {
            result.frameTimes.push_back(stamped ? received.startTimes[i]
                                                : ToReferenceTime(received.arrivals[i] - started));
        }
        if (kept > 0) {
            result.firstFrameDelay = ToReferenceTime(received.arrivals.front() - started);
        }
    }

    // An error the graph reported while it ran (the capture filter's own), if any.
    std::optional<FailedCall> GraphError() const {
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        std::optional<FailedCall> failure;
        while (!failure && events_->GetEvent(&code, &param1, &param2, 0) == S_OK) {
            if (code == EC_ERRORABORT || code == EC_STREAM_ERROR_STOPPED) {
                failure = FailedCall{"EC_ERRORABORT", static_cast<HRESULT>(param1), {}};
            } else if (code == EC_DEVICE_LOST) {
                failure = FailedCall{
                    "EC_DEVICE_LOST", HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED), {}};
            }
            events_->FreeEventParams(code, param1, param2);
        }
        return failure;
    }

    ComPtr<IGraphBuilder> graph_;
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
    ComPtr<IMoniker> moniker_;
    ComPtr<SampleCounter> counter_;
    MediaType original_;
};

}  // namespace

std::unique_ptr<FormatTrials> SystemDeviceTrials(const TDXShowCapture& capture, IMoniker* device) {
    IAMStreamConfig* const config = capture.OutputFormats().StreamConfig();
    if (config == nullptr || device == nullptr) {
        return nullptr;
    }
    // The format the device had when the report rendered it, to put back at the end.
    MediaType original;
    AM_MEDIA_TYPE* current = nullptr;
    if (SUCCEEDED(config->GetFormat(&current)) && current != nullptr) {
        original = MediaType(*current);
        DeleteMediaType(current);
    }
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(graph.GetAddressOf())))) {
        return nullptr;
    }
    ComPtr<ICaptureGraphBuilder2> builder;
    if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(builder.GetAddressOf()))) ||
        FAILED(builder->SetFiltergraph(graph.Get()))) {
        return nullptr;
    }
    ComPtr<SampleCounter> counter = MakeComObject<SampleCounter>();
    if (FAILED(graph->AddFilter(counter.Get(), L"Sample counter"))) {
        return nullptr;
    }
    return std::make_unique<GraphFormatTrials>(std::move(graph), std::move(builder),
                                               ComPtr<IMoniker>(device), std::move(counter),
                                               std::move(original));
}

}  // namespace capspect
