#include "app/list_command.h"

#include "Components/VQDirectShow/DXShowDevices.h"
#include "app/message_text.h"
#include "platform/support/unicode.h"

namespace capspect {

ExitStatus RunListCommand(std::span<const std::string> args, const CommandContext& context) {
    if (!args.empty()) {
        context.err << "capspect list: unexpected argument " << QuotedText(args.front())
                    << " (usage: capspect list)\n";
        return ExitStatus::Usage;
    }
    bool enumerationFailed = false;
    TDXShowCaptureDevices devices;
    devices.OnError = [&](HRESULT, const std::u16string& message) {
        enumerationFailed = true;
        context.err << "capspect list: " << PrintableText(Utf16ToUtf8(message)) << '\n';
    };
    devices.Refresh();
    if (enumerationFailed) {
        return ExitStatus::Failure;
    }
    for (int i = 0; i < devices.Count(); ++i) {
        const TDXShowDevice& device = devices.Items(i);
        context.out << Utf16ToUtf8(device.Description()) << '\t' << Utf16ToUtf8(device.DevicePath())
                    << '\n';
    }
    return ExitStatus::Success;
}

}  // namespace capspect
