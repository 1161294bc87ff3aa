// The DirectShow filter model: pins, filters, their enumerators and the filter graph
// interfaces, with the platform's names, signatures and interface identifiers.
#pragma once

#include "platform/sdk/dshow/persist.h"
#include "platform/sdk/mediatype.h"
#include "platform/sdk/unknown.h"

struct IBaseFilter;
struct IBindCtx;
struct IFilterGraph;
struct IMoniker;
struct IPin;

enum PIN_DIRECTION : int {
    PINDIR_INPUT = 0,
    PINDIR_OUTPUT = 1,
};

enum FILTER_STATE : int {
    State_Stopped = 0,
    State_Paused = 1,
    State_Running = 2,
};

constexpr int MAX_PIN_NAME = 128;
constexpr int MAX_FILTER_NAME = 128;

// pFilter holds a reference the caller releases.
struct PIN_INFO {
    IBaseFilter* pFilter;
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

// pGraph holds a reference the caller releases (when not null).
struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph;
};

using HEVENT = DWORD_PTR;
using HSEMAPHORE = DWORD_PTR;

struct IReferenceClock : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                                                 HEVENT event, DWORD_PTR* adviseCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME startTime,
                                                     REFERENCE_TIME periodTime,
                                                     HSEMAPHORE semaphore,
                                                     DWORD_PTR* adviseCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR adviseCookie) = 0;

protected:
    ~IReferenceClock() = default;
};
CAPSPECT_INTERFACE_ID(IReferenceClock, IUnknown, 0x56A86897, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

// Enumerated media types are CoTaskMem-allocated, format blocks included; the caller frees
// them with DeleteMediaType.
struct IEnumMediaTypes : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** mediaTypes,
                                           ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** enumerator) = 0;

protected:
    ~IEnumMediaTypes() = default;
};
CAPSPECT_INTERFACE_ID(IEnumMediaTypes, IUnknown, 0x89C31040, 0x846B, 0x11CE, 0x97, 0xD3, 0x00, 0xAA,
                      0x00, 0x55, 0x59, 0x5A);

struct IPin : IUnknown {
    // Output pins: connect to `receivePin`, with `mediaType` (may be partial or null).
    virtual HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) = 0;
    // Input pins: accept a connection an output pin offers.
    virtual HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                                        const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndOfStream() = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginFlush() = 0;
    virtual HRESULT STDMETHODCALLTYPE EndFlush() = 0;
    virtual HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                                 double rate) = 0;

protected:
    ~IPin() = default;
};
CAPSPECT_INTERFACE_ID(IPin, IUnknown, 0x56A86891, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF,
                      0x0B, 0xA7, 0x70);

struct IEnumPins : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumPins** enumerator) = 0;

protected:
    ~IEnumPins() = default;
};
CAPSPECT_INTERFACE_ID(IEnumPins, IUnknown, 0x56A86892, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF,
                      0x0B, 0xA7, 0x70);

struct IMediaFilter : IPersist {
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) = 0;

protected:
    ~IMediaFilter() = default;
};
CAPSPECT_INTERFACE_ID(IMediaFilter, IPersist, 0x56A86899, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IBaseFilter : IMediaFilter {
    virtual HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) = 0;
    virtual HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) = 0;

protected:
    ~IBaseFilter() = default;
};
CAPSPECT_INTERFACE_ID(IBaseFilter, IMediaFilter, 0x56A86895, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IEnumFilters : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumFilters** enumerator) = 0;

