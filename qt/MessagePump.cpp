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
struct QtMessagePump::WakeTarget {
    std::mutex mutex;
    QtMessagePump* pump = nullptr;
};

QtMessagePump::QtMessagePump(QObject* parent)
    : QObject(parent), wakeTarget_(std::make_shared<WakeTarget>()) {
    wakeTarget_->pump = this;
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &QtMessagePump::Pump);
    SetWakeHandler([target = wakeTarget_] {
        const std::lock_guard lock(target->mutex);
        if (target->pump != nullptr) {
            target->pump->SchedulePump();
        }
    });
    SchedulePump();
}

QtMessagePump::~QtMessagePump() {
    SetWakeHandler({});
    const std::lock_guard lock(wakeTarget_->mutex);
    wakeTarget_->pump = nullptr;
}

void QtMessagePump::SchedulePump() {
    // Thread-safe: a queued call is an event posted to the pump's thread.
    QMetaObject::invokeMethod(this, &QtMessagePump::Pump, Qt::QueuedConnection);
}

void QtMessagePump::Pump() {
    try {
        ProcessPostedMessages();
    } catch (...) {
        // The turn stopped at the failing message; the rest is still queued and no wake-up
        // will come for it, so another turn is due.
        SchedulePump();
        if (exceptionHandler_) {
            exceptionHandler_(std::current_exception());
        } else {
            qWarning("capspect: a window message handler failed");
        }
    }
    ArmTimer();
}

void QtMessagePump::ArmTimer() {
    const std::optional<std::chrono::milliseconds> due = TimeUntilNextTimer();
    if (!due) {
        timer_.stop();
        return;
    }
    const auto interval = std::min<std::chrono::milliseconds::rep>(due->count(), INT_MAX);
    timer_.start(static_cast<int>(interval));
}

}  // namespace capspect
