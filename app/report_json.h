// The format report as JSON, for people who script the tool: the device, then per output
// format the capability record, the media type and the names the text report shows.
// docs/report-json.md describes every field.
#pragma once

#include <nlohmann/json.hpp>

#include "Components/VQDirectShow/DXShowDevices.h"
#include "Components/VQDirectShow/DXShowStreamConfig.h"

namespace capspect {

// One output format: {"index", "caps", "mediaType", "fps", "text"}.
nlohmann::ordered_json FormatAsJson(const TDXShowStreamConfigItem& format, int index);

// {"device": {"description", "devicePath"}, "formats": [...]}.
nlohmann::ordered_json FormatReportAsJson(const TDXShowDevice& device,
                                          const TDXShowStreamConfig& formats);

}  // namespace capspect
