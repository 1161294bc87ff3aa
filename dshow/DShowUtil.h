// Pin and filter utilities over a DirectShow filter graph: pin look-up and matching,
// connecting filters, removing filters left unconnected, creating a filter by class ID,
// recognising source filters, the picture aspect ratio, fitting a rectangle to an aspect
// ratio, a filter class's friendly name, DIB image sizes and file extensions.
//
// None of the functions keeps state. Each takes and releases its own references; an
// out-parameter is set to null first and receives a referenced interface only on success.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include <windows.h>

#include <dshow.h>
#include <dvdmedia.h>

#include "platform/support/comptr.h"

// A predicate over pins. It has no interface identifier of its own: it is handed around
// only as itself, never looked up by QueryInterface, which answers IUnknown alone.
struct IPinPred : IUnknown {
    // Sets *pResult to whether `pPin` is accepted; a failure ends the search that asked.
    virtual HRESULT FN(IPin* pPin, bool* pResult) = 0;

protected:
    ~IPinPred() = default;
};

namespace capspect {

// Accepts pins whose connection state equals the one given at creation. Its lifetime
// follows its reference count: create it, hand it on as IPinPred, and it goes with the
// last reference.
class TMatchPinConnection final : public IPinPred {
public:
    // A matcher with bShouldBeConnected true accepts connected pins, with false
    // unconnected ones.
    static ComPtr<IPinPred> Create(bool bShouldBeConnected);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // Raises EAssertionFailed for a null pResult.
    HRESULT FN(IPin* pPin, bool* pResult) override;

private:
    explicit TMatchPinConnection(bool bShouldBeConnected);
    ~TMatchPinConnection() = default;

    const bool m_bShouldBeConnected;
    std::atomic<ULONG> FRefCount{1};
};

// The placement FitAspectRect answers: a position and a size, as SetWindowPosition takes
// them (not a right and bottom edge).
struct TWindowPosition {
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    friend bool operator==(const TWindowPosition&, const TWindowPosition&) = default;
};

// S_OK with *pResult set to whether the pin has a peer; E_POINTER for a null argument;
// another failure of IPin::ConnectedTo is returned with *pResult unchanged.
HRESULT IsPinConnected(IPin* pPin, bool* pResult);

// S_OK with *pResult set to whether the pin's direction is `direction`; E_POINTER for a
// null argument; a failure of IPin::QueryDirection is returned with *pResult unchanged.
HRESULT IsPinDirection(IPin* pPin, PIN_DIRECTION direction, bool* pResult);

// The filter's first pin that `pPred` accepts, with S_OK; VFW_E_NOT_FOUND when none is
// accepted or the predicate fails; E_POINTER for a null argument; a failure to enumerate
// the pins is returned.
HRESULT FindMatchingPin(IBaseFilter* pFilter, IPinPred* pPred, IPin** ppPin);

// Disconnects the pin and its peer in the graph. S_OK for an unconnected pin; the result
// of disconnecting the pin itself otherwise.
HRESULT DisconnectPin(IFilterGraph* pGraph, IPin* pPin);

// Disconnects every pin of the filter, then removes it from the graph. Stops at the first
// failure and returns it.
HRESULT RemoveFilterFromGraph(IFilterGraph* pGraph, IBaseFilter* pFilter);

// Removes every filter without a connected pin. Returns the last removal's result, or the
// enumeration's when nothing was removed; stops at the first removal that fails.
HRESULT RemoveUnconnectedFilters(IFilterGraph* pGraph);

// Whether the filter is a source: by IAMFilterMiscFlags when offered, else by offering
// IFileSourceFilter. *pIsSource is false unless the deciding query succeeded; the result
// is that query's.
HRESULT IsSourceFilter(IBaseFilter* pFilter, bool* pIsSource);

// The graph's first source filter; false with *ppFilter null when there is none.
bool FindSourceFilter(IFilterGraph* pGraph, IBaseFilter** ppFilter);

// Y / X of the picture aspect ratio of the first pin connected with a VIDEOINFOHEADER2
// format whose X is not 0; 0 when no pin has one.
float GetPictureAspectRatio(IBaseFilter* pFilter);

// The largest rectangle of aspect x : y centred in `rect`. A rectangle without area or an
// aspect ratio with a part below 1 cannot be fitted: the answer is `rect` itself.
TWindowPosition FitAspectRect(int x, int y, const RECT& rect);

// The index-th pin (0 = the first) of `direction`; E_FAIL when there are not that many;
// E_POINTER for a null argument.
HRESULT GetPin(IBaseFilter* pFilter, PIN_DIRECTION direction, int index, IPin** ppPin);

// The first unconnected pin of `direction`; E_FAIL when there is none.
HRESULT GetUnconnectedPin(IBaseFilter* pFilter, PIN_DIRECTION direction, IPin** ppPin);

// Connects `pOutputPin` to the first unconnected input pin of `pDestination`, with
// intelligent connect.
HRESULT ConnectPinToFilter(IGraphBuilder* pGraph, IPin* pOutputPin, IBaseFilter* pDestination);

// Connects the first unconnected output pin of `pSource` to the first unconnected input
// pin of `pDestination`, with intelligent connect. E_FAIL when either has no free pin.
HRESULT ConnectFilters(IGraphBuilder* pGraph, IBaseFilter* pSource, IBaseFilter* pDestination);

// Creates the filter class `clsid` and adds it to the graph under `name`. On success
// *ppFilter (when not null) receives the filter and the result is AddFilter's.
HRESULT AddFilterByCLSID(IFilterGraph* pGraph, REFCLSID clsid, LPCWSTR name,
                         IBaseFilter** ppFilter);

// The friendly name under which the filter class is registered in one of the filter
// categories, searched in a fixed order; empty when it is registered in none.
std::u16string GetFilterFriendlyName(REFCLSID clsid);

// The byte size of the uncompressed picture: rows padded to 32 bits, times |biHeight|.
int GetDIBImageSize(const BITMAPINFOHEADER& header);

// The file name's extension with its dot; empty when the last path component has none.
std::u16string GetFileExt(std::u16string_view fileName);

}  // namespace capspect
