// The simulated system device enumerator (CLSID_SystemDeviceEnum) over the installed
// device catalog, and the filters backends registered by category.
//
// CreateClassEnumerator lists, for CLSID_VideoInputDeviceCategory and
// CLSID_AudioInputDeviceCategory, the catalog's video or audio devices in catalog order,
// then, for every category, the filters registered under it in the registry. A device
// moniker's BindToStorage gives the device's property bag; its BindToObject asks the
// device filter factory (SetDeviceFilterFactory) and answers REGDB_E_CLASSNOTREG while
// none is set. A registered filter's moniker binds through CoCreateInstance.
//
// Simulated calls that tests can make fail (platform/faults.h):
// "ICreateDevEnum::CreateClassEnumerator", "IEnumMoniker::Next", "IMoniker::BindToStorage",
// "IMoniker::BindToObject", "IPropertyBag::Read"; catalog devices carry their own faults.
#pragma once

#include <functional>
#include <memory>

#include <windows.h>
#include "platform/devices/catalog.h"

#include <dshow.h>

namespace capspect::sim {

// What BindToObject of a device moniker answers while no device filter factory is set.
inline constexpr HRESULT kNoDeviceFilterFactory = REGDB_E_CLASSNOTREG;

// Makes the filter of a catalog device and answers `riid` on it.
using DeviceFilterFactory =
    std::function<HRESULT(std::shared_ptr<const CatalogDevice> device, REFIID riid, void** object)>;

// Makes `catalog` the process's device set, replacing the previous one, and registers
// the system device enumerator class. Monikers handed out earlier keep the devices they
// name. Each device whose CLSID property is a GUID and that names a fileName has that
// file registered as its class's InprocServer32 for as long as the catalog is installed.
void InstallCatalog(Catalog catalog);
// Empties the device set and withdraws the system device enumerator class again; on
// Windows before COM is uninitialised.
void UninstallCatalog();
// The installed device set (empty before the first InstallCatalog).
std::shared_ptr<const Catalog> InstalledCatalog();

// Sets the factory device monikers bind through; an empty function removes it.
void SetDeviceFilterFactory(DeviceFilterFactory factory);

}  // namespace capspect::sim
