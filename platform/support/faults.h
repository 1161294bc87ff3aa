// Fault injection for the simulated platform: a test arms a named platform call to fail
// with a chosen HRESULT, so that every failure path of the components can be reached.
//
// Simulated calls ask `InjectedFault("IGraphBuilder::AddFilter")` (the interface and method
// name, or a name the backend documents) before doing their work and return the armed code
// when there is one.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

namespace capspect {

class FaultInjector {
public:
    // The current platform context\'s (platform/support/platform_context.h).
    static FaultInjector& Instance();

    // After `skip` successful calls, the call `name` fails with `hr` for `times` calls
    // (negative: for every call until disarmed).
    void Arm(std::string name, HRESULT hr, int skip = 0, int times = -1);
    void Disarm(std::string_view name);

    // Called by the simulated platform call `name`; answers the code to fail with.
    std::optional<HRESULT> Check(std::string_view name);

private:
    struct Fault {
        HRESULT hr;
        int skip;
        int times;
    };

    std::mutex mutex_;
    std::map<std::string, Fault, std::less<>> faults_;
};

inline std::optional<HRESULT> InjectedFault(std::string_view name) {
    return FaultInjector::Instance().Check(name);
}

// Arms a fault for the lifetime of the object.
class ScopedFault {
public:
    ScopedFault(std::string name, HRESULT hr, int skip = 0, int times = -1);
    ~ScopedFault();
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;

private:
    std::string name_;
};

}  // namespace capspect
