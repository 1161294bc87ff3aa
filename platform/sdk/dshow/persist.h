// Persistence and structured-storage interfaces: objects that save themselves into byte
// streams (IPersistStream) and the streams and storages they save into.
#pragma once

#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"

// 64-bit integers as the storage calls pass them; the platform's unions are reduced to
// their QuadPart member.
struct LARGE_INTEGER {
    LONGLONG QuadPart = 0;
};
struct ULARGE_INTEGER {
    ULONGLONG QuadPart = 0;
};

// Seek origins (STREAM_SEEK).
enum STREAM_SEEK : DWORD {
    STREAM_SEEK_SET = 0,
    STREAM_SEEK_CUR = 1,
    STREAM_SEEK_END = 2,
};

// Element types in STATSTG::type (STGTY).
enum STGTY : DWORD {
    STGTY_STORAGE = 1,
    STGTY_STREAM = 2,
    STGTY_LOCKBYTES = 3,
    STGTY_PROPERTY = 4,
};

// Flags of Stat: whether the name is left out (STATFLAG).
enum STATFLAG : DWORD {
    STATFLAG_DEFAULT = 0,
    STATFLAG_NONAME = 1,
    STATFLAG_NOOPEN = 2,
};

// Commit flags (STGC).
enum STGC : DWORD {
    STGC_DEFAULT = 0,
    STGC_OVERWRITE = 1,
    STGC_ONLYIFCURRENT = 2,
    STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE = 4,
    STGC_CONSOLIDATE = 8,
};

// Storage access modes (STGM).
constexpr DWORD STGM_DIRECT = 0x00000000;
constexpr DWORD STGM_TRANSACTED = 0x00010000;
constexpr DWORD STGM_SIMPLE = 0x08000000;
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x00000030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr DWORD STGM_PRIORITY = 0x00040000;
constexpr DWORD STGM_DELETEONRELEASE = 0x04000000;
constexpr DWORD STGM_NOSCRATCH = 0x00100000;
constexpr DWORD STGM_CREATE = 0x00001000;
constexpr DWORD STGM_CONVERT = 0x00020000;
constexpr DWORD STGM_FAILIFTHERE = 0x00000000;
constexpr DWORD STGM_NOSNAPSHOT = 0x00200000;
constexpr DWORD STGM_DIRECT_SWMR = 0x00400000;

// Lock types (LOCKTYPE).
enum LOCKTYPE : DWORD {
    LOCK_WRITE = 1,
    LOCK_EXCLUSIVE = 2,
    LOCK_ONLYONCE = 4,
};

// What Stat reports about a stream or storage. pwcsName is CoTaskMem-allocated; the caller
// frees it.
struct STATSTG {
    LPOLESTR pwcsName = nullptr;
    DWORD type = 0;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode = 0;
    DWORD grfLocksSupported = 0;
    CLSID clsid;
    DWORD grfStateBits = 0;
    DWORD reserved = 0;
};

// A list of element names to leave out when copying a storage.
using SNB = LPOLESTR*;

struct IPersist : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) = 0;

protected:
    ~IPersist() = default;
};
CAPSPECT_INTERFACE_ID(IPersist, IUnknown, 0x0000010C, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x46);

struct ISequentialStream : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) = 0;

protected:
    ~ISequentialStream() = default;
};
CAPSPECT_INTERFACE_ID(ISequentialStream, IUnknown, 0x0C733A30, 0x2A1C, 0x11CE, 0xAD, 0xE5, 0x00,
                      0xAA, 0x00, 0x44, 0x77, 0x3D);

struct IStream : ISequentialStream {
    virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                           ULARGE_INTEGER* newPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count,
                                             ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                                 DWORD lockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                                   DWORD lockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* statistics, DWORD statFlag) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IStream** stream) = 0;

protected:
    ~IStream() = default;
};
CAPSPECT_INTERFACE_ID(IStream, ISequentialStream, 0x0000000C, 0x0000, 0x0000, 0xC0, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x46);

struct IPersistStream : IPersist {
    // S_OK when the object changed since it was last saved, S_FALSE otherwise.
    virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(IStream* stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) = 0;

protected:
    ~IPersistStream() = default;
};
CAPSPECT_INTERFACE_ID(IPersistStream, IPersist, 0x00000109, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x46);

struct IEnumSTATSTG : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, STATSTG* elements, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** enumerator) = 0;

protected:
    ~IEnumSTATSTG() = default;
};
CAPSPECT_INTERFACE_ID(IEnumSTATSTG, IUnknown, 0x0000000D, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x46);

struct IStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1,
                                                   DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenStream(LPCOLESTR name, void* reserved1, DWORD mode,
                                                 DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1,
                                                    DWORD reserved2, IStorage** storage) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode,
                                                  SNB exclude, DWORD reserved,
                                                  IStorage** storage) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(DWORD excludeCount, const IID* excludeIids,
                                             SNB excludeNames, IStorage* target) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveElementTo(LPCOLESTR name, IStorage* target,
                                                    LPCOLESTR newName, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumElements(DWORD reserved1, void* reserved2,
                                                   DWORD reserved3, IEnumSTATSTG** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE DestroyElement(LPCOLESTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenameElement(LPCOLESTR oldName, LPCOLESTR newName) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetElementTimes(LPCOLESTR name, const FILETIME* created,
                                                      const FILETIME* accessed,
                                                      const FILETIME* modified) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStateBits(DWORD stateBits, DWORD mask) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* statistics, DWORD statFlag) = 0;

protected:
    ~IStorage() = default;
};
CAPSPECT_INTERFACE_ID(IStorage, IUnknown, 0x0000000B, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x46);
