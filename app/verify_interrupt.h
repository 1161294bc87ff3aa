// Ctrl-C during a verify run: while an InterruptWatch lives, SIGINT only sets a flag that
// the run asks between frames, so the run ends cleanly (results printed, device restored)
// instead of the process dying with the device in the middle of a trial.
#pragma once

#include <csignal>

namespace capspect {

class InterruptWatch {
public:
    InterruptWatch();
    // Puts back the handler that was there before.
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool Interrupted() const;

private:
    using Handler = void (*)(int);
    Handler previous_;
};

}  // namespace capspect
