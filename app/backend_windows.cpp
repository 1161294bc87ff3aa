// The backend of the Windows build: the system's own DirectShow and its device enumerator.
// COM is initialised on the calling thread as a single-threaded apartment, as the
// components expect, for as long as the backend runs.
#include "app/backend.h"

#include <windows.h>

#include <objbase.h>

#include "app/message_text.h"
#include "platform/windows/system_error.h"

namespace capspect {

std::optional<BackendKind> BackendNamed(std::string_view name) {
    if (name == "dshow") {
        return BackendKind::DirectShow;
    }
    return std::nullopt;
}

std::string_view BackendName(BackendKind kind) {
    return kind == BackendKind::Sim ? "sim" : kind == BackendKind::V4l2 ? "v4l2" : "dshow";
}

std::string_view BackendNames() {
    return "dshow";
}

BackendKind DefaultBackend() {
    return BackendKind::DirectShow;
}

std::string_view BackendHelp() {
    return "  --backend dshow    the device backend: the system's DirectShow video capture\n"
           "                     devices, the one backend of this build\n";
}

std::unique_ptr<Backend> Backend::Start(const BackendOptions& options, std::ostream& err) {
    if (options.Kind() != BackendKind::DirectShow) {
        err << "capspect: catalog devices (--devices, --demo) are not in this Windows build\n";
        return nullptr;
    }
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        err << "capspect: cannot initialise COM: "
            << PrintableText(SystemErrorText(static_cast<DWORD>(hr))) << '\n';
        return nullptr;
    }
    return std::unique_ptr<Backend>(new Backend(BackendKind::DirectShow));
}

// The system's capture filters report their own failures through the components' events;
// no backend of this build reads devices itself.
std::vector<DeviceFailure> TakeDeviceFailures() {
    return {};
}

Backend::Backend(BackendKind kind) : kind_(kind) {}

void Backend::WatchDeviceChanges() {}

Backend::~Backend() {
    CoUninitialize();
}

}  // namespace capspect
