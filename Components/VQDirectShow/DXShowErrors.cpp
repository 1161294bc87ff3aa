#include "Components/VQDirectShow/DXShowErrors.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/support/hex_text.h"
#include "util/ErrorTexts.h"

namespace capspect {

EDShowError::EDShowError(HRESULT hr, std::u16string message)
    : Exception(std::move(message)), FHResult(hr) {}

std::u16string HResultHex(HRESULT hr) {
    const std::string digits = HexDigits(static_cast<std::uint32_t>(hr));
    const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    return std::u16string(digits.begin() + static_cast<std::ptrdiff_t>(first), digits.end());
}

std::u16string FormatErrorReport(HRESULT hr, std::u16string_view message) {
    const std::u16string suffix = u" ($" + HResultHex(hr) + u").";
    if (message.empty()) {
        return GetDSErrorText(hr) + suffix;
    }
    return std::u16string(message) + u" Reason: " + GetDSErrorText(hr) + suffix;
}

}  // namespace capspect
