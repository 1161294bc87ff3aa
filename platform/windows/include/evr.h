// The SDK's evr.h, with what mingw-w64 10 lacks of it (platform/windows/mingw_gaps.h).
#pragma once
// A system header, as the one it wraps: #include_next is a GCC extension.
#pragma GCC system_header

#include_next <evr.h>

#include "platform/windows/mingw_gaps.h"
