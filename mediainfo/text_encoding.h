// Codes read from media files are bytes of the system code page, Windows-1252 here; the
// identification results carry them as UTF-8.
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

}  // namespace capspect
