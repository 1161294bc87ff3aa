// Writes a device catalog as JSON in the form the loader reads (docs/catalog.md): every
// field written out, so that loading the text gives back the same catalog.
#pragma once

#include <string>

#include "platform/devices/catalog.h"
#include "platform/devices/json_writer.h"

namespace capspect::sim {

// The catalog as JSON text, indented by two spaces and ending with a newline. GUIDs with a
// catalog name are written by name, others as braced text; HRESULTs as 0x hex text.
std::string CatalogToJsonText(const Catalog& catalog);

// The names a report adds to a capability record.
struct VideoCapsNames {
    std::string formatType;     // beside the format type's GUID
    std::string videoStandard;  // after the standard's bits
};

// One capability record with every field, as the catalog holds it: the format type GUID
// written like the catalog's other GUIDs. With `names`, the record as a report gives it:
// the GUID as braced text with its name, and the standards' names after their bits.
void WriteVideoCaps(JsonWriter& out, const VIDEO_STREAM_CONFIG_CAPS& caps,
                    const VideoCapsNames* names = nullptr);

}  // namespace capspect::sim
