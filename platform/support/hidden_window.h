// Hidden message windows: a window that only receives messages, with its procedure as a
// function object. On Windows a message-only window (HWND_MESSAGE) of a class of ours; on
// Linux a window of the platform layer's message queue.
#pragma once

#include <functional>

#include <windows.h>

namespace capspect {

// The window procedure of a hidden message window: the framework's style, without the
// handle, which the owner of the window already knows.
using WindowProcedure = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

// Creates a hidden message window owned by the calling thread.
HWND AllocateHWnd(WindowProcedure procedure);
// Destroys a window made by AllocateHWnd; a null or unknown handle is ignored.
void DeallocateHWnd(HWND hwnd);

}  // namespace capspect
