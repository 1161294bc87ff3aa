// V4L2 failures as HRESULTs. An errno travels in the low word of a failure code of the
// platform's Win32 facility (7), as HRESULT_FROM_WIN32 builds it, so the components'
// error path reports it like any other platform failure and the errno can be read back.
#pragma once

#include <optional>

#include "platform/sdk/hresult.h"

namespace capspect::v4l2 {

// S_OK for 0; otherwise 0x8007xxxx with the errno as xxxx (errno values are far below
// 0x10000 on Linux).
HRESULT HResultFromErrno(int error);

// The errno inside a code HResultFromErrno made; nothing for other codes. Note that some
// platform codes share the layout (E_ACCESSDENIED is 0x80070005, which reads back as EIO):
// the code does not say which side made it, only the errno it carries.
std::optional<int> ErrnoFromHResult(HRESULT hr);

}  // namespace capspect::v4l2
