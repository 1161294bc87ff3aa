// Conversions between the platform's UTF-16 strings and UTF-8, the encoding of file names
// on Linux and of element names inside libgsf.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace capspect {

// nullopt when the text holds an unpaired surrogate or a NUL.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// nullopt when the text is not well-formed UTF-8 or holds a NUL.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

}  // namespace capspect
