// The format report as JSON, for people who script the tool: the device, then per output
// format the capability record, the media type and the names the text report shows.
// docs/report-json.md describes every field.
#pragma once

#include <string>

#include "Components/VQDirectShow/DXShowDevices.h"
#include "Components/VQDirectShow/DXShowStreamConfig.h"
#include "platform/devices/json_writer.h"

namespace capspect {

// The JSON text {"device": {"description", "devicePath"}, "formats": [...]}, indented by
// two spaces and ending with a newline; each format {"index", "caps", "mediaType", "fps",
// "text"}. Written as it goes: a device may offer many thousands of formats.
std::string FormatReportAsJson(const TDXShowDevice& device, const TDXShowStreamConfig& formats);

// The member "device": {"description", "devicePath"} that begins the JSON documents.
void WriteDeviceMember(sim::JsonWriter& out, const TDXShowDevice& device);

}  // namespace capspect
