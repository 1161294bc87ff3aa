#include "Components/VQDirectShow/DXShowErrors.h"

#include <cstdint>
#include <utility>

#include "util/ErrorTexts.h"

namespace capspect {

EDShowError::EDShowError(HRESULT hr, std::u16string message)
    : Exception(std::move(message)), FHResult(hr) {}

std::u16string HResultHex(HRESULT hr) {
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    auto bits = static_cast<std::uint32_t>(hr);
    std::u16string text;
    do {
        text.insert(text.begin(), kDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    return text;
}

std::u16string FormatErrorReport(HRESULT hr, std::u16string_view message) {
    const std::u16string suffix = u" ($" + HResultHex(hr) + u").";
    if (message.empty()) {
        return GetDSErrorText(hr) + suffix;
    }
    return std::u16string(message) + u" Reason: " + GetDSErrorText(hr) + suffix;
}

}  // namespace capspect
