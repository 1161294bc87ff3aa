#include "platform/devices/v4l2/v4l2_platform.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/devices/capture_filter.h"
#include "platform/devices/devenum.h"
#include "platform/devices/v4l2/capture_control.h"
#include "platform/devices/v4l2/device_description.h"
#include "platform/devices/v4l2/errors.h"
#include "platform/directshow/platform.h"
#include "platform/sdk/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/platform_context.h"
#include "platform/support/unicode.h"

namespace capspect::v4l2 {
namespace {

using DevicesByPath = std::map<std::u16string, CaptureDeviceInfo>;

// The running backend: where it discovers devices, how it opens them, and the devices of
// the current set by device path (replaced as a whole on each refresh, so a bind in
// progress keeps the set it started with).
class V4l2Backend {
public:
    static V4l2Backend& Instance() { return PlatformContext::Part<V4l2Backend>(); }

    void Start(const DiscoveryRoots& roots, DeviceOpener open) {
        const std::lock_guard lock(mutex_);
        roots_ = roots;
        open_ = std::move(open);
        devices_ = std::make_shared<const DevicesByPath>();
        failures_.clear();
        running_ = true;
    }

    void Stop() {
        const std::lock_guard lock(mutex_);
        running_ = false;
        devices_ = std::make_shared<const DevicesByPath>();
        failures_.clear();
        open_ = {};
    }

    void NoteFailures(const std::string& devicePath, const std::vector<ReadFailure>& failures) {
        const std::lock_guard lock(mutex_);
        for (const ReadFailure& failure : failures) {
            failures_.push_back({devicePath, failure});
        }
    }

    std::vector<DeviceReadFailure> TakeFailures() {
        const std::lock_guard lock(mutex_);
        return std::exchange(failures_, {});
    }

    bool Running() const {
        const std::lock_guard lock(mutex_);
        return running_;
    }

    DiscoveryRoots Roots() const {
        const std::lock_guard lock(mutex_);
        return roots_;
    }

    DeviceOpener Opener() const {
        const std::lock_guard lock(mutex_);
        return open_;
    }

    std::shared_ptr<const DevicesByPath> Devices() const {
        const std::lock_guard lock(mutex_);
        return devices_;
    }

    // Discovers the devices and keeps them; answers the discovery and their catalog.
    DiscoveryResult Discover(sim::Catalog& catalog) {
        DiscoveryResult discovery = DiscoverCaptureDevices(Roots(), Opener());
        auto devices = std::make_shared<DevicesByPath>();
        for (const CaptureDeviceInfo& info : discovery.devices) {
            catalog.devices.push_back(ListedDevice(info));
            devices->emplace(Utf8ToUtf16(info.devicePath), info);
        }
        const std::lock_guard lock(mutex_);
        devices_ = std::move(devices);
        return discovery;
    }

private:
    mutable std::mutex mutex_;
    bool running_ = false;
    DiscoveryRoots roots_;
    DeviceOpener open_;
    std::shared_ptr<const DevicesByPath> devices_ = std::make_shared<const DevicesByPath>();
    std::vector<DeviceReadFailure> failures_;
};

// Makes the capture filter of a listed device: opens and records it now, so that the
// filter answers for the device as it is when bound.
HRESULT MakeCaptureFilter(const std::shared_ptr<const sim::CatalogDevice>& listed, REFIID riid,
                          void** object) {
    const V4l2Backend& backend = V4l2Backend::Instance();
    const std::shared_ptr<const DevicesByPath> devices = backend.Devices();
    const auto& path = listed->properties.devicePath;
    const auto found = path ? devices->find(*path) : devices->end();
    const DeviceOpener open = backend.Opener();
    if (found == devices->end() || !open) {
        // Listed once, gone since: the device was unplugged.
        return HResultFromErrno(ENODEV);
    }
    const CaptureDeviceInfo& info = found->second;
    OpenedDevice opened = open(info.node);
    if (!opened.device) {
        return HResultFromErrno(opened.error != 0 ? opened.error : ENODEV);
    }
    std::unique_ptr<V4l2Device> device = std::move(opened.device);
    // What the device could not tell is kept for the commands and the window to say; the
    // filter offers what could be read, unless the device went away.
    auto noteFailures = [path = info.devicePath](const std::vector<ReadFailure>& failures) {
        V4l2Backend::Instance().NoteFailures(path, failures);
    };
    DeviceRecording recording;
    const int failure = RecordSelectedInput(*device, recording);
    noteFailures(recording.failures);
    if (failure != 0) {
        return HResultFromErrno(failure);
    }
    auto description = std::make_shared<const sim::CatalogDevice>(DescribeDevice(info, recording));
    auto control = std::make_shared<V4l2CaptureControl>(std::move(device), std::move(recording),
                                                        std::move(noteFailures));
    return MakeComObject<sim::CaptureFilter>(std::move(description), std::move(control))
        ->QueryInterface(riid, object);
}

}  // namespace

DiscoveryResult StartV4l2Platform(const DiscoveryRoots& roots, DeviceOpener open) {
    sim::RegisterSimulatedPlatform();
    V4l2Backend& backend = V4l2Backend::Instance();
    backend.Start(roots, std::move(open));
    sim::Catalog catalog;
    DiscoveryResult discovery = backend.Discover(catalog);
    sim::InstallCatalog(std::move(catalog));
    sim::SetDeviceFilterFactory(MakeCaptureFilter);
    return discovery;
}

sim::DeviceSetChange RefreshV4l2Devices() {
    V4l2Backend& backend = V4l2Backend::Instance();
    if (!backend.Running()) {
        return {};
    }
    sim::Catalog catalog;
    backend.Discover(catalog);
    return sim::ReplaceDeviceSet(std::move(catalog));
}

std::unique_ptr<DeviceMonitor> WatchV4l2Devices(DeviceMonitor::Options options) {
    options.sysfs = V4l2Backend::Instance().Roots().sysfs;
    return std::make_unique<DeviceMonitor>(std::move(options), [] { RefreshV4l2Devices(); });
}

std::vector<DeviceReadFailure> TakeV4l2ReadFailures() {
    return V4l2Backend::Instance().TakeFailures();
}

void StopV4l2Platform() {
    V4l2Backend::Instance().Stop();
    sim::InstallCatalog({});
    sim::SetDeviceFilterFactory({});
}

}  // namespace capspect::v4l2
