// The built-in demo catalog (--demo): data/demo_catalog.json, compiled into the program.
#pragma once

#include <string_view>

#include "platform/devices/catalog.h"

namespace capspect {

// The catalog's JSON text as the program carries it.
std::string_view DemoCatalogJson();

// The demo devices; throws sim::CatalogError only if the compiled-in text is broken.
sim::Catalog LoadDemoCatalog();

}  // namespace capspect
