// The platform's millisecond clock (timeGetTime, Sleep) and the clock behind it.
//
// Everything in the program that measures time goes through the active clock: the fades of
// the video component poll timeGetTime and Sleep between steps, and window timers compare
// their due times with it. Normally that is the steady clock of the machine. A test installs
// a TestClock instead, whose time stands still until the test advances it and on which Sleep
// returns at once after advancing the time by the requested amount, so that fades and timers
// run through their whole course in a test without waiting and with exact, repeatable times.
#pragma once

#include <atomic>
#include <chrono>

#include "platform/sdk/wintypes.h"

// Milliseconds since an arbitrary start (the machine's start on the steady clock). Wraps
// around at 2^32 like the platform's counter, so callers subtract with unsigned arithmetic.
DWORD timeGetTime();

// Blocks the calling thread for `ms` milliseconds of the active clock.
void Sleep(DWORD ms);
