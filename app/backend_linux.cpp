#include "app/backend.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "app/demo_catalog.h"
#include "app/message_text.h"
#include "platform/devices/catalog.h"
#include "platform/devices/devenum.h"
#include "platform/devices/v4l2/errors.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "platform/directshow/platform.h"

namespace capspect {
namespace {

// Every class of the simulated platform is registered here, at this one place, before
// any verb runs. Installing the device set registers the system device enumerator.
void StartSimulatedPlatform(sim::Catalog catalog) {
    sim::RegisterSimulatedPlatform();
    sim::InstallCatalog(std::move(catalog));
}

}  // namespace

std::optional<BackendKind> BackendNamed(std::string_view name) {
    if (name == "sim") {
        return BackendKind::Sim;
    }
    if (name == "v4l2") {
        return BackendKind::V4l2;
    }
    return std::nullopt;
}

std::string_view BackendName(BackendKind kind) {
    return kind == BackendKind::Sim ? "sim" : kind == BackendKind::V4l2 ? "v4l2" : "dshow";
}

std::string_view BackendNames() {
    return "sim or v4l2";
}

BackendKind DefaultBackend() {
    return BackendKind::V4l2;
}

std::string_view BackendHelp() {
    return "  --backend sim|v4l2 the device backend; v4l2 (the machine's capture devices)\n"
           "                     is the default\n";
}

std::unique_ptr<Backend> Backend::Start(const BackendOptions& options, OutputStream& err) {
    // The backend first: its platform context holds whatever the start registers.
    std::unique_ptr<Backend> backend(new Backend(options.Kind()));
    if (options.Kind() == BackendKind::V4l2) {
        const v4l2::DiscoveryResult discovery =
            v4l2::StartV4l2Platform(v4l2::DiscoveryRoots{}, v4l2::FileDeviceOpener());
        if (options.verbose) {
            // Nodes that could not be asked are not devices; say why with --verbose.
            for (const v4l2::NodeProblem& problem : discovery.problems) {
                err << "capspect: " << PrintableText(problem.node.string()) << ": "
                    << std::strerror(problem.error) << '\n';
            }
        }
        return backend;
    }
    // Without a catalog file the simulated platform shows the demo devices.
    std::optional<sim::Catalog> catalog = LoadChosenCatalog(options.devicesFile, err);
    if (!catalog) {
        return nullptr;
    }
    StartSimulatedPlatform(std::move(*catalog));
    return backend;
}

std::vector<DeviceFailure> TakeDeviceFailures() {
    std::vector<DeviceFailure> failures;
    for (const v4l2::DeviceReadFailure& read : v4l2::TakeV4l2ReadFailures()) {
        failures.push_back({v4l2::HResultFromErrno(read.failure.error),
                            read.devicePath + ": " + v4l2::ReadFailureText(read.failure)});
    }
    return failures;
}

Backend::Backend(BackendKind kind) : kind_(kind) {
    if (!PlatformContext::Running()) {
        platform_.emplace();
    }
}

void Backend::WatchDeviceChanges() {
    if (kind_ == BackendKind::V4l2 && !deviceWatch_) {
        deviceWatch_ = v4l2::WatchV4l2Devices();
    }
}

Backend::~Backend() {
    deviceWatch_.reset();
    if (kind_ == BackendKind::Sim) {
        sim::UninstallCatalog();
    } else {
        v4l2::StopV4l2Platform();
    }
}

}  // namespace capspect
