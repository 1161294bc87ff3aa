// Writes a device catalog as JSON in the form the loader reads (docs/catalog.md): every
// field written out, so that loading the text gives back the same catalog.
#pragma once

#include <string>

#include "platform/sim/catalog.h"

namespace capspect::sim {

// The catalog as JSON text, indented by two spaces and ending with a newline. GUIDs with a
// catalog name are written by name, others as braced text; HRESULTs as 0x hex text.
std::string CatalogToJsonText(const Catalog& catalog);

}  // namespace capspect::sim
