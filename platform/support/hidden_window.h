// Hidden message windows: a window that only receives messages, with its procedure as a
// function object. On Windows a message-only window (HWND_MESSAGE) of a class of ours; on
// Linux a window of the platform layer's message queue.
#pragma once

#include <exception>
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

// The first exception a hidden window's procedure raised on the calling thread since the
// last call, or null. On Windows the system dispatches the messages, and no exception may
// pass through its frames: the window answers 0, keeps the exception here, and the
// message loop takes it after DispatchMessageW. On Linux exceptions pass through the
// platform layer's dispatching to whoever pumps, so this is always null.
std::exception_ptr TakeWindowProcedureFailure();

}  // namespace capspect
