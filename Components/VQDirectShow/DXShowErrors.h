// The components' exception and the text of their error reports.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

#include "framework/Exceptions.h"

namespace capspect {

// The exception the graph components raise themselves: a message and the code behind it.
class EDShowError : public Exception {
public:
    EDShowError(HRESULT hr, std::u16string message);

    HRESULT HResult() const noexcept { return FHResult; }

private:
    HRESULT FHResult;
};

// The code as upper-case hexadecimal without leading zeros, negative codes as their 32-bit
// pattern: 0x80004005 gives "80004005", 0 gives "0".
std::u16string HResultHex(HRESULT hr);

// The text of a formatted error report: "<message> Reason: <platform text> ($<code>)." when
// `message` is not empty, else "<platform text> ($<code>).". The platform text is taken
// literally, percent signs included.
std::u16string FormatErrorReport(HRESULT hr, std::u16string_view message);

}  // namespace capspect
