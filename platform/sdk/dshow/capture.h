// Capture graph building: the capture graph builder, stream configuration, the crossbar,
// pin categories, the graph-building callback and site, property pages, and the class
// identifiers of the platform's standard filters.
#pragma once

#include "platform/sdk/dshow/categories.h"
#include "platform/sdk/dshow/filters.h"
#include "platform/sdk/mediatype.h"
#include "platform/sdk/unknown.h"

struct IMoniker;

// Pin categories, read from a pin's AMPROPSETID_Pin property set.
inline const GUID PIN_CATEGORY_CAPTURE{
    0xFB6C4281, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_PREVIEW{
    0xFB6C4282, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_ANALOGVIDEOIN{
    0xFB6C4283, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_VBI{
    0xFB6C4284, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_VIDEOPORT{
    0xFB6C4285, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_NABTS{
    0xFB6C4286, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_EDS{
    0xFB6C4287, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_TELETEXT{
    0xFB6C4288, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_CC{
    0xFB6C4289, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_STILL{
    0xFB6C428A, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_TIMECODE{
    0xFB6C428B, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID PIN_CATEGORY_VIDEOPORT_VBI{
    0xFB6C428C, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

// Search directions for ICaptureGraphBuilder2::FindInterface.
inline const GUID LOOK_UPSTREAM_ONLY{
    0xAC798BE0, 0x98E3, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline const GUID LOOK_DOWNSTREAM_ONLY{
    0xAC798BE1, 0x98E3, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};

// The property set that carries a pin's category (property AMPROPERTY_PIN_CATEGORY).
inline const GUID AMPROPSETID_Pin{
    0x9B00F101, 0x1567, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;
constexpr DWORD AMPROPERTY_PIN_MEDIUM = 1;
constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

// Standard media types of capture hardware.
inline const GUID MEDIATYPE_AnalogVideo{
    0x0482DDE1, 0x7817, 0x11CF, {0x8A, 0x03, 0x00, 0xAA, 0x00, 0x6E, 0xCB, 0x65}};
inline const GUID MEDIATYPE_AnalogAudio{
    0x0482DEE1, 0x7817, 0x11CF, {0x8A, 0x03, 0x00, 0xAA, 0x00, 0x6E, 0xCB, 0x65}};

struct IKsPropertySet : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Set(REFGUID propertySet, DWORD propertyId, void* instanceData,
                                          DWORD instanceSize, void* propertyData,
                                          DWORD dataSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE Get(REFGUID propertySet, DWORD propertyId, void* instanceData,
                                          DWORD instanceSize, void* propertyData, DWORD dataSize,
                                          DWORD* returned) = 0;
    virtual HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID propertySet, DWORD propertyId,
                                                     DWORD* typeSupport) = 0;

protected:
    ~IKsPropertySet() = default;
};
CAPSPECT_INTERFACE_ID(IKsPropertySet, IUnknown, 0x31EFAC30, 0x515C, 0x11D0, 0xA9, 0xAA, 0x00, 0xAA,
                      0x00, 0x61, 0xBE, 0x93);

struct IAMCopyCaptureFileProgress : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Progress(int percent) = 0;

protected:
    ~IAMCopyCaptureFileProgress() = default;
};
CAPSPECT_INTERFACE_ID(IAMCopyCaptureFileProgress, IUnknown, 0x670D1D20, 0xA068, 0x11D0, 0xB3, 0xF0,
                      0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5);

struct ICaptureGraphBuilder2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFiltergraph(IGraphBuilder** graph) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputFileName(const GUID* type, LPCOLESTR file,
                                                        IBaseFilter** multiplexer,
                                                        IFileSinkFilter** sink) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindInterface(const GUID* category, const GUID* type,
                                                    IBaseFilter* filter, REFIID riid,
                                                    void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type,
                                                   IUnknown* source, IBaseFilter* compressor,
                                                   IBaseFilter* renderer) = 0;
    virtual HRESULT STDMETHODCALLTYPE ControlStream(const GUID* category, const GUID* type,
                                                    IBaseFilter* filter, REFERENCE_TIME* start,
                                                    REFERENCE_TIME* stop, WORD startCookie,
                                                    WORD stopCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE AllocCapFile(LPCOLESTR file, DWORDLONG size) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile,
                                                      int allowEscAbort,
                                                      IAMCopyCaptureFileProgress* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPin(IUnknown* source, PIN_DIRECTION direction,
                                              const GUID* category, const GUID* type,
                                              BOOL unconnected, int index, IPin** pin) = 0;

protected:
    ~ICaptureGraphBuilder2() = default;
};
CAPSPECT_INTERFACE_ID(ICaptureGraphBuilder2, IUnknown, 0x93E5A4E0, 0x2D50, 0x11D2, 0xAB, 0xFA, 0x00,
                      0xA0, 0xC9, 0xC6, 0xE3, 0x8D);

// Output formats of a capture pin. GetFormat and GetStreamCaps hand out media types the
// caller frees with DeleteMediaType; pSCC receives a VIDEO_STREAM_CONFIG_CAPS (or audio
// caps) of the size GetNumberOfCapabilities reports.
struct IAMStreamConfig : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType,
                                                    BYTE* caps) = 0;

protected:
    ~IAMStreamConfig() = default;
};
CAPSPECT_INTERFACE_ID(IAMStreamConfig, IUnknown, 0xC6E13340, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0,
                      0xC9, 0x11, 0x89, 0x56);

// Physical connector kinds of crossbar pins.
enum PhysicalConnectorType : LONG {
    PhysConn_Video_Tuner = 1,
    PhysConn_Video_Composite = 2,
    PhysConn_Video_SVideo = 3,
    PhysConn_Video_RGB = 4,
    PhysConn_Video_YRYBY = 5,
    PhysConn_Video_SerialDigital = 6,
    PhysConn_Video_ParallelDigital = 7,
    PhysConn_Video_SCSI = 8,
    PhysConn_Video_AUX = 9,
    PhysConn_Video_1394 = 10,
    PhysConn_Video_USB = 11,
    PhysConn_Video_VideoDecoder = 12,
    PhysConn_Video_VideoEncoder = 13,
    PhysConn_Video_SCART = 14,
    PhysConn_Video_Black = 15,
    PhysConn_Audio_Tuner = 0x1000,
    PhysConn_Audio_Line = 0x1001,
    PhysConn_Audio_Mic = 0x1002,
    PhysConn_Audio_AESDigital = 0x1003,
    PhysConn_Audio_SPDIFDigital = 0x1004,
    PhysConn_Audio_SCSI = 0x1005,
    PhysConn_Audio_AUX = 0x1006,
    PhysConn_Audio_1394 = 0x1007,
    PhysConn_Audio_USB = 0x1008,
    PhysConn_Audio_AudioDecoder = 0x1009,
};

struct IAMCrossbar : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* outputPinCount, LONG* inputPinCount) = 0;
    // S_OK when the input can be routed to the output, S_FALSE otherwise.
    virtual HRESULT STDMETHODCALLTYPE CanRoute(LONG outputPinIndex, LONG inputPinIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE Route(LONG outputPinIndex, LONG inputPinIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsRoutedTo(LONG outputPinIndex, LONG* inputPinIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL isInputPin, LONG pinIndex,
                                                          LONG* pinIndexRelated,
                                                          LONG* physicalType) = 0;

protected:
    ~IAMCrossbar() = default;
};
CAPSPECT_INTERFACE_ID(IAMCrossbar, IUnknown, 0xC6E13380, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0,
                      0xC9, 0x11, 0x89, 0x56);

// Called by the graph manager while it builds a graph: SelectedFilter before it creates a
// candidate filter, CreatedFilter before it connects a created one. A failure code rejects
// the filter.
struct IAMGraphBuilderCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) = 0;

protected:
    ~IAMGraphBuilderCallback() = default;
};
CAPSPECT_INTERFACE_ID(IAMGraphBuilderCallback, IUnknown, 0x4995F511, 0x9DDB, 0x4F12, 0xBD, 0x3B,
                      0xF0, 0x46, 0x11, 0x80, 0x7B, 0x79);

struct IObjectWithSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** site) = 0;

protected:
    ~IObjectWithSite() = default;
};
CAPSPECT_INTERFACE_ID(IObjectWithSite, IUnknown, 0xFC4801A3, 0x2BA9, 0x11CF, 0xA2, 0x29, 0x00, 0xAA,
                      0x00, 0x3D, 0x73, 0x52);

// A counted array of GUIDs; pElems is CoTaskMem-allocated and freed by the caller.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};
CAPSPECT_INTERFACE_ID(ISpecifyPropertyPages, IUnknown, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00,
                      0xAA, 0x00, 0x34, 0x1D, 0x07);

// Class identifiers of the platform's capture helpers and standard filters.
inline const CLSID CLSID_CaptureGraphBuilder2{
    0xBF87B6E1, 0x8C27, 0x11D0, {0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline const CLSID CLSID_CaptureGraphBuilder{
    0xBF87B6E0, 0x8C27, 0x11D0, {0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline const CLSID CLSID_SystemDeviceEnum{
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline const CLSID CLSID_SmartTee{
    0xCC58E280, 0x8AA1, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline const CLSID CLSID_VideoRenderer{
    0x70E102B0, 0x5556, 0x11CE, {0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const CLSID CLSID_VideoRendererDefault{
    0x6BC1CFFA, 0x8FC1, 0x4261, {0xAC, 0x22, 0xCF, 0xB4, 0xCC, 0x38, 0xDB, 0x50}};
inline const CLSID CLSID_VideoMixingRenderer{
    0xB87BEB7B, 0x8D29, 0x423F, {0xAE, 0x4D, 0x65, 0x82, 0xC1, 0x01, 0x75, 0xAC}};
inline const CLSID CLSID_VideoMixingRenderer9{
    0x51B4ABF3, 0x748F, 0x4E3B, {0xA2, 0x76, 0xC8, 0x28, 0x33, 0x0E, 0x92, 0x6A}};
inline const CLSID CLSID_EnhancedVideoRenderer{
    0xFA10746C, 0x9B63, 0x4B6C, {0xBC, 0x49, 0xFC, 0x30, 0x0E, 0xA5, 0xF2, 0x56}};
inline const CLSID CLSID_OverlayMixer{
    0xCD8743A1, 0x3736, 0x11D0, {0x9E, 0x69, 0x00, 0xC0, 0x4F, 0xD7, 0xC1, 0x5B}};
inline const CLSID CLSID_AsyncReader{
    0xE436EBB5, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const CLSID CLSID_URLReader{
    0xE436EBB6, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const CLSID CLSID_AviSplitter{
    0x1B544C20, 0xFD0B, 0x11CE, {0x8C, 0x63, 0x00, 0xAA, 0x00, 0x44, 0xB5, 0x1E}};
inline const CLSID CLSID_MPEG1Splitter{
    0x336475D0, 0x942A, 0x11CE, {0xA8, 0x70, 0x00, 0xAA, 0x00, 0x2F, 0xEA, 0xB5}};
inline const CLSID CLSID_MPEG2Demultiplexer{
    0xAFB6C280, 0x2C41, 0x11D3, {0x8A, 0x60, 0x00, 0x00, 0xF8, 0x1E, 0x0E, 0x4A}};
inline const CLSID CLSID_WAVEParser{
    0xD51BD5A1, 0x7548, 0x11CF, {0xA5, 0x20, 0x00, 0x80, 0xC7, 0x7E, 0xF5, 0x8A}};
inline const CLSID CLSID_CMpegVideoCodec{
    0xFEB50740, 0x7BEF, 0x11CE, {0x9B, 0xD9, 0x00, 0x00, 0xE2, 0x02, 0x59, 0x9C}};
inline const CLSID CLSID_CMpegAudioCodec{
    0x4A2286E0, 0x7BEF, 0x11CE, {0x9B, 0xD9, 0x00, 0x00, 0xE2, 0x02, 0x59, 0x9C}};
inline const CLSID CLSID_DVVideoCodec{
    0xB1B77C00, 0xC3E4, 0x11CF, {0xAF, 0x79, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};
inline const CLSID CLSID_AVIDec{
    0xCF49D4E0, 0x1115, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const CLSID CLSID_Colour{
    0x1643E180, 0x90F5, 0x11CE, {0x97, 0xD5, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const CLSID CLSID_ACMWrapper{
    0x6A08CF80, 0x0E18, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};
inline const CLSID CLSID_DSoundRender{
    0x79376820, 0x07D0, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};
inline const CLSID CLSID_AudioRender{
    0xE30629D1, 0x27E5, 0x11CE, {0x87, 0x5D, 0x00, 0x60, 0x8C, 0xB7, 0x80, 0x66}};
inline const CLSID CLSID_NullRenderer{
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
inline const CLSID CLSID_SampleGrabber{
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
inline const CLSID CLSID_AviDest{
    0xE2510970, 0xF137, 0x11CE, {0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}};
inline const CLSID CLSID_FileWriter{
    0x8596E5F0, 0x0DA5, 0x11D0, {0xBD, 0x21, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
