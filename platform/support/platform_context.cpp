#include "platform/support/platform_context.h"

#include <cstdio>
#include <cstdlib>

namespace capspect {
namespace {

std::atomic<PlatformContext*> current_context{nullptr};

[[noreturn]] void Fail(const char* message) {
    std::fputs(message, stderr);
    std::abort();
}

}  // namespace

PlatformContext::PlatformContext() {
    PlatformContext* none = nullptr;
    if (!current_context.compare_exchange_strong(none, this)) {
        Fail("capspect: a second platform context was made while one runs\n");
    }
}

PlatformContext::~PlatformContext() {
    // A part may reach other parts as it goes, even make one again; each such part is
    // destroyed in its turn. A part's slot is cleared before the part goes, so that nobody
    // reaches a part that is half destroyed.
    for (;;) {
        std::unique_ptr<AnyPart> last;
        {
            const std::lock_guard lock(mutex_);
            if (made_.empty()) {
                break;
            }
            parts_[made_.back().first].store(nullptr, std::memory_order_release);
            last = std::move(made_.back().second);
            made_.pop_back();
        }
        last.reset();
    }
    current_context.store(nullptr);
}

std::size_t PlatformContext::PartCount() {
    PlatformContext& context = Current();
    const std::lock_guard lock(context.mutex_);
    return context.made_.size();
}

std::size_t PlatformContext::NewSlot() {
    static std::atomic<std::size_t> next{0};
    const std::size_t slot = next++;
    if (slot >= kMaxParts) {
        Fail("capspect: more platform parts than a context has room for\n");
    }
    return slot;
}

PlatformContext& PlatformContext::Current() {
    PlatformContext* const context = CurrentOrNull();
    if (context == nullptr) {
        Fail("capspect: a platform service was used outside a platform context\n");
    }
    return *context;
}

bool PlatformContext::Running() {
    return CurrentOrNull() != nullptr;
}

PlatformContext* PlatformContext::CurrentOrNull() {
    return current_context.load(std::memory_order_acquire);
}

void* PlatformContext::Make(std::size_t slot, PartMaker make) {
    const std::lock_guard lock(mutex_);
    if (void* const part = parts_[slot].load(std::memory_order_relaxed)) {
        return part;  // made by another thread meanwhile
    }
    std::unique_ptr<AnyPart> made = make();
    void* const part = made->Get();
    made_.emplace_back(slot, std::move(made));
    parts_[slot].store(part, std::memory_order_release);
    return part;
}

}  // namespace capspect
