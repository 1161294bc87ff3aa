// The platform's state for one run: the tables behind the platform calls (the COM
// classes, the registry, the filter mapper, the windows, the GDI objects, the device set,
// armed faults, ...). A backend's start makes a context and its end destroys it, so that
// whatever was registered or made for the run goes with it; a test makes its own and so
// starts from a clean platform.
//
// The platform's calls keep the platform's signatures, which have no room for a context,
// so they reach the current one through Part<T>(). Each part is made the first time it is
// asked for, so a run pays only for the services it uses, and the parts go in the reverse
// order of their making. One context runs at a time.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace capspect {

class PlatformContext {
public:
    // Becomes the current context; a second one while one runs is a programming error.
    PlatformContext();
    ~PlatformContext();
    PlatformContext(const PlatformContext&) = delete;
    PlatformContext& operator=(const PlatformContext&) = delete;

    // The current context's part of type T, made on first use. Using the platform with no
    // context is a programming error: the process ends with a message.
    template <typename T>
    static T& Part();

    // The part if there is a current context and it has made one; for work that may run
    // after its context has ended, such as a thread's clean-up at exit.
    template <typename T>
    static T* ExistingPart();

    // Whether a context runs (for a backend started inside a test's context).
    static bool Running();

    // How many parts the current context has made: what the work so far needed of the
    // platform.
    static std::size_t PartCount();

private:
    struct AnyPart {
        virtual ~AnyPart() = default;
        virtual void* Get() = 0;
    };
    template <typename T>
    struct PartOf final : AnyPart {
        T value;
        void* Get() override { return &value; }
    };
    using PartMaker = std::unique_ptr<AnyPart> (*)();

    static constexpr std::size_t kMaxParts = 32;

    static std::size_t NewSlot();
    template <typename T>
    static std::size_t SlotOf() {
        static const std::size_t slot = NewSlot();
        return slot;
    }
    static PlatformContext& Current();
    static PlatformContext* CurrentOrNull();
    void* Make(std::size_t slot, PartMaker make);

    std::array<std::atomic<void*>, kMaxParts> parts_{};
    // Recursive: making a part may ask for another.
    mutable std::recursive_mutex mutex_;
    std::vector<std::pair<std::size_t, std::unique_ptr<AnyPart>>> made_;
};

template <typename T>
T& PlatformContext::Part() {
    PlatformContext& context = Current();
    const std::size_t slot = SlotOf<T>();
    if (void* const part = context.parts_[slot].load(std::memory_order_acquire)) {
        return *static_cast<T*>(part);
    }
    return *static_cast<T*>(context.Make(
        slot, []() -> std::unique_ptr<AnyPart> { return std::make_unique<PartOf<T>>(); }));
}

template <typename T>
T* PlatformContext::ExistingPart() {
    PlatformContext* const context = CurrentOrNull();
    if (context == nullptr) {
        return nullptr;
    }
    return static_cast<T*>(context->parts_[SlotOf<T>()].load(std::memory_order_acquire));
}

}  // namespace capspect
