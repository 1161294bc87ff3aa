// The device catalog loader over arbitrary text: it answers a catalog or throws
// CatalogError, nothing else. A catalog it accepts is written out and read back, and the
// text must then stay the same (the writer and loader agree on every field).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/devices/catalog.h"
#include "platform/devices/catalog_writer.h"

using namespace capspect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    sim::Catalog catalog;
    try {
        catalog = sim::LoadCatalogString(json, "fuzz.json");
    } catch (const sim::CatalogError&) {
        return 0;
    }
    const std::string written = sim::CatalogToJsonText(catalog);
    std::string rewritten;
    try {
        rewritten = sim::CatalogToJsonText(sim::LoadCatalogString(written, "written.json"));
    } catch (const sim::CatalogError& error) {
        fuzz::Check(false, error.what());
    }
    fuzz::Check(rewritten == written, "a written catalog reads back as the same catalog");
    return 0;
}
