// The device enumerator's ties to the platform it runs on, one side per platform: how
// CoCreateInstance reaches it, the registry entries of the catalog's device classes, and
// what it answers beyond the catalog's devices.
#pragma once

#include <functional>
#include <vector>

#include <windows.h>

#include <dshow.h>

#include "platform/devices/catalog.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

using DeviceEnumeratorCreator = std::function<HRESULT(REFIID riid, void** object)>;

// Makes CoCreateInstance(CLSID_SystemDeviceEnum) in this process answer `create`.
void OfferDeviceEnumerator(DeviceEnumeratorCreator create);
// Undoes OfferDeviceEnumerator; on Windows before COM is uninitialised.
void WithdrawDeviceEnumerator();

// Registers the implementing file of each device class the catalog names, answering the
// classes to withdraw with UnregisterDeviceClasses when the catalog goes.
std::vector<CLSID> RegisterDeviceClasses(const Catalog& catalog);
void UnregisterDeviceClasses(const std::vector<CLSID>& classes);

// CreateClassEnumerator's answer for `category`, given the catalog's monikers in it
// (`catalogCategory`: the category is one the catalog's devices are listed in).
HRESULT EnumerateCategory(REFCLSID category, bool catalogCategory,
                          std::vector<ComPtr<IMoniker>> catalogMonikers, IEnumMoniker** enumerator);

}  // namespace capspect::sim
