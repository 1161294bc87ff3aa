// The main window: the device choice, the OK button and the format report of the chosen
// device, offered for the clipboard.
#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Components/VQDirectShow/DXShow.h"

class QFrame;
class QPushButton;

namespace capspect {

class DeviceChangeWatch;
class TDXShowCapture;
class QtMemo;
class QtWinControl;
class UserDialogs;
class TVQLangComboBox;

class TForm1 : public QWidget {
    Q_OBJECT

public:
    // The question asked after each report.
    static constexpr std::u16string_view kCopyQuestion = u"Ergebnis in Zwischenablage kopieren?";
    static constexpr std::u16string_view kCopyQuestionCaption = u"Confirm";

    // Builds the window and runs FormCreate. `reports` go to the capture component from its
    // first step on (the command line's --verbose); the window itself handles none.
    explicit TForm1(UserDialogs& dialogs, TDXShowReports reports = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The creation handler: creates the capture component and lists its devices, the first
    // one selected. From then on the list follows the component's device list, which is
    // read again when devices come or go.
    void FormCreate();
    // The OK button's handler: renders the chosen device, writes the report of its output
    // formats and offers it for the clipboard.
    void Button1Click();

    // The capture component; null when its creation failed.
    TDXShowCapture* Capture() const { return FCap; }

    QFrame& Panel1() const { return *FPanel1; }
    TVQLangComboBox& VQLangComboBox1() const { return *FVQLangComboBox1; }
    QPushButton& Button1() const { return *FButton1; }
    QtMemo& Memo1() const { return *FMemo1; }

    // The text area's content as the platform's text control holds it: every line break
    // is CR LF, so each added entry ends with CR LF.
    std::u16string MemoText() const;

private:
    void BuildControls();
    void ShowDeviceEnumerationFailures();
    void FollowDeviceChanges();
    // Shows what the device failed to answer while it was rendered in the error box.
    void ShowDeviceFailures();
    // The memo holds exactly these entries, each followed by a line break.
    void ShowMemoEntries(const std::vector<std::u16string>& entries);
    void ScrollMemoToTop();
    // Runs a handler as the framework runs event handlers: an exception that leaves it is
    // shown in the error box and goes no further.
    void RunHandler(void (TForm1::*handler)());

    UserDialogs& FDialogs;
    TDXShowReports FReports;
    // The window as the components see it; it owns the capture component.
    QtWinControl& FControl;
    // Children of the window, which Qt destroys with it.
    QFrame* FPanel1 = nullptr;
    TVQLangComboBox* FVQLangComboBox1 = nullptr;
    QPushButton* FButton1 = nullptr;
    QtMemo* FMemo1 = nullptr;
    TDXShowCapture* FCap = nullptr;
    std::unique_ptr<DeviceChangeWatch> FDeviceChanges;
};

}  // namespace capspect
