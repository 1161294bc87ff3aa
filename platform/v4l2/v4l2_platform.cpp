#include "platform/v4l2/v4l2_platform.h"

#include <map>
#include <memory>

#include "platform/registry.h"
#include "platform/sim/capture_filter.h"
#include "platform/sim/devenum.h"
#include "platform/sim/platform.h"
#include "platform/unicode.h"
#include "platform/v4l2/capture_control.h"
#include "platform/v4l2/device_description.h"
#include "platform/v4l2/errors.h"

namespace capspect::v4l2 {
namespace {

using DevicesByPath = std::map<std::u16string, CaptureDeviceInfo>;

// Makes the capture filter of a listed device: opens and records it now, so that the
// filter answers for the device as it is when bound.
class CaptureFilterFactory {
public:
    CaptureFilterFactory(std::shared_ptr<const DevicesByPath> devices, DeviceOpener open)
        : devices_(std::move(devices)), open_(std::move(open)) {}

    HRESULT operator()(const std::shared_ptr<const sim::CatalogDevice>& listed, REFIID riid,
                       void** object) const {
        const auto& path = listed->properties.devicePath;
        const auto found = path ? devices_->find(*path) : devices_->end();
        if (found == devices_->end()) {
            return HResultFromErrno(ENODEV);
        }
        const CaptureDeviceInfo& info = found->second;
        int error = 0;
        std::unique_ptr<V4l2Device> device = open_(info.node, error);
        if (!device) {
            return HResultFromErrno(error != 0 ? error : ENODEV);
        }
        DeviceRecording recording;
        if (const int failure = RecordSelectedInput(*device, recording); failure != 0) {
            return HResultFromErrno(failure);
        }
        auto description =
            std::make_shared<const sim::CatalogDevice>(DescribeDevice(info, recording));
        auto control =
            std::make_shared<V4l2CaptureControl>(std::move(device), std::move(recording));
        return MakeComObject<sim::CaptureFilter>(std::move(description), std::move(control))
            ->QueryInterface(riid, object);
    }

private:
    std::shared_ptr<const DevicesByPath> devices_;
    DeviceOpener open_;
};

}  // namespace

DiscoveryResult StartV4l2Platform(const DiscoveryRoots& roots, DeviceOpener open) {
    sim::RegisterSimulatedPlatform();
    DiscoveryResult discovery = DiscoverCaptureDevices(roots, open);
    auto devices = std::make_shared<DevicesByPath>();
    sim::Catalog catalog;
    for (const CaptureDeviceInfo& info : discovery.devices) {
        catalog.devices.push_back(ListedDevice(info));
        devices->emplace(Utf8ToUtf16(info.devicePath), info);
    }
    sim::InstallCatalog(std::move(catalog));
    sim::SetDeviceFilterFactory(CaptureFilterFactory(std::move(devices), std::move(open)));
    return discovery;
}

void StopV4l2Platform() {
    sim::InstallCatalog({});
    sim::SetDeviceFilterFactory({});
}

}  // namespace capspect::v4l2
