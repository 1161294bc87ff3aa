#include "util/ErrorTexts.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include <dshow.h>

#include "platform/support/wide_string.h"
#include "util/MediaErrorTable.h"

namespace capspect {

std::u16string MediaErrorText(HRESULT code) {
    const auto text = FindErrorText(MediaErrorTable(), static_cast<std::uint32_t>(code));
    return text ? std::u16string(*text) : std::u16string();
}

std::u16string GetDSErrorText(HRESULT code) {
    constexpr DWORD kCapacity = 255;
    std::array<WCHAR, kCapacity + 1> buffer{};  // one spare NUL bounds the text in any case
    const DWORD count = AMGetErrorTextW(code, buffer.data(), kCapacity);
    if (count == 0) {
        return {};
    }
    const std::u16string_view text = Utf16Text(buffer.data());
    // Implementations differ on whether the count includes the terminating NUL (ours
    // does, Wine's does not): the text ends at the first NUL and never beyond the count.
    return std::u16string(text.substr(0, std::min<std::size_t>(count, text.size())));
}

}  // namespace capspect
