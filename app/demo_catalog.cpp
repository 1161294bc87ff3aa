#include "app/demo_catalog.h"

namespace capspect {

// Defined in the source generated from data/demo_catalog.json at build time.
extern const std::string_view kDemoCatalogJson;

std::string_view DemoCatalogJson() {
    return kDemoCatalogJson;
}

sim::Catalog LoadDemoCatalog() {
    return sim::LoadCatalogString(kDemoCatalogJson, "demo catalog");
}

}  // namespace capspect
