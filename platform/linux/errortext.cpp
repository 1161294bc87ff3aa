#include "platform/sdk/errortext.h"

#include <algorithm>
#include <cstdint>

#include "platform/support/error_table.h"

DWORD AMGetErrorTextW(HRESULT hr, WCHAR* buffer, DWORD maxLen) {
    if (buffer == nullptr || maxLen == 0) {
        return 0;
    }
    const auto text =
        capspect::FindErrorText(capspect::PlatformErrorTable(), static_cast<std::uint32_t>(hr));
    if (!text) {
        return 0;
    }
    const std::size_t length = std::min<std::size_t>(text->size(), maxLen - 1);
    const auto end = std::copy_n(text->begin(), length, buffer);
    *end = u'\0';
    return static_cast<DWORD>(length + 1);
}
