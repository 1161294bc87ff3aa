#include "platform/windows/system_error.h"

#include <array>
#include <string_view>

#include "platform/support/unicode.h"
#include "platform/support/wide_string.h"

namespace capspect {

std::string SystemErrorText(DWORD error) {
    std::array<WCHAR, 512> buffer{};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    std::u16string_view text = Utf16Text(buffer.data(), length);
    // The system's messages end in a line break.
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return "error " + std::to_string(error);
    }
    return Utf16ToUtf8(text);
}

}  // namespace capspect
