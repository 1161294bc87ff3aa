// An IStream over bytes in memory: the stream behind CreateStreamOnHGlobal and behind each
// open stream of a compound file.
#pragma once

#include <string>

#include "platform/linux/compound_file.h"
#include "platform/sdk/dshow/persist.h"
#include "platform/support/comobject.h"

namespace capspect {

class MemoryStream final : public ComObject<IStream> {
public:
    // `mode` is the STGM access the stream was opened with; Stat reports it and a stream
    // without write access refuses Write and SetSize. `name` is empty for a stream that
    // belongs to no storage.
    MemoryStream(StreamBytes bytes, DWORD mode, std::u16string name);

    HRESULT Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT SetSize(ULARGE_INTEGER newSize) override;
    HRESULT CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                   ULARGE_INTEGER* written) override;
    HRESULT Commit(DWORD commitFlags) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
    HRESULT Stat(STATSTG* statistics, DWORD statFlag) override;
    HRESULT Clone(IStream** stream) override;

private:
    bool CanWrite() const;
    // Grows the bytes to at least `size`, filling with zeros; false when memory runs out.
    bool EnsureSize(ULONGLONG size);

    StreamBytes bytes_;
    DWORD mode_;
    std::u16string name_;
    ULONGLONG position_ = 0;
};

// Fills a STATSTG for a stream or storage; the name is copied into task memory unless the
// flag leaves it out.
HRESULT FillStatistics(STATSTG* statistics, DWORD statFlag, const std::u16string& name, DWORD type,
                       ULONGLONG size, DWORD mode, const CLSID& clsid);

}  // namespace capspect
