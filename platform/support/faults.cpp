#include "platform/support/faults.h"
#include "platform/support/platform_context.h"

namespace capspect {

FaultInjector& FaultInjector::Instance() {
    return PlatformContext::Part<FaultInjector>();
}

void FaultInjector::Arm(std::string name, HRESULT hr, int skip, int times) {
    const std::lock_guard lock(mutex_);
    faults_.insert_or_assign(std::move(name), Fault{hr, skip, times});
}

void FaultInjector::Disarm(std::string_view name) {
    const std::lock_guard lock(mutex_);
    if (const auto found = faults_.find(name); found != faults_.end()) {
        faults_.erase(found);
    }
}

std::optional<HRESULT> FaultInjector::Check(std::string_view name) {
    const std::lock_guard lock(mutex_);
    const auto found = faults_.find(name);
    if (found == faults_.end()) {
        return std::nullopt;
    }
    Fault& fault = found->second;
    if (fault.skip > 0) {
        --fault.skip;
        return std::nullopt;
    }
    const HRESULT hr = fault.hr;
    if (fault.times > 0 && --fault.times == 0) {
        faults_.erase(found);
    }
    return hr;
}

ScopedFault::ScopedFault(std::string name, HRESULT hr, int skip, int times) : name_(name) {
    FaultInjector::Instance().Arm(std::move(name), hr, skip, times);
}

ScopedFault::~ScopedFault() {
    FaultInjector::Instance().Disarm(name_);
}

}  // namespace capspect
