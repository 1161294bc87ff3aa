#include "app/demo_catalog.h"

#include "app/message_text.h"

namespace capspect {

// Defined in the source generated from data/demo_catalog.json at build time.
extern const std::string_view kDemoCatalogJson;

std::string_view DemoCatalogJson() {
    return kDemoCatalogJson;
}

sim::Catalog LoadDemoCatalog() {
    return sim::LoadCatalogString(kDemoCatalogJson, "demo catalog");
}

std::optional<sim::Catalog> LoadChosenCatalog(
    const std::optional<std::filesystem::path>& devicesFile, OutputStream& err) {
    try {
        return devicesFile ? sim::LoadCatalogFile(*devicesFile) : LoadDemoCatalog();
    } catch (const sim::CatalogError& error) {
        // The message holds the file name and catalog keys, which may hold any character.
        err << "capspect: " << PrintableText(error.what()) << '\n';
        return std::nullopt;
    }
}

}  // namespace capspect
