// Text from outside the program (file names, device paths, arguments, file contents) made
// safe to show inside a one-line message on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace capspect {

// How many bytes of a quoted argument a message shows before cutting it off.
inline constexpr std::size_t kMaxQuotedBytes = 200;

// `text` with everything that could break the line or the terminal written as an escape:
// line breaks and tabs as \n \r \t, other control characters and bytes that are not part
// of valid UTF-8 as \xNN. Valid UTF-8 text passes unchanged.
std::string PrintableText(std::string_view text);

// PrintableText of `text` in single quotes, cut off after kMaxQuotedBytes of the original
// (at a character boundary) and marked with "..." when longer.
std::string QuotedText(std::string_view text);

}  // namespace capspect
