// UTF-16 text from the components, written as UTF-8 to the terminal.
#pragma once

#include <string>
#include <string_view>

namespace capspect {

// Converts UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace capspect
