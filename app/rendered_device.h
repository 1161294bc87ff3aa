// The device of a verb that works on the formats the report shows (`report`, `verify`):
// the capture component built, the device chosen by its path and rendered the way the
// window's OK does, and what went wrong said in one line on stderr.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include "app/output_stream.h"

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/command_line.h"

namespace capspect {

// Receives the component's error and information events: prints them when --verbose is
// given and keeps the error texts for the failure line.
class ComponentReports {
public:
    ComponentReports(OutputStream& err, bool verbose) : err_(err), verbose_(verbose) {}

    TDXShowReports Handlers();

    // An error that reaches the command outside the component (a device failure the
    // backend saw), reported as the component's own are.
    void Error(HRESULT code, const std::string& text);

    const std::vector<std::string>& Errors() const { return errors_; }

private:
    void Print(const std::u16string& text);

    OutputStream& err_;
    const bool verbose_;
    std::vector<std::string> errors_;
};

// A rendered device. Render writes why there is none ("capspect VERB: ...") and answers
// null when the component cannot be built, no device has the path (empty: the first
// device), rendering raised, the device failed while rendered, or it has no formats
// while errors were reported.
class RenderedDevice {
public:
    static std::unique_ptr<RenderedDevice> Render(std::string_view verb,
                                                  const std::string& devicePath,
                                                  const CommandContext& context);

    TDXShowCapture& Capture() { return *capture_; }
    const TDXShowDevice& Device() const { return *device_; }

private:
    RenderedDevice(std::unique_ptr<ComponentReports> reports,
                   std::unique_ptr<TDXShowCapture> capture, const TDXShowDevice& device)
        : reports_(std::move(reports)), capture_(std::move(capture)), device_(&device) {}

    // The component calls the reports' handlers until it goes, so they outlive it.
    std::unique_ptr<ComponentReports> reports_;
    std::unique_ptr<TDXShowCapture> capture_;
    const TDXShowDevice* device_;
};

}  // namespace capspect