protected:
    ~IEnumFilters() = default;
};
CAPSPECT_INTERFACE_ID(IEnumFilters, IUnknown, 0x56A86893, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IFilterGraph : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* outputPin, IPin* inputPin,
                                                    const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() = 0;

protected:
    ~IFilterGraph() = default;
};
CAPSPECT_INTERFACE_ID(IFilterGraph, IUnknown, 0x56A8689F, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IGraphBuilder : IFilterGraph {
    virtual HRESULT STDMETHODCALLTYPE Connect(IPin* outputPin, IPin* inputPin) = 0;
    virtual HRESULT STDMETHODCALLTYPE Render(IPin* outputPin) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName,
                                                      IBaseFilter** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE ShouldOperationContinue() = 0;

protected:
    ~IGraphBuilder() = default;
};
CAPSPECT_INTERFACE_ID(IGraphBuilder, IFilterGraph, 0x56A868A9, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00,
                      0x20, 0xAF, 0x0B, 0xA7, 0x70);

// RenderEx flag: render only to renderers already in the graph.
constexpr DWORD AM_RENDEREX_RENDERTOEXISTINGRENDERERS = 0x01;

struct IFilterGraph2 : IGraphBuilder {
    virtual HRESULT STDMETHODCALLTYPE AddSourceFilterForMoniker(IMoniker* moniker,
                                                                IBindCtx* context,
                                                                LPCWSTR filterName,
                                                                IBaseFilter** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderEx(IPin* outputPin, DWORD flags, DWORD* context) = 0;

protected:
    ~IFilterGraph2() = default;
};
CAPSPECT_INTERFACE_ID(IFilterGraph2, IGraphBuilder, 0x36B73882, 0xC2C8, 0x11CF, 0x8B, 0x46, 0x00,
                      0x80, 0x5F, 0x6C, 0xEF, 0x60);

// Filter kinds reported by IAMFilterMiscFlags::GetMiscFlags.
enum AM_FILTER_MISC_FLAGS : ULONG {
    AM_FILTER_MISC_FLAGS_IS_RENDERER = 0x1,
    AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2,
};

struct IAMFilterMiscFlags : IUnknown {
    virtual ULONG STDMETHODCALLTYPE GetMiscFlags() = 0;

protected:
    ~IAMFilterMiscFlags() = default;
};
CAPSPECT_INTERFACE_ID(IAMFilterMiscFlags, IUnknown, 0x2DD74950, 0xA890, 0x11D1, 0xAB, 0xE8, 0x00,
                      0xA0, 0xC9, 0x05, 0xF3, 0x75);

// Source filters that read a file. The returned file name is CoTaskMem-allocated.
struct IFileSourceFilter : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) = 0;

protected:
    ~IFileSourceFilter() = default;
};
CAPSPECT_INTERFACE_ID(IFileSourceFilter, IUnknown, 0x56A868A6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00,
                      0x20, 0xAF, 0x0B, 0xA7, 0x70);

// Filters that write a file (capture file writers, multiplexers' sinks).
struct IFileSinkFilter : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR fileName,
                                                  const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) = 0;

protected:
    ~IFileSinkFilter() = default;
};
CAPSPECT_INTERFACE_ID(IFileSinkFilter, IUnknown, 0xA2104830, 0x7C70, 0x11CF, 0x8B, 0xCE, 0x00, 0xAA,
                      0x00, 0xA3, 0xF1, 0xA6);

// Filters report graph events through the graph manager's IMediaEventSink.
struct IMediaEventSink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IMediaEventSink() = default;
};
CAPSPECT_INTERFACE_ID(IMediaEventSink, IUnknown, 0x56A868A2, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

// Merit of a registered filter: intelligent connect tries filters above
// MERIT_DO_NOT_USE, highest merit first.
enum : DWORD {
    MERIT_PREFERRED = 0x800000,
    MERIT_NORMAL = 0x600000,
    MERIT_UNLIKELY = 0x400000,
    MERIT_DO_NOT_USE = 0x200000,
    MERIT_SW_COMPRESSOR = 0x100000,
    MERIT_HW_COMPRESSOR = 0x100050,
};

// Filter graph manager and its standard helpers.
inline const CLSID CLSID_FilterGraph{
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const CLSID CLSID_FilterGraphNoThread{
    0xE436EBB8, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const CLSID CLSID_FilterMapper2{
    0xCDA42200, 0xBD88, 0x11D0, {0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

// Sample buffers: an output pin agrees with the input pin it connects to on the allocator
// whose samples it delivers (IMemInputPin), and on their number and size.
struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

struct IMediaSample;

struct IMemAllocator : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                                    ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
    virtual HRESULT STDMETHODCALLTYPE Decommit() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** buffer, REFERENCE_TIME* startTime,
                                                REFERENCE_TIME* endTime, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* buffer) = 0;

protected:
    ~IMemAllocator() = default;
};
CAPSPECT_INTERFACE_ID(IMemAllocator, IUnknown, 0x56A8689C, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IMemInputPin : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, LONG count,
                                                      LONG* processed) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReceiveCanBlock() = 0;

protected:
    ~IMemInputPin() = default;
};
CAPSPECT_INTERFACE_ID(IMemInputPin, IUnknown, 0x56A8689D, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

inline const CLSID CLSID_MemoryAllocator{
    0x1E651CC0, 0xB199, 0x11D0, {0x82, 0x12, 0x00, 0xC0, 0x4F, 0xC3, 0x2C, 0x45}};
