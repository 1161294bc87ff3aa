// Changing the simulated device set: what the catalog backends do when devices come and go.
#include "platform/devices/devenum.h"
#include "platform/devices/device_presence.h"
#include "platform/linux/device_notify.h"
#include "platform/sdk/device_notify.h"

namespace capspect::sim {

DeviceSetChange ReplaceDeviceSet(Catalog catalog) {
    const std::shared_ptr<const Catalog> before = InstalledCatalog();
    DeviceSetChange change = CompareDeviceSets(before ? *before : Catalog{}, catalog);
    InstallCatalog(std::move(catalog));
    for (const std::u16string& path : change.removed) {
        AnnounceDevicePresence(path, DevicePresence::Removed);
    }
    for (const std::u16string& path : change.arrived) {
        AnnounceDevicePresence(path, DevicePresence::Arrived);
    }
    if (!change.Empty()) {
        BroadcastDeviceChange();
    }
    return change;
}

bool UnplugDevice(std::u16string_view devicePath) {
    const std::shared_ptr<const Catalog> installed = InstalledCatalog();
    Catalog catalog = installed ? *installed : Catalog{};
    const auto removed = std::erase_if(catalog.devices, [&](const CatalogDevice& device) {
        return device.properties.devicePath == devicePath;
    });
    if (removed == 0) {
        return false;
    }
    ReplaceDeviceSet(std::move(catalog));
    return true;
}

void PlugDevice(CatalogDevice device) {
    const std::shared_ptr<const Catalog> installed = InstalledCatalog();
    Catalog catalog = installed ? *installed : Catalog{};
    catalog.devices.push_back(std::move(device));
    ReplaceDeviceSet(std::move(catalog));
}

}  // namespace capspect::sim
