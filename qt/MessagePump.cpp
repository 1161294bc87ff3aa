#include "qt/MessagePump.h"

#include <QMetaObject>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>

#include "platform/linux/messages.h"
#include "platform/sdk/messages.h"

namespace capspect {

// The wake-up handler runs on whichever thread posts, possibly while the pump is being
// destroyed on the GUI thread; the pointer is cleared under the lock before the pump goes.
// A queued call that is already on its way is dropped by Qt with the object.
struct TQtMessagePump::WakeTarget {
    std::mutex mutex;
    TQtMessagePump* pump = nullptr;
};

TQtMessagePump::TQtMessagePump(QObject* parent)
    : QObject(parent), FWakeTarget(std::make_shared<WakeTarget>()) {
    FWakeTarget->pump = this;
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TQtMessagePump::Pump);
    SetWakeHandler([target = FWakeTarget] {
        const std::lock_guard lock(target->mutex);
        if (target->pump != nullptr) {
            target->pump->SchedulePump();
        }
    });
    SchedulePump();
}

TQtMessagePump::~TQtMessagePump() {
    SetWakeHandler({});
    const std::lock_guard lock(FWakeTarget->mutex);
    FWakeTarget->pump = nullptr;
}

void TQtMessagePump::SchedulePump() {
    // Thread-safe: a queued call is an event posted to the pump's thread.
    QMetaObject::invokeMethod(this, &TQtMessagePump::Pump, Qt::QueuedConnection);
}

void TQtMessagePump::Pump() {
    try {
        ProcessPostedMessages();
    } catch (...) {
        // The turn stopped at the failing message; the rest is still queued and no wake-up
        // will come for it, so another turn is due.
        SchedulePump();
        if (FExceptionHandler) {
            FExceptionHandler(std::current_exception());
        } else {
            qWarning("capspect: a window message handler failed");
        }
    }
    ArmTimer();
}

void TQtMessagePump::ArmTimer() {
    const std::optional<std::chrono::milliseconds> due = TimeUntilNextTimer();
    if (!due) {
        FTimer.stop();
        return;
    }
    const auto interval = std::min<std::chrono::milliseconds::rep>(due->count(), INT_MAX);
    FTimer.start(static_cast<int>(interval));
}

}  // namespace capspect
