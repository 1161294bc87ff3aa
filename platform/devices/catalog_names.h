// The names a device catalog may write instead of numbers: the platform's GUID names
// (media types, format types, subtypes, pin categories), HRESULT names and physical
// connector type names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

#include <dshow.h>
#include <dvdmedia.h>

namespace capspect::sim {

std::optional<GUID> GuidFromCatalogName(std::string_view name);
// The name a catalog writes for `guid`, or its braced registry text when it has none.
std::string CatalogGuidText(const GUID& guid);

std::optional<HRESULT> HresultFromCatalogName(std::string_view name);

std::optional<LONG> ConnectorFromCatalogName(std::string_view name);
// The PhysConn_* name of a connector type, or its number.
std::string CatalogConnectorText(LONG type);

}  // namespace capspect::sim
