#include "app/snapshot_command.h"

#include <optional>

#include "Components/VQDirectShow/DXShowDevices.h"
#include "app/device_snapshot.h"
#include "app/message_text.h"
#include "platform/devices/catalog_writer.h"
#include "platform/support/comptr.h"
#include "platform/support/hex_text.h"
#include "platform/support/unicode.h"
#include "util/ErrorTexts.h"

namespace capspect {
namespace {

constexpr const char* kPrefix = "capspect snapshot: ";

std::string FailureText(HRESULT hr) {
    return Utf16ToUtf8(GetDSErrorText(hr)) + " (" + HexCode(static_cast<std::uint32_t>(hr)) + ")";
}

// The device the arguments name, or null after reporting why there is none.
const TDXShowDevice* ChosenDevice(const TDXShowCaptureDevices& devices,
                                  std::span<const std::string> args, OutputStream& err) {
    if (args.empty()) {
        if (devices.Count() == 0) {
            err << kPrefix << "no video capture device\n";
            return nullptr;
        }
        return &devices.Items(0);
    }
    // Device paths are Unicode text, so bytes that are not UTF-8 name no device.
    const std::optional<std::u16string> path = Utf8ToUtf16Strict(args.front());
    const TDXShowDevice* device = path ? devices.FindDevice(*path) : nullptr;
    if (device == nullptr) {
        err << kPrefix << "no video capture device " << QuotedText(args.front()) << '\n';
    }
    return device;
}

}  // namespace

ExitStatus RunSnapshotCommand(std::span<const std::string> args, const CommandContext& context) {
    if (args.size() > 1) {
        context.err << kPrefix << "unexpected argument " << QuotedText(args[1])
                    << " (usage: capspect snapshot [DEVICE])\n";
        return ExitStatus::Usage;
    }
    bool enumerationFailed = false;
    TDXShowCaptureDevices devices;
    devices.OnError = [&](HRESULT, const std::u16string& message) {
        enumerationFailed = true;
        context.err << kPrefix << PrintableText(Utf16ToUtf8(message)) << '\n';
    };
    devices.Refresh();
    if (enumerationFailed) {
        return ExitStatus::Failure;
    }
    const TDXShowDevice* device = ChosenDevice(devices, args, context.err);
    if (device == nullptr) {
        return ExitStatus::Failure;
    }
    const std::string path = QuotedText(Utf16ToUtf8(device->DevicePath()));
    ComPtr<IBaseFilter> filter;
    const HRESULT hr =
        device->Moniker()->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.GetAddressOf()));
    // A device that failed to answer while it was bound would give a shorter or altered
    // catalog entry (or none, when it went away): that is the failure to tell.
    if (const std::vector<DeviceFailure> failures = TakeDeviceFailures(); !failures.empty()) {
        context.err << kPrefix << PrintableText(failures.front().text) << '\n';
        return ExitStatus::Failure;
    }
    if (FAILED(hr)) {
        context.err << kPrefix << "cannot open " << path << ": " << FailureText(hr) << '\n';
        return ExitStatus::Failure;
    }
    const std::optional<sim::CatalogDevice> entry = DescribeCaptureDevice(*device, *filter.Get());
    if (!entry) {
        context.err << kPrefix << "cannot read the properties of " << path << '\n';
        return ExitStatus::Failure;
    }
    context.out << sim::CatalogToJsonText(sim::Catalog{{*entry}});
    return ExitStatus::Success;
}

}  // namespace capspect
