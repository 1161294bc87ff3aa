#include "app/verify_interrupt.h"

#include <atomic>

namespace capspect {
namespace {

// A signal handler can reach nothing but static storage; a lock-free atomic is safe to
// set from it.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void NoteInterrupt(int) {
    interrupted.store(true);
}

}  // namespace

InterruptWatch::InterruptWatch() {
    interrupted.store(false);
    previous_ = std::signal(SIGINT, NoteInterrupt);
}

InterruptWatch::~InterruptWatch() {
    std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
}

bool InterruptWatch::Interrupted() const {
    return interrupted.load();
}

}  // namespace capspect
