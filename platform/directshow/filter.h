// The base of simulated DirectShow filters and their pins. A filter owns its pins; a pin
// shares its filter's reference count, as the platform's pins do. Connections follow the
// platform's protocol: the output pin proposes media types and the input pin accepts them
// in ReceiveConnection; each connected pin holds a reference to its peer until it is
// disconnected.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <dshow.h>
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim {

class Filter;

class Pin : public IPin {
public:
    // `mediaTypes` are offered in this order by EnumMediaTypes and are the types the pin
    // accepts; a GUID_NULL subtype or format type accepts any.
    Pin(Filter& filter, PIN_DIRECTION direction, std::u16string name,
        std::vector<MediaType> mediaTypes = {});
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;
    virtual ~Pin();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                                const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** enumerator) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                         double rate) override;

    PIN_DIRECTION Direction() const { return direction_; }
    const std::u16string& Name() const { return name_; }
    Filter& Owner() const { return filter_; }
    bool IsConnected() const { return peer_ != nullptr; }
    const ComPtr<IPin>& Peer() const { return peer_; }
    // The connection's media type; empty while unconnected.
    const MediaType& ConnectionType() const { return connectionType_; }
    const std::vector<MediaType>& MediaTypes() const { return mediaTypes_; }
    void SetMediaTypes(std::vector<MediaType> mediaTypes);

protected:
    // Whether the pin accepts `mediaType` for a connection: S_OK or a failure code.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const;
    // Called when a connection is made; a failure undoes it.
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual void BreakConnect() {}
    // Further interfaces of the pin (see WithInterfaces).
    virtual HRESULT QueryOtherInterface(REFIID riid, void** object);

private:
    HRESULT CheckConnectable(IPin* other, PIN_DIRECTION wanted) const;
    HRESULT NegotiateWith(IPin* receivePin, const AM_MEDIA_TYPE* pattern);
    HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& mediaType);
    HRESULT DecideAllocator(IPin* receivePin);
    void Connected(IPin* peer, const AM_MEDIA_TYPE& mediaType);
    void ClearConnection();

    Filter& filter_;
    const PIN_DIRECTION direction_;
    const std::u16string name_;
    std::vector<MediaType> mediaTypes_;
    ComPtr<IPin> peer_;
    MediaType connectionType_;
    ComPtr<IMemAllocator> allocator_;  // agreed with the peer's IMemInputPin
};

class Filter : public ComObject<IBaseFilter, IAMFilterMiscFlags> {
public:
    // GetClassID answers `clsid`; GetMiscFlags answers `miscFlags`
    // (AM_FILTER_MISC_FLAGS_IS_RENDERER, AM_FILTER_MISC_FLAGS_IS_SOURCE).
    explicit Filter(const CLSID& clsid, ULONG miscFlags = 0);
    ~Filter() override;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** enumerator) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;
    ULONG STDMETHODCALLTYPE GetMiscFlags() override;

    Pin& AddInputPin(std::u16string name, std::vector<MediaType> mediaTypes = {});
    Pin& AddOutputPin(std::u16string name, std::vector<MediaType> mediaTypes = {});
    // Adds a pin of a derived class, made with this filter as its owner.
    template <typename P, typename... Args>
    P& AddPin(Args&&... args) {
        auto pin = std::make_unique<P>(*this, std::forward<Args>(args)...);
        P& added = *pin;
        AdoptPin(std::move(pin));
        return added;
    }
    void RemovePin(const Pin& pin);

    const std::vector<std::unique_ptr<Pin>>& Pins() const { return pins_; }
    FILTER_STATE State() const { return state_; }
    // The graph the filter belongs to (not referenced, as on the platform) and its name there.
    IFilterGraph* Graph() const { return graph_; }
    const std::u16string& Name() const { return name_; }

    // A live source cannot cue data while paused: GetState answers VFW_S_CANT_CUE then.
    void SetLive(bool live) { live_ = live; }
    // While set, state changes stay in transition (Pause and Run answer S_FALSE, GetState
    // VFW_S_STATE_INTERMEDIATE) until CompleteTransition().
    void SetTransitionsPending(bool pending) { transitionsPending_ = pending; }
    void CompleteTransition() { inTransition_ = false; }

    // Sends an event to the graph's IMediaEventSink; false when the filter is in no graph.
    bool NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);
    // Sends end-of-stream downstream from each connected output pin.
    void DeliverEndOfStream();

protected:
    // An input pin received end-of-stream. Renderers report EC_COMPLETE; other filters
    // pass it on downstream.
    virtual void OnEndOfStream(Pin& input);
    friend class Pin;

private:
    void AdoptPin(std::unique_ptr<Pin> pin);
    HRESULT ChangeState(FILTER_STATE target);

    const CLSID clsid_;
    const ULONG miscFlags_;
    std::vector<std::unique_ptr<Pin>> pins_;
    std::vector<std::unique_ptr<Pin>> removedPins_;
    unsigned pinsVersion_ = 0;
    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr;
    std::u16string name_;
    ComPtr<IReferenceClock> clock_;
    bool live_ = false;
    bool transitionsPending_ = false;
    bool inTransition_ = false;
};

// Copies `text` into a fixed platform buffer, truncated to leave room for the NUL.
void CopyToBuffer(std::u16string_view text, WCHAR* buffer, std::size_t capacity);
// A CoTaskMem-allocated copy of `text` with its NUL, or null when memory runs out.
LPWSTR CoTaskMemString(std::u16string_view text);

}  // namespace capspect::sim
