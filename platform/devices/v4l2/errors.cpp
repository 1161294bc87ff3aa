#include "platform/devices/v4l2/errors.h"

namespace capspect::v4l2 {

HRESULT HResultFromErrno(int error) {
    if (error == 0) {
        return S_OK;
    }
    // A negative or oversized value is not an errno; it still must never read as success.
    if (error < 0 || error > 0xFFFF) {
        return E_FAIL;
    }
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(error));
}

std::optional<int> ErrnoFromHResult(HRESULT hr) {
    const auto bits = static_cast<std::uint32_t>(hr);
    if ((bits & 0xFFFF0000u) != 0x80070000u || (bits & 0xFFFFu) == 0) {
        return std::nullopt;
    }
    return static_cast<int>(bits & 0xFFFFu);
}

}  // namespace capspect::v4l2
