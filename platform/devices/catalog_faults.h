// Answers of the faults a device catalog injects into simulated platform calls.
#pragma once

#include <optional>

#include "platform/devices/catalog.h"
#include "platform/support/faults.h"

namespace capspect::sim {

// The code a call for `index` fails with under `fault`, if it fails.
inline std::optional<HRESULT> FaultFor(const OptionalFault& fault, int index = 0) {
    if (fault && fault->AppliesTo(index)) {
        return fault->hr;
    }
    return std::nullopt;
}

// The code a call fails with: the process-wide fault armed under `name` first, then the
// catalog's fault for `index`.
inline std::optional<HRESULT> CallFails(std::string_view name, const OptionalFault& fault,
                                        int index = 0) {
    if (const auto armed = InjectedFault(name)) {
        return armed;
    }
    return FaultFor(fault, index);
}

}  // namespace capspect::sim
