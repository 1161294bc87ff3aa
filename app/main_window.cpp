#include "app/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>
#include <optional>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/backend.h"
#include "app/device_change_watch.h"
#include "app/format_report.h"
#include "app/user_dialogs.h"
#include "app/window_steps.h"
#include "controls/VQComboBoxes.h"
#include "qt/QtMemo.h"
#include "qt/QtWinControl.h"

namespace capspect {
namespace {

constexpr int kClientWidth = 700;
constexpr int kClientHeight = 383;
constexpr int kPanelHeight = 33;

// Tahoma at 11 pixels (8 point at 96 pixels per inch) where it is installed; the
// desktop's default font otherwise.
void UseWindowFont(QWidget& window) {
    const QString family = QStringLiteral("Tahoma");
    if (!QFontDatabase::families().contains(family)) {
        return;
    }
    QFont font(family);
    font.setPixelSize(11);
    window.setFont(font);
}

QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

}  // namespace

TForm1::TForm1(UserDialogs& dialogs, TDXShowReports reports, QWidget* parent)
    : QWidget(parent),
      FDialogs(dialogs),
      FReports(std::move(reports)),
      FControl(QtWinControl::For(*this)) {
    setWindowTitle(QStringLiteral("Vidscope"));
    UseWindowFont(*this);
    BuildControls();
    resize(kClientWidth, kClientHeight);
    RunHandler(&TForm1::FormCreate);
}

TForm1::~TForm1() {
    FDeviceChanges.reset();
    // The component goes while the window is still whole, not among Qt's children later.
    if (FCap != nullptr) {
        FControl.DestroyComponent(*FCap);
    }
}

void TForm1::BuildControls() {
    FPanel1 = new QFrame(this);
    FPanel1->setFrameShape(QFrame::NoFrame);
    FPanel1->setFixedHeight(kPanelHeight);

    FVQLangComboBox1 = new TVQLangComboBox(FPanel1);
    FVQLangComboBox1->setGeometry(16, 8, 201, 22);

    FButton1 = new QPushButton(QStringLiteral("OK"), FPanel1);
    FButton1->setGeometry(232, 8, 75, 22);
    connect(FButton1, &QPushButton::clicked, this, [this] { RunHandler(&TForm1::Button1Click); });

    FMemo1 = new QtMemo(this);
    FMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FPanel1);
    layout->addWidget(FMemo1, 1);
}

void TForm1::FormCreate() {
    FCap = &TComponent::CreateOwned<TDXShowCapture>(FControl, FReports);
    ShowDeviceEnumerationFailures();
    ListDevices(FCap->CaptureDevices(), FVQLangComboBox1->Model());
    FollowDeviceChanges();
}

void TForm1::FollowDeviceChanges() {
    // The component rereads its list when its graph loses its device; the platform's
    // device notifications cover devices no graph holds (one plugged in, for instance).
    FCap->CaptureDevices().OnChange = [this] {
        RelistDevices(FCap->CaptureDevices(), FVQLangComboBox1->Model());
    };
    FDeviceChanges = std::make_unique<DeviceChangeWatch>([this] {
        if (FCap != nullptr) {
            FCap->CaptureDevices().Refresh();
        }
    });
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
        FDialogs.ShowMessage(this, ToQString(message));
    };
    if (devices.Count() == 0) {
        devices.Refresh();
    }
}

void TForm1::Button1Click() {
    // Without a capture component (its creation failed) there is nothing to render and
    // the report is empty, as it is for a device without formats.
    TakeDeviceFailures();  // those of earlier renders were shown then
    if (FCap != nullptr) {
        RenderDeviceForReport(*FCap, FVQLangComboBox1->ItemIndex());
    }
    ShowMemoEntries(FCap != nullptr ? FormatReportEntries(FCap->OutputFormats())
                                    : std::vector<std::u16string>{});
    ScrollMemoToTop();
    ShowDeviceFailures();
    if (FDialogs.Confirm(this, ToQString(kCopyQuestionCaption), ToQString(kCopyQuestion))) {
        QApplication::clipboard()->setText(ToQString(MemoText()));
    }
}

void TForm1::ShowDeviceFailures() {
    if (const std::optional<std::u16string> failure = PassOnDeviceFailures(FReports)) {
        FDialogs.ShowException(this, ToQString(*failure));
    }
}

void TForm1::ShowMemoEntries(const std::vector<std::u16string>& entries) {
    // One text for the whole memo, which lays out only the lines it shows.
    FMemo1->SetText(ToQString(JoinReportEntries(entries)));
}

void TForm1::ScrollMemoToTop() {
    FMemo1->SetCaretPosition(0);
    FMemo1->ScrollToTop();
}

std::u16string TForm1::MemoText() const {
    QString text = FMemo1->Text();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text.toStdU16String();
}

void TForm1::RunHandler(void (TForm1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& error) {
        FDialogs.ShowException(this, QString::fromStdU16String(ExceptionMessage(error)));
    }
}

}  // namespace capspect
