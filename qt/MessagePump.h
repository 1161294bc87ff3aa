// Pumps the platform message queue of the GUI thread from Qt's event loop, so that one
// loop serves both: posted window messages (graph notifications, from any thread) and
// window timers (the position timer) reach the components while Qt runs the window.
#pragma once

#include <QObject>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>

namespace capspect {

class QtMessagePump : public QObject {
    Q_OBJECT

public:
    // Receives an exception that a window procedure let out while the pump ran it.
    using ExceptionHandler = std::function<void(std::exception_ptr)>;

    // Takes over the wake-up of the calling thread's queue; create it on the GUI thread,
    // which must run a Qt event loop. Messages already queued are handled on the first
    // loop turn.
    explicit QtMessagePump(QObject* parent = nullptr);
    // Gives the wake-up back; messages posted afterwards wait for another pump.
    ~QtMessagePump() override;

    // Without a handler an escaped exception is written to Qt's warning log.
    void SetExceptionHandler(ExceptionHandler handler) { exceptionHandler_ = std::move(handler); }

private:
    struct WakeTarget;

    void SchedulePump();
    void Pump();
    void ArmTimer();

    std::shared_ptr<WakeTarget> wakeTarget_;
    QTimer timer_;
    ExceptionHandler exceptionHandler_;
};

}  // namespace capspect
