// Monikers and the system device enumerator's interface: a device category lists its
// devices as monikers; a moniker opens the device's property bag or creates its filter.
#pragma once

#include "platform/sdk/dshow/persist.h"
#include "platform/sdk/oleauto.h"
#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"

// Bind contexts are accepted and ignored by this platform's monikers.
struct IBindCtx;
CAPSPECT_INTERFACE_ID(IBindCtx, IUnknown, 0x0000000E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x46);

struct FILETIME;
struct IEnumMoniker;

// The platform's IMoniker derives IPersistStream; the persistence methods are left out
// here because nothing in this system saves monikers, so the interface derives IUnknown.
struct IMoniker : IPersistStream {
    virtual HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* bindContext, IMoniker* left,
                                                   REFIID riid, void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* bindContext, IMoniker* left,
                                                    REFIID riid, void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reduce(IBindCtx* bindContext, DWORD howFar, IMoniker** left,
                                             IMoniker** reduced) = 0;
    virtual HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric,
                                                  IMoniker** composite) = 0;
    virtual HRESULT STDMETHODCALLTYPE Enum(BOOL forward, IEnumMoniker** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) = 0;
    virtual HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx* bindContext, IMoniker* left,
                                                IMoniker* newlyRunning) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx* bindContext, IMoniker* left,
                                                          FILETIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker* other, IMoniker** prefix) = 0;
    virtual HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker* other, IMoniker** relativePath) = 0;
    // The name is allocated with CoTaskMemAlloc; the caller frees it.
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* bindContext, IMoniker* left,
                                                     LPOLESTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx* bindContext, IMoniker* left,
                                                       LPOLESTR name, ULONG* eaten,
                                                       IMoniker** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) = 0;

protected:
    ~IMoniker() = default;
};
CAPSPECT_INTERFACE_ID(IMoniker, IPersistStream, 0x0000000F, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x46);

constexpr DWORD MKSYS_NONE = 0;

struct IEnumMoniker : IUnknown {
    // Answers S_OK when `count` monikers were returned, S_FALSE when fewer were left.
    // `fetched` may be null only when `count` is 1.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** enumerator) = 0;

protected:
    ~IEnumMoniker() = default;
};
CAPSPECT_INTERFACE_ID(IEnumMoniker, IUnknown, 0x00000102, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x46);

// Flags of CreateClassEnumerator.
constexpr DWORD CDEF_CLASS_DEFAULT = 0x0001;
constexpr DWORD CDEF_BYPASS_CLASS_MANAGER = 0x0002;
constexpr DWORD CDEF_MERIT_ABOVE_DO_NOT_USE = 0x0008;
constexpr DWORD CDEF_DEVMON_CMGR_DEVICE = 0x0010;
constexpr DWORD CDEF_DEVMON_DMO = 0x0020;
constexpr DWORD CDEF_DEVMON_PNP_DEVICE = 0x0040;
constexpr DWORD CDEF_DEVMON_FILTER = 0x0080;

struct ICreateDevEnum : IUnknown {
    // Answers S_FALSE and no enumerator when the category has no devices.
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category,
                                                            IEnumMoniker** enumerator,
                                                            DWORD flags) = 0;

protected:
    ~ICreateDevEnum() = default;
};
CAPSPECT_INTERFACE_ID(ICreateDevEnum, IUnknown, 0x29840822, 0x5B84, 0x11D0, 0xBD, 0x3B, 0x00, 0xA0,
                      0xC9, 0x11, 0xCE, 0x86);
