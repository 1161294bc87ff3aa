// The backends of the Windows build: the system's own DirectShow with its device
// enumerator, or with a device catalog's devices as filters of ours offered through a
// device enumerator of ours (--devices, --demo). COM is initialised on the calling thread
// as a single-threaded apartment, as the components expect, for as long as the backend
// runs.
#include "app/backend.h"

#include <windows.h>

#include <objbase.h>

#include "app/demo_catalog.h"
#include "app/message_text.h"
#include "platform/devices/capture_filter.h"
#include "platform/devices/catalog.h"
#include "platform/devices/devenum.h"
#include "platform/windows/system_error.h"

namespace capspect {

std::optional<BackendKind> BackendNamed(std::string_view name) {
    if (name == "dshow") {
        return BackendKind::DirectShow;
    }
    if (name == "sim") {
        return BackendKind::Sim;
    }
    return std::nullopt;
}

std::string_view BackendName(BackendKind kind) {
    return kind == BackendKind::Sim ? "sim" : kind == BackendKind::V4l2 ? "v4l2" : "dshow";
}

std::string_view BackendNames() {
    return "dshow or sim";
}

BackendKind DefaultBackend() {
    return BackendKind::DirectShow;
}

std::string_view BackendHelp() {
    return "  --backend NAME     the device backend: dshow (default), the system's DirectShow\n"
           "                     video capture devices; sim, the devices of a device\n"
           "                     catalog (--devices FILE, else the demo's) on the system's\n"
           "                     DirectShow\n";
}

std::unique_ptr<Backend> Backend::Start(const BackendOptions& options, OutputStream& err) {
    // Read first, so that a catalog that does not load leaves nothing to undo.
    std::optional<sim::Catalog> catalog;
    if (options.Kind() == BackendKind::Sim) {
        catalog = LoadChosenCatalog(options.devicesFile, err);
        if (!catalog) {
            return nullptr;
        }
    }
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        err << "capspect: cannot initialise COM: "
            << PrintableText(SystemErrorText(static_cast<DWORD>(hr))) << '\n';
        return nullptr;
    }
    // Its platform context holds the device set and the enumerator offered for it.
    std::unique_ptr<Backend> backend(new Backend(options.Kind()));
    if (catalog) {
        sim::InstallCaptureDeviceFactory();
        sim::InstallCatalog(std::move(*catalog));
    }
    return backend;
}

// The system's capture filters report their own failures through the components' events;
// no backend of this build reads devices itself.
std::vector<DeviceFailure> TakeDeviceFailures() {
    return {};
}

Backend::Backend(BackendKind kind) : kind_(kind) {
    if (!PlatformContext::Running()) {
        platform_.emplace();
    }
}

void Backend::WatchDeviceChanges() {}

Backend::~Backend() {
    if (kind_ == BackendKind::Sim) {
        sim::UninstallCatalog();
    }
    CoUninitialize();
}

}  // namespace capspect
