// The built-in demo catalog (--demo): data/demo_catalog.json, compiled into the program.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include "app/output_stream.h"

#include "platform/devices/catalog.h"

namespace capspect {

// The catalog's JSON text as the program carries it.
std::string_view DemoCatalogJson();

// The demo devices; throws sim::CatalogError only if the compiled-in text is broken.
sim::Catalog LoadDemoCatalog();

// The catalog of `devicesFile`, else the demo's. When it does not load, writes why in one
// line to `err` and answers nullopt.
std::optional<sim::Catalog> LoadChosenCatalog(
    const std::optional<std::filesystem::path>& devicesFile, OutputStream& err);

}  // namespace capspect
