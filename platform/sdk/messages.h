// Window messages: hidden message windows, the per-thread message queue, posting and
// sending, the message loop calls and window timers, with the platform's names.
//
// A window belongs to the thread that created it, and that thread's queue receives every
// message posted to it. Any thread may post; only the owning thread handles, when it pumps
// (GetMessageW/DispatchMessageW, or capspect::ProcessPostedMessages). Timers of a window
// tick on its owning thread while that thread pumps, measured on the active clock
// (platform/clock.h), so a test drives them with a TestClock instead of waiting.
#pragma once

#include "platform/sdk/wintypes.h"

// An opaque window handle, as on the platform. Handles are never reused, so a handle kept
// after its window is destroyed simply names no window.
struct HWND__;
using HWND = HWND__*;

// Window styles.
constexpr LONG WS_CHILD = 0x40000000;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// Virtual key codes.
constexpr WORD VK_DELETE = 0x2E;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = WM_NULL;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt;
};

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Answers every message with 0: a hidden message window has no default behaviour.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Queues the message for the window's owning thread. FALSE for a handle that names no
// window and when the owning queue is full (10000 messages, as on the platform).
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Calls the window procedure at once and answers its result. Only the owning thread may
// send; a send from another thread, or to no window, delivers nothing and answers 0.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

BOOL IsWindow(HWND hwnd);

// Destroys a window of the calling thread: its timers stop and messages still queued for it
// are dropped. FALSE for no window or a window of another thread.
BOOL DestroyWindow(HWND hwnd);

// The message loop of the calling thread. A null `hwnd` filter takes messages of every
// window of the thread; a 0..0 range takes every message number. Posted messages come
// first, then WM_QUIT once PostQuitMessage was called, then WM_TIMER of due timers.
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for a message; FALSE for WM_QUIT, -1 when `hwnd` is not a window of this thread.
// The wait for the next timer is a real one even under a TestClock, whose time does not
// move by itself; tests pump with capspect::ProcessPostedMessages instead.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
// Calls the procedure of the message's window (or the timer's TIMERPROC) on the owning
// thread. A message for a window destroyed meanwhile is dropped and answers 0.
LRESULT DispatchMessageW(const MSG* msg);
void PostQuitMessage(int exitCode);

// Sends WM_TIMER (wParam = id) to a window of the calling thread every `elapse` ms while
// the thread pumps; setting an existing id again restarts it. Like the platform, a timer
// that fell behind ticks once, not once per missed interval, and the interval is clamped
// to USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM. Answers non-zero on success (the id, or 1 for
// id 0; the timer keeps the id given), 0 when the window is not one of this thread's.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
