#include "app/win32/main_window.h"

#include <exception>
#include <optional>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/backend.h"
#include "app/format_report.h"
#include "app/win32/user_dialogs.h"
#include "app/window_steps.h"
#include "framework/Exceptions.h"

namespace capspect {
namespace {

// The window as designed, at 96 dots per inch.
constexpr Win32Form::Design kDesign{
    .className = L"TForm1",
    .caption = u"Vidscope",
    .clientWidth = 700,
    .clientHeight = 383,
    .fontFace = L"Tahoma",
    .fontHeight = -11,
};
constexpr int kPanelHeight = 33;
constexpr WindowBounds kComboBounds{16, 8, 201, 22};
constexpr WindowBounds kButtonBounds{232, 8, 75, 22};
// Entries the dropped-down list shows before it scrolls; a combo box's window height is
// the height of its closed face and of its list together.
constexpr int kDropDownCount = 8;

}  // namespace

TForm1::TForm1(UserDialogs& dialogs, TDXShowReports reports)
    : Win32Form(kDesign),
      FDialogs(dialogs),
      FReports(std::move(reports)),
      FPanel1(Handle(), kPanel1),
      FVQLangComboBox1(FPanel1.Handle(), kVQLangComboBox1),
      FButton1(FPanel1.Handle(), kButton1, u"OK"),
      FMemo1(Handle(), kMemo1) {
    FButton1.OnClick = [this] { RunHandler(&TForm1::Button1Click); };
    for (Win32Window* control :
         {static_cast<Win32Window*>(&FPanel1), static_cast<Win32Window*>(&FVQLangComboBox1),
          static_cast<Win32Window*>(&FButton1), static_cast<Win32Window*>(&FMemo1)}) {
        control->SetFont(Font());
    }
    PlaceControls();
    RunHandler(&TForm1::FormCreate);
}

TForm1::~TForm1() {
    ReleaseCapture();
}

void TForm1::Resized() {
    PlaceControls();
}

void TForm1::Destroying() {
    ReleaseCapture();
}

void TForm1::PlaceControls() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int panelHeight = Scale(kPanelHeight);
    const auto scaled = [this](const WindowBounds& design) {
        return WindowBounds{Scale(design.left), Scale(design.top), Scale(design.width),
                            Scale(design.height)};
    };
    FPanel1.SetBounds({0, 0, client.right, panelHeight});
    // The item height follows the DPI; a resize alone leaves it (setting it relays the
    // combo box out).
    if (const int itemHeight = Scale(TVQLangComboBox::kDefaultItemHeight);
        FVQLangComboBox1.ItemHeight() != itemHeight) {
        FVQLangComboBox1.SetItemHeight(itemHeight);
    }
    WindowBounds combo = scaled(kComboBounds);
    combo.height += kDropDownCount * FVQLangComboBox1.ItemHeight();
    FVQLangComboBox1.SetBounds(combo);
    FButton1.SetBounds(scaled(kButtonBounds));
    FMemo1.SetBounds({0, panelHeight, client.right, client.bottom - panelHeight});
}

void TForm1::FormCreate() {
    FCap = &TComponent::CreateOwned<TDXShowCapture>(FControl, FReports);
    ShowDeviceEnumerationFailures();
    ListDevices(FCap->CaptureDevices(), FVQLangComboBox1.Model());
    FollowDeviceChanges();
}

void TForm1::ShowDeviceEnumerationFailures() {
    // The device list reports an enumerator that cannot be created through its OnError,
    // which the component passes on to its own reports. The list was first read while the
    // component was being built, before the window could listen, so an empty list is read
    // once more while the window listens; a failure then shows, a true empty list stays.
    TDXShowCaptureDevices& devices = FCap->CaptureDevices();
    devices.OnError = [this, passOn = devices.OnError](HRESULT hr, const std::u16string& message) {
        if (passOn) {
            passOn(hr, message);
        }
        FDialogs.ShowMessage(Handle(), message);
    };
    if (devices.Count() == 0) {
        devices.Refresh();
    }
}

void TForm1::FollowDeviceChanges() {
    // The component rereads its list when its graph loses its device; the platform's
    // device notifications cover devices no graph holds (one plugged in, for instance).
    // Both arrive from the message loop, so they run as handlers do: an exception ends in
    // the error box rather than in the system's frames.
    FCap->CaptureDevices().OnChange = [this] { RunHandler(&TForm1::RelistDeviceChoice); };
    FDeviceChanges =
        std::make_unique<DeviceChangeWatch>([this] { RunHandler(&TForm1::RefreshDevices); });
}

void TForm1::RelistDeviceChoice() {
    RelistDevices(FCap->CaptureDevices(), FVQLangComboBox1.Model());
}

void TForm1::RefreshDevices() {
    if (FCap != nullptr) {
        FCap->CaptureDevices().Refresh();
    }
}

void TForm1::Button1Click() {
    // Without a capture component (its creation failed) there is nothing to render and
    // the report is empty, as it is for a device without formats.
    TakeDeviceFailures();  // those of earlier renders were shown then
    if (FCap != nullptr) {
        RenderDeviceForReport(*FCap, FVQLangComboBox1.ItemIndex());
    }
    FMemo1.Clear();
    if (FCap != nullptr) {
        FMemo1.SetText(JoinReportEntries(FormatReportEntries(FCap->OutputFormats())));
    }
    FMemo1.ScrollToTop();
    ShowDeviceFailures();
    if (FDialogs.Confirm(Handle(), kCopyQuestionCaption, kCopyQuestion)) {
        if (!SetClipboardText(Handle(), MemoText())) {
            FDialogs.ShowException(Handle(), u"The report could not be put on the clipboard");
        }
    }
}

void TForm1::ShowDeviceFailures() {
    if (const std::optional<std::u16string> failure = PassOnDeviceFailures(FReports)) {
        FDialogs.ShowException(Handle(), *failure);
    }
}

void TForm1::ReleaseCapture() {
    FDeviceChanges.reset();
    if (FCap != nullptr) {
        TDXShowCapture& capture = *FCap;
        FCap = nullptr;
        FControl.DestroyComponent(capture);
    }
}

void TForm1::RunHandler(void (TForm1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& error) {
        FDialogs.ShowException(Handle(), ExceptionMessage(error));
    }
}

}  // namespace capspect
