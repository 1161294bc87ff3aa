// Readable texts for result codes, for error reports.
#pragma once

#include <string>

#include <windows.h>

namespace capspect {

// The Windows Media status or error text of `code` (facility 13), matched on all 32 bits
// and returned as it stands (insertion markers such as "%1" are not expanded). Empty when
// the table has no such code; the platform's texts are never consulted.
std::u16string MediaErrorText(HRESULT code);

// The platform's DirectShow error text of `code` (AMGetErrorTextW); empty when the
// platform knows none.
std::u16string GetDSErrorText(HRESULT code);

}  // namespace capspect
