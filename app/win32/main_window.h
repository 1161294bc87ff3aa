// The main window on Win32: the device choice, the OK button and the format report of the
// chosen device, offered for the clipboard.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Components/VQDirectShow/DXShow.h"
#include "app/device_change_watch.h"
#include "controls/win32/VQComboBoxes.h"
#include "win32/Win32Controls.h"

namespace capspect {

class TDXShowCapture;
class UserDialogs;

class TForm1 final : public Win32Form {
public:
    // The question asked after each report.
    static constexpr std::u16string_view kCopyQuestion = u"Ergebnis in Zwischenablage kopieren?";
    static constexpr std::u16string_view kCopyQuestionCaption = u"Confirm";

    // Builds the window, hidden, and runs FormCreate. `reports` go to the capture component
    // from its first step on (the command line's --verbose); the window itself handles none.
    explicit TForm1(UserDialogs& dialogs, TDXShowReports reports = {});
    ~TForm1() override;

    // The creation handler: creates the capture component and lists its devices, the first
    // one selected. From then on the list follows the component's device list, which is
    // read again when devices come or go.
    void FormCreate();
    // The OK button's handler: renders the chosen device, writes the report of its output
    // formats and offers it for the clipboard.
    void Button1Click();

    // The capture component; null when its creation failed or the window is gone.
    TDXShowCapture* Capture() const { return FCap; }
    // What hears of devices coming and going; null without a capture component.
    const DeviceChangeWatch* DeviceChanges() const { return FDeviceChanges.get(); }

    Win32Panel& Panel1() { return FPanel1; }
    TVQLangComboBox& VQLangComboBox1() { return FVQLangComboBox1; }
    Win32Button& Button1() { return FButton1; }
    Win32Memo& Memo1() { return FMemo1; }

    // The text area's content: every added entry ends with CR LF.
    std::u16string MemoText() const { return FMemo1.Text(); }

protected:
    void Resized() override;
    void Destroying() override;

private:
    enum ControlId : int { kPanel1 = 1, kVQLangComboBox1, kButton1, kMemo1 };

    void PlaceControls();
    void ShowDeviceEnumerationFailures();
    void FollowDeviceChanges();
    void RelistDeviceChoice();
    void RefreshDevices();
    void ShowDeviceFailures();
    // The component goes while the window is still whole.
    void ReleaseCapture();
    // Runs a handler as the framework runs event handlers: an exception that leaves it is
    // shown in the error box and goes no further.
    void RunHandler(void (TForm1::*handler)());

    UserDialogs& FDialogs;
    TDXShowReports FReports;
    // The window as the components see it; it owns the capture component.
    Win32WinControl FControl{*this};
    Win32Panel FPanel1;
    TVQLangComboBox FVQLangComboBox1;
    Win32Button FButton1;
    Win32Memo FMemo1;
    TDXShowCapture* FCap = nullptr;
    std::unique_ptr<DeviceChangeWatch> FDeviceChanges;
};

}  // namespace capspect
