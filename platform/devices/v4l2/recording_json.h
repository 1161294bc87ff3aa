// The JSON form of a recording (see tests/data/v4l2/vivid.json): capability words and
// standard ids as "0x…" strings, fractions as "N/D", sizes [w, h], FOURCCs as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/devices/v4l2/recording.h"
#include "platform/support/guids.h"

namespace capspect::v4l2 {

nlohmann::json ToJson(const DeviceRecording& recording);
// Throws std::invalid_argument naming the JSON path of the fault when the document does not
// describe a recording.
DeviceRecording RecordingFromJson(const nlohmann::json& document);

// Reads a code as recordings write it with FourCCText (platform/support/guids.h): "YUYV"
// for printable codes, "0x…" otherwise.
std::optional<std::uint32_t> FourCCFromText(const std::string& text);

}  // namespace capspect::v4l2
