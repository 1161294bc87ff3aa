// `capspect errtext CODE…`: both error texts of each result code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include "app/output_stream.h"

#include "app/command_line.h"

namespace capspect {

// Reads a result code written as 0x hex, $ hex or decimal. Negative decimal numbers stand
// for their 32-bit two's-complement pattern. Nothing for malformed text or a value that
// does not fit in 32 bits.
std::optional<std::uint32_t> ParseResultCode(std::string_view text);

// Writes one line per code: 8 upper-case hex digits, TAB, the Windows Media text, TAB, the
// DirectShow text. Checks every code before writing anything.
ExitStatus RunErrtextCommand(std::span<const std::string> args, OutputStream& out,
                             OutputStream& err);

}  // namespace capspect
