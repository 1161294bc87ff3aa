// The results of `capspect verify`: one line per format and a summary line, or one JSON
// document (docs/verify.md).
#pragma once

#include <array>
#include <string>

#include "Components/VQDirectShow/DXShowDevices.h"
#include "app/verify_run.h"

namespace capspect {

// How many formats had each outcome, in VerifyOutcome order.
std::array<int, kVerifyOutcomeCount> CountOutcomes(const VerifyRun& run);

// True when every planned format was tried and is ok, and the device was restored.
bool AllFormatsOk(const VerifyRun& run);

// Per format: the media-type line, TAB, the outcome, TAB, the frames, TAB, measured and
// advertised rate, TAB, the time to the first frame, and where there is one TAB and the
// detail (the delivered frame, the refusal or failure). Then the summary line. Each line
// ends in LF.
std::string FormatVerifyText(const VerifyRun& run);

// The same as one JSON document.
std::string FormatVerifyJson(const TDXShowDevice& device, const VerifySettings& settings,
                             const VerifyRun& run);

}  // namespace capspect
