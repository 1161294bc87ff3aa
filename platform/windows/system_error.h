// The system's message for a Win32 error code, as UTF-8 text.
#pragma once

#include <string>

#include <windows.h>

namespace capspect {

std::string SystemErrorText(DWORD error);

}  // namespace capspect
