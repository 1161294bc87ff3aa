// Text conversions at the edges of media identification: file names arrive as UTF-16,
// codes read from files are bytes of the Windows-1252 code page, and results are UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace capspect {

// Each byte as a Windows-1252 character (the five unassigned bytes as the C1 control
// characters of the same value), written as UTF-8.
std::string Windows1252ToUtf8(std::span<const std::uint8_t> bytes);
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; each byte that does not start a well-formed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace capspect
