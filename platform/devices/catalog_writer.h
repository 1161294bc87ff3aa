// Writes a device catalog as JSON in the form the loader reads (docs/catalog.md): every
// field written out, so that loading the text gives back the same catalog.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "platform/devices/catalog.h"

namespace capspect::sim {

// The catalog as JSON text, indented by two spaces and ending with a newline. GUIDs with a
// catalog name are written by name, others as braced text; HRESULTs as 0x hex text.
std::string CatalogToJsonText(const Catalog& catalog);

// One capability record with every field, as the catalog holds it; the format type GUID
// is written like the catalog's other GUIDs.
nlohmann::ordered_json VideoCapsToJson(const VIDEO_STREAM_CONFIG_CAPS& caps);

}  // namespace capspect::sim
