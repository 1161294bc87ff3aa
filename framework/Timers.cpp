#include "framework/Timers.h"

#include <utility>

#include "framework/Exceptions.h"

namespace capspect {

TTimer::TTimer()
    : FWindow([this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
          if (message == WM_TIMER && wParam == kTimerId) {
              Timer();
              return 0;
          }
          return DefWindowProcW(FWindow.Handle(), message, wParam, lParam);
      }) {}

TTimer::~TTimer() {
    FEnabled = false;
    UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
    if (Value != FEnabled) {
        FEnabled = Value;
        UpdateTimer();
    }
}

void TTimer::SetInterval(UINT Value) {
    if (Value != FInterval) {
        FInterval = Value;
        UpdateTimer();
    }
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TTimer::Timer() {
    FireEvent(FOnTimer, *this);
}

void TTimer::UpdateTimer() {
    KillTimer(FWindow.Handle(), kTimerId);
    if (FEnabled && FInterval != 0 && FOnTimer &&
        SetTimer(FWindow.Handle(), kTimerId, FInterval, nullptr) == 0) {
        throw EOutOfResources(u"Not enough timers available");
    }
}

}  // namespace capspect
