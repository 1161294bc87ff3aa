// Verifies every output format of a rendered capture device in report order: one
// streaming trial each, judged, then the device put back as it was found.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Components/VQDirectShow/DXShowStreamConfig.h"
#include "app/verify_verdict.h"
#include "platform/devices/format_trial.h"

namespace capspect {

struct VerifySettings {
    int frames = 5;
    REFERENCE_TIME timeout = 50'000'000;  // 5 s
    // The formats to try, as indices into the report's list; none: every format.
    std::optional<std::vector<int>> only;
};

struct VerifyProgress {
    int position = 0;  // 1 for the first format tried
    int count = 0;     // the formats to try
    std::string mediaType;
};

struct VerifyRun {
    // Per format tried, in report order; the format a stop interrupted is not among them.
    std::vector<FormatVerdict> verdicts;
    std::vector<int> indices;  // each verdict's index in the report's list
    int planned = 0;           // the formats that were to be tried
    bool complete = true;      // false: stopped on request before the end
    // Putting the device back failed.
    std::optional<FailedCall> restoreFailure;
};

// Tries the formats of `formats` (the list the report prints) on `trials`, the device's
// side of the same stream configuration. `progress` hears of each format before it is
// tried; `stopRequested` is asked between frames and formats. The device is restored at
// the end whatever happened, an exception included.
VerifyRun VerifyFormats(const TDXShowStreamConfig& formats, FormatTrials& trials,
                        const VerifySettings& settings, const std::function<bool()>& stopRequested,
                        const std::function<void(const VerifyProgress&)>& progress = {});

}  // namespace capspect
