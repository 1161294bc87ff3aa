// TTimer: a component that fires OnTimer every Interval milliseconds while enabled, on
// the thread that created it, through the platform's window timers.
#pragma once

#include <windows.h>

#include "framework/Components.h"
#include "framework/Events.h"
#include "framework/HiddenWindow.h"

namespace capspect {

class TTimer : public TComponent {
public:
    TTimer();
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds; 0 stops the timer.
    UINT Interval() const { return FInterval; }
    void SetInterval(UINT Value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // The platform timer runs only while OnTimer is assigned.
    void SetOnTimer(TNotifyEvent Value);

protected:
    // Fires OnTimer.
    virtual void Timer();

private:
    static constexpr UINT_PTR kTimerId = 1;

    // Starts, restarts or stops the platform timer to match the properties.
    void UpdateTimer();

    UINT FInterval = 1000;
    bool FEnabled = true;
    TNotifyEvent FOnTimer;
    THiddenWindow FWindow;
};

}  // namespace capspect
