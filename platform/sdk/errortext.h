// The platform's DirectShow error-text service.
#pragma once

#include "platform/sdk/hresult.h"
#include "platform/sdk/wintypes.h"

// Writes the platform's text for `hr` into `buffer` (capacity `maxLen` characters,
// terminating NUL included) and answers the number of characters written plus one for the
// NUL, so that a caller taking the first (answer - 1) characters gets exactly the text.
// A text longer than the buffer is cut to maxLen - 1 characters (answer: maxLen).
// Answers 0 and leaves the buffer untouched when the code has no text, `buffer` is null
// or `maxLen` is 0.
DWORD AMGetErrorTextW(HRESULT hr, WCHAR* buffer, DWORD maxLen);
