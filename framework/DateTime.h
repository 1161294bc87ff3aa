// The framework's date-time type: days as a double (one second is 1/86400).
#pragma once

namespace capspect {

using TDateTime = double;

inline constexpr double kSecondsPerDay = 86400.0;

}  // namespace capspect
