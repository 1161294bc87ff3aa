#include "platform/linux/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "platform/support/faults.h"
#include "platform/linux/storage.h"
#include "platform/sdk/com.h"
#include "platform/sdk/storage.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

namespace capspect {
namespace {

// Sizes are kept within what a vector can hold and a signed 64-bit offset can reach.
constexpr ULONGLONG kMaxStreamSize = std::numeric_limits<LONGLONG>::max();

}  // namespace

MemoryStream::MemoryStream(StreamBytes bytes, DWORD mode, std::u16string name)
    : bytes_(std::move(bytes)), mode_(mode), name_(std::move(name)) {}

bool MemoryStream::CanWrite() const {
    return (mode_ & (STGM_WRITE | STGM_READWRITE)) != 0;
}

bool MemoryStream::EnsureSize(ULONGLONG size) {
    if (size <= bytes_->size()) {
        return true;
    }
    if (size > kMaxStreamSize || size > bytes_->max_size()) {
        return false;
    }
    try {
        bytes_->resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

HRESULT MemoryStream::Read(void* buffer, ULONG count, ULONG* read) {
    if (const auto fault = InjectedFault("IStream::Read")) {
        return *fault;
    }
    if (read != nullptr) {
        *read = 0;
    }
    if (buffer == nullptr && count > 0) {
        return STG_E_INVALIDPOINTER;
    }
    const ULONGLONG size = bytes_->size();
    const ULONGLONG available = position_ < size ? size - position_ : 0;
    const auto copied = static_cast<ULONG>(std::min<ULONGLONG>(count, available));
    if (copied > 0) {
        std::memcpy(buffer, bytes_->data() + position_, copied);
    }
    position_ += copied;
    if (read != nullptr) {
        *read = copied;
    }
    return S_OK;
}

HRESULT MemoryStream::Write(const void* buffer, ULONG count, ULONG* written) {
    if (const auto fault = InjectedFault("IStream::Write")) {
        return *fault;
    }
    if (written != nullptr) {
        *written = 0;
    }
    if (buffer == nullptr && count > 0) {
        return STG_E_INVALIDPOINTER;
    }
    if (!CanWrite()) {
        return STG_E_ACCESSDENIED;
    }
    if (count == 0) {
        return S_OK;
    }
    if (position_ > kMaxStreamSize - count || !EnsureSize(position_ + count)) {
        return STG_E_MEDIUMFULL;
    }
    std::memcpy(bytes_->data() + position_, buffer, count);
    position_ += count;
    if (written != nullptr) {
        *written = count;
    }
    return S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    if (const auto fault = InjectedFault("IStream::Seek")) {
        return *fault;
    }
    LONGLONG base = 0;
    switch (origin) {
        case STREAM_SEEK_SET:
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<LONGLONG>(position_);
            break;
        case STREAM_SEEK_END:
            base = static_cast<LONGLONG>(bytes_->size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) {
        return STG_E_INVALIDFUNCTION;
    }
    // Positions beyond the end are allowed; a later Write fills the gap with zeros.
    position_ = static_cast<ULONGLONG>(target);
    if (newPosition != nullptr) {
        newPosition->QuadPart = position_;
    }
    return S_OK;
}

HRESULT MemoryStream::SetSize(ULARGE_INTEGER newSize) {
    if (const auto fault = InjectedFault("IStream::SetSize")) {
        return *fault;
    }
    if (!CanWrite()) {
        return STG_E_ACCESSDENIED;
    }
    if (newSize.QuadPart < bytes_->size()) {
        bytes_->resize(static_cast<std::size_t>(newSize.QuadPart));
        return S_OK;
    }
    return EnsureSize(newSize.QuadPart) ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT MemoryStream::CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                             ULARGE_INTEGER* written) {
    if (read != nullptr) {
        read->QuadPart = 0;
    }
    if (written != nullptr) {
        written->QuadPart = 0;
    }
    if (target == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    const ULONGLONG size = bytes_->size();
    ULONGLONG remaining =
        std::min<ULONGLONG>(count.QuadPart, position_ < size ? size - position_ : 0);
    // Copy through a buffer so that copying a stream into its own clone stays well-defined.
    std::vector<BYTE> chunk;
    while (remaining > 0) {
        const auto length = static_cast<ULONG>(std::min<ULONGLONG>(remaining, 64 * 1024));
        chunk.assign(bytes_->begin() + static_cast<std::ptrdiff_t>(position_),
                     bytes_->begin() + static_cast<std::ptrdiff_t>(position_ + length));
        position_ += length;
        remaining -= length;
        if (read != nullptr) {
            read->QuadPart += length;
        }
        ULONG chunkWritten = 0;
        const HRESULT hr = target->Write(chunk.data(), length, &chunkWritten);
        if (written != nullptr) {
            written->QuadPart += chunkWritten;
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT MemoryStream::Commit(DWORD /*commitFlags*/) {
    if (const auto fault = InjectedFault("IStream::Commit")) {
        return *fault;
    }
    // Writes reach the bytes at once; the storage that owns them writes the file.
    return S_OK;
}

HRESULT MemoryStream::Revert() {
    return S_OK;
}

HRESULT MemoryStream::LockRegion(ULARGE_INTEGER /*offset*/, ULARGE_INTEGER /*count*/,
                                 DWORD /*lockType*/) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT MemoryStream::UnlockRegion(ULARGE_INTEGER /*offset*/, ULARGE_INTEGER /*count*/,
                                   DWORD /*lockType*/) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT MemoryStream::Stat(STATSTG* statistics, DWORD statFlag) {
    if (const auto fault = InjectedFault("IStream::Stat")) {
        return *fault;
    }
    return FillStatistics(statistics, statFlag, name_, STGTY_STREAM, bytes_->size(), mode_,
                          GUID_NULL);
}

HRESULT MemoryStream::Clone(IStream** stream) {
    if (stream == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    auto clone = MakeComObject<MemoryStream>(bytes_, mode_, name_);
    clone->position_ = position_;
    *stream = clone.Detach();
    return S_OK;
}

HRESULT FillStatistics(STATSTG* statistics, DWORD statFlag, const std::u16string& name, DWORD type,
                       ULONGLONG size, DWORD mode, const CLSID& clsid) {
    if (statistics == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    if (statFlag != STATFLAG_DEFAULT && statFlag != STATFLAG_NONAME) {
        return STG_E_INVALIDFLAG;
    }
    *statistics = STATSTG{};
    if (statFlag == STATFLAG_DEFAULT && !name.empty()) {
        const std::size_t bytes = (name.size() + 1) * sizeof(OLECHAR);
        auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (copy == nullptr) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        std::memcpy(copy, name.c_str(), bytes);
        statistics->pwcsName = copy;
    }
    statistics->type = type;
    statistics->cbSize.QuadPart = size;
    statistics->grfMode = mode;
    statistics->clsid = clsid;
    return S_OK;
}

ComPtr<IStream> CreateMemoryStream() {
    return MakeComObject<MemoryStream>(std::make_shared<std::vector<BYTE>>(),
                                       STGM_READWRITE | STGM_SHARE_EXCLUSIVE, std::u16string());
}

}  // namespace capspect

HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL /*deleteOnRelease*/, IStream** stream) {
    if (const auto fault = capspect::InjectedFault("CreateStreamOnHGlobal")) {
        return *fault;
    }
    if (stream == nullptr) {
        return E_INVALIDARG;
    }
    *stream = nullptr;
    // Global memory blocks do not exist here; only a fresh block owned by the stream does.
    if (global != nullptr) {
        return E_INVALIDARG;
    }
    *stream = capspect::CreateMemoryStream().Detach();
    return S_OK;
}
