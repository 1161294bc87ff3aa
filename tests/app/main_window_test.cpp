#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFrame>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "Components/VQDirectShow/DXShowErrors.h"
#include "app/backend.h"
#include "app/command_line.h"
#include "app/format_report.h"
#include "app/user_dialogs.h"
#include "controls/VQComboBoxes.h"
#include "platform/devices/devenum.h"
#include "platform/devices/device_presence.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "platform/linux/com.h"
#include "platform/linux/messages.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/messages.h"
#include "platform/support/comptr.h"
#include "platform/support/unicode.h"
#include "qt/MessagePump.h"
#include "qt/QtMemo.h"
#include "tests/support/fake_v4l2_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/v4l2/fixtures.h"

namespace capspect {
namespace {

using nlohmann::json;

// Answers the questions the window puts to the user and records them.
class AnsweringDialogs : public UserDialogs {
public:
    struct Question {
        QString caption;
        QString text;
    };

    bool answer = false;
    std::vector<Question> questions;
    std::vector<QString> messages;
    std::vector<QString> exceptions;

    bool Confirm(QWidget*, const QString& caption, const QString& text) override {
        questions.push_back({caption, text});
        return answer;
    }
    void ShowMessage(QWidget*, const QString& text) override { messages.push_back(text); }
    void ShowException(QWidget*, const QString& text) override { exceptions.push_back(text); }
};

json Capability(int width, int height, const char* subtype, int frameInterval = 333333) {
    const json size = {width, height};
    const int bitsPerSecond = width * height * 16 * 25;
    return {{"caps",
             {{"guid", "FORMAT_Vidscope"},
              {"InputSize", size},
              {"MinOutputSize", size},
              {"MaxOutputSize", size},
              {"OutputGranularityX", 1},
              {"OutputGranularityY", 1},
              {"MinFrameInterval", frameInterval},
              {"MaxFrameInterval", 2 * frameInterval},
              {"MinBitsPerSecond", bitsPerSecond / 2},
              {"MaxBitsPerSecond", bitsPerSecond}}},
            {"mediaType",
             {{"majortype", "MEDIATYPE_Video"},
              {"subtype", subtype},
              {"formattype", "FORMAT_Vidscope"},
              {"AvgTimePerFrame", frameInterval},
              {"biWidth", width},
              {"biHeight", height},
              {"biBitCount", 16}}}};
}

json Device(const char* description, const char* path, json capabilities, json pinFaults = {}) {
    json pin = {{"name", "Capture"},
                {"direction", "output"},
                {"category", "PIN_CATEGORY_CAPTURE"},
                {"streamConfig", {{"current", 0}, {"capabilities", std::move(capabilities)}}}};
    if (!pinFaults.is_null()) {
        pin["faults"] = std::move(pinFaults);
    }
    return {{"category", "video"},
            {"properties",
             {{"FriendlyName", description},
              {"Description", description},
              {"DevicePath", path},
              {"CLSID", "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"}}},
            {"pins", json::array({std::move(pin)})}};
}

const json kLabCamera = Device(
    "Lab Camera", R"(\\?\usb#lab)",
    json::array(
        {Capability(640, 480, "MEDIASUBTYPE_YUY2"), Capability(320, 240, "MEDIASUBTYPE_YUY2"),
         Capability(1280, 720, "MEDIASUBTYPE_YUY2"), Capability(160, 120, "MEDIASUBTYPE_MJPG")}));
const json kSecondGrabber = Device("Second Grabber", R"(\\?\pci#grabber)",
                                   json::array({Capability(352, 288, "MEDIASUBTYPE_YUY2")}));
// Offers the PAL and NTSC television formats, one of which the capture component switches
// to whatever the locale, and refuses both.
const json kRefusingCard = Device("Refusing Card", R"(\\?\pci#refusing)",
                                  json::array({Capability(720, 576, "MEDIASUBTYPE_UYVY", 400000),
                                               Capability(720, 480, "MEDIASUBTYPE_UYVY", 333667)}),
                                  {{"SetFormat", "VFW_E_INVALIDMEDIATYPE"}});

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the text does not end with CR LF";
    return lines;
}

class MainWindowTest : public ::testing::Test {
protected:
    void Open(const json& devices) {
        StartBackend(devices);
        window_ = std::make_unique<TForm1>(dialogs_);
        window_->show();
    }

    void StartBackend(const json& devices) {
        const std::string text = json{{"devices", devices}}.dump();
        catalogFile_ =
            dir_.Write("devices.json", std::vector<std::uint8_t>(text.begin(), text.end()));
        BackendOptions options;
        options.devicesFile = catalogFile_;
        StringOutput err;
        backend_ = Backend::Start(options, err);
        ASSERT_TRUE(backend_) << err.Text();
    }

    TForm1& Window() { return *window_; }

    void PressOk() { Window().Button1().click(); }

    // What `capspect report` prints for the device, in the same catalog.
    std::string ReportCommandOutput(const std::string& devicePath) {
        StringOutput out;
        StringOutput err;
        std::vector<std::string> args = {"report", "--devices", catalogFile_.string()};
        if (!devicePath.empty()) {
            args.push_back(devicePath);
        }
        EXPECT_EQ(RunCommandLine(args, out, err), ExitStatus::Success) << err.Text();
        return out.Text();
    }

    void TearDown() override {
        window_.reset();
        backend_.reset();
    }

    test::TempDir dir_;
    std::filesystem::path catalogFile_;
    std::unique_ptr<Backend> backend_;
    AnsweringDialogs dialogs_;
    std::unique_ptr<TForm1> window_;
};

TEST(ErrorBoxTest, ShowsTheFrameworksTextAndEndsItWithAFullStop) {
    EXPECT_EQ(ExceptionMessage(EDShowError(E_FAIL, u"Gerät weg")), u"Gerät weg");
    EXPECT_EQ(ExceptionMessage(std::runtime_error("plain")), u"plain");
    EXPECT_EQ(ExceptionBoxText(u"Refused"), u"Refused.");
    EXPECT_EQ(ExceptionBoxText(u"Refused."), u"Refused.");
    // A message ending in a character before '.' in code order stays as it is.
    EXPECT_EQ(ExceptionBoxText(u"Refused!"), u"Refused!");
    EXPECT_EQ(ExceptionBoxText(u"($80040200)"), u"($80040200)");
    EXPECT_EQ(ExceptionBoxText(u""), u"");
}

TEST_F(MainWindowTest, LaysOutThePanelComboBoxButtonAndMemo) {
    Open(json::array({kLabCamera}));
    EXPECT_EQ(Window().windowTitle(), QStringLiteral("Vidscope"));
    EXPECT_EQ(Window().size(), QSize(700, 383));
    EXPECT_EQ(Window().Panel1().geometry(), QRect(0, 0, 700, 33));
    EXPECT_EQ(Window().VQLangComboBox1().geometry(), QRect(16, 8, 201, 22));
    EXPECT_EQ(Window().Button1().geometry(), QRect(232, 8, 75, 22));
    EXPECT_EQ(Window().Button1().text(), QStringLiteral("OK"));
    EXPECT_EQ(Window().Memo1().geometry(), QRect(0, 33, 700, 350));
    EXPECT_EQ(Window().Memo1().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(Window().Memo1().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(Window().Memo1().ReadOnly());
    // Resizing keeps the panel on top and gives the memo the rest.
    Window().resize(900, 500);
    EXPECT_EQ(Window().Panel1().geometry(), QRect(0, 0, 900, 33));
    EXPECT_EQ(Window().Memo1().geometry(), QRect(0, 33, 900, 467));
}

TEST_F(MainWindowTest, ListsTheDevicesInEnumerationOrderWithTheFirstSelected) {
    Open(json::array({kLabCamera, kSecondGrabber}));
    TVQLangComboBox& combo = Window().VQLangComboBox1();
    ASSERT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.Items().Items(0).Caption(), u"Lab Camera");
    EXPECT_EQ(combo.Items().Items(0).Value(), uR"(\\?\usb#lab)");
    EXPECT_EQ(combo.Items().Items(1).Caption(), u"Second Grabber");
    EXPECT_EQ(combo.Items().Items(1).Value(), uR"(\\?\pci#grabber)");
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_TRUE(dialogs_.exceptions.empty());
}

std::vector<std::u16string> Captions(TVQLangComboBox& combo) {
    std::vector<std::u16string> captions;
    for (int i = 0; i < combo.GetCount(); ++i) {
        captions.push_back(combo.Items().Items(i).Caption());
    }
    return captions;
}

TEST_F(MainWindowTest, DeviceListFollowsDevicesThatComeAndGoKeepingTheChoice) {
    Open(json::array({kLabCamera, kSecondGrabber}));
    TVQLangComboBox& combo = Window().VQLangComboBox1();
    combo.SetItemIndexNr(1);
    const sim::CatalogDevice lab = sim::InstalledCatalog()->devices.at(0);

    // No graph holds the camera: the window hears of it through device notifications.
    ASSERT_TRUE(sim::UnplugDevice(uR"(\\?\usb#lab)"));
    ProcessMessagesUntilIdle();
    EXPECT_EQ(Captions(combo), std::vector<std::u16string>{u"Second Grabber"});
    EXPECT_EQ(combo.ItemIndex(), uR"(\\?\pci#grabber)");

    sim::PlugDevice(lab);
    ProcessMessagesUntilIdle();
    EXPECT_EQ(Captions(combo), (std::vector<std::u16string>{u"Second Grabber", u"Lab Camera"}));
    EXPECT_EQ(combo.ItemIndex(), uR"(\\?\pci#grabber)");
    EXPECT_EQ(Window().Capture()->CaptureDevices().Count(), 2);
    EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainWindowTest, LosingTheReportedDeviceStopsItsGraphAndChoosesTheFirstLeft) {
    Open(json::array({kLabCamera, kSecondGrabber}));
    PressOk();
    ASSERT_TRUE(Window().Capture()->Cap());
    ASSERT_TRUE(sim::UnplugDevice(uR"(\\?\usb#lab)"));
    ProcessMessagesUntilIdle();
    EXPECT_FALSE(Window().Capture()->Cap());
    TVQLangComboBox& combo = Window().VQLangComboBox1();
    EXPECT_EQ(Captions(combo), std::vector<std::u16string>{u"Second Grabber"});
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    // The report goes on with what is there.
    PressOk();
    EXPECT_EQ(Utf16ToUtf8(Window().MemoText()), ReportCommandOutput(R"(\\?\pci#grabber)"));
}

TEST_F(MainWindowTest, FourFormatsGiveFourBlocksEachFollowedByTheSeparator) {
    Open(json::array({kLabCamera, kSecondGrabber}));
    PressOk();

    const std::vector<std::u16string> lines = Lines(Window().MemoText());
    const std::u16string separator(54, u'-');
    std::vector<std::u16string> formatLines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == separator) {
            ASSERT_GT(i, 0U);
            formatLines.push_back(lines[i - 1]);
        }
    }
    ASSERT_EQ(formatLines.size(), 4U);
    EXPECT_EQ(lines.back(), separator);
    // The media-type line before each separator names the format, in list order.
    const std::vector<std::u16string> sizes = {u"640x480", u"320x240", u"1280x720", u"160x120"};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_TRUE(formatLines[i].starts_with(sizes[i])) << Utf16ToUtf8(formatLines[i]);
    }
    // The window holds byte for byte what the command line reports for the device.
    EXPECT_EQ(Utf16ToUtf8(Window().MemoText()), ReportCommandOutput(""));
}

TEST_F(MainWindowTest, ReportsTheSelectedDevice) {
    Open(json::array({kLabCamera, kSecondGrabber}));
    Window().VQLangComboBox1().SetItemIndexNr(1);
    PressOk();
    EXPECT_EQ(Utf16ToUtf8(Window().MemoText()), ReportCommandOutput(R"(\\?\pci#grabber)"));
    EXPECT_EQ(Lines(Window().MemoText()).back(), std::u16string(54, u'-'));
}

TEST_F(MainWindowTest, AfterOkTheMemoShowsItsFirstLine) {
    Open(json::array({kLabCamera}));
    PressOk();
    QtMemo& memo = Window().Memo1();
    ASSERT_GT(memo.verticalScrollBar()->maximum(), 0) << "the report should not fit the memo";
    EXPECT_EQ(memo.verticalScrollBar()->value(), 0);
    EXPECT_EQ(memo.LineAt(QPoint(4, 4)), 0);
}

TEST_F(MainWindowTest, AsksTheQuestionAndNoLeavesTheClipboardUnchanged) {
    Open(json::array({kLabCamera}));
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    dialogs_.answer = false;
    PressOk();
    ASSERT_EQ(dialogs_.questions.size(), 1U);
    EXPECT_EQ(dialogs_.questions[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(dialogs_.questions[0].text, QStringLiteral("Ergebnis in Zwischenablage kopieren?"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

// What a user selects and copies from the memo has a line break wherever the report has
// one, and nothing else in between.
TEST_F(MainWindowTest, TextCopiedFromTheMemoHasTheReportsLines) {
    Open(json::array({kLabCamera}));
    PressOk();
    Window().Memo1().SelectAll();
    Window().Memo1().Copy();
    QString copied = QApplication::clipboard()->text();
    copied.replace(u'\n', QStringLiteral("\r\n"));
    EXPECT_EQ(copied.toStdString(), ReportCommandOutput(""));
}

TEST_F(MainWindowTest, YesPutsTheExactReportOnTheClipboard) {
    Open(json::array({kLabCamera}));
    dialogs_.answer = true;
    PressOk();
    const std::string clipboard = QApplication::clipboard()->text().toStdString();
    EXPECT_EQ(clipboard, ReportCommandOutput(""));
    // Every line break is CR LF.
    for (std::size_t at = clipboard.find('\n'); at != std::string::npos;
         at = clipboard.find('\n', at + 1)) {
        ASSERT_GT(at, 0U);
        ASSERT_EQ(clipboard[at - 1], '\r') << "line break at " << at;
    }
}

TEST_F(MainWindowTest, OkTwiceGivesTheSameReportNotADoubledOne) {
    Open(json::array({kLabCamera}));
    PressOk();
    const std::u16string first = Window().MemoText();
    PressOk();
    EXPECT_EQ(Window().MemoText(), first);
    EXPECT_EQ(dialogs_.questions.size(), 2U);
}

TEST_F(MainWindowTest, WithoutDevicesOkWritesNothingAndStillAsks) {
    Open(json::array());
    EXPECT_EQ(Window().VQLangComboBox1().GetCount(), 0);
    EXPECT_EQ(Window().VQLangComboBox1().ItemIndexNr(), -1);
    QApplication::clipboard()->setText(QStringLiteral("old"));
    dialogs_.answer = true;
    PressOk();
    EXPECT_EQ(Window().MemoText(), u"");
    EXPECT_EQ(dialogs_.questions.size(), 1U);
    EXPECT_EQ(QApplication::clipboard()->text(), QString());
}

TEST_F(MainWindowTest, ARefusedFormatShowsTheErrorAndKeepsThePreviousReport) {
    Open(json::array({kLabCamera, kRefusingCard}));
    PressOk();
    const std::u16string previous = Window().MemoText();
    ASSERT_FALSE(previous.empty());

    Window().VQLangComboBox1().SetItemIndexNr(1);
    PressOk();

    ASSERT_EQ(dialogs_.exceptions.size(), 1U);
    EXPECT_TRUE(dialogs_.exceptions[0].contains(QStringLiteral("($80040200)")))
        << dialogs_.exceptions[0].toStdString();
    EXPECT_EQ(Window().MemoText(), previous);
    EXPECT_EQ(dialogs_.questions.size(), 1U) << "no question after the failure";
}

TEST_F(MainWindowTest, AnEnumeratorThatCannotBeCreatedIsShownInAMessageBox) {
    StartBackend(json::array({kLabCamera}));
    ClassRegistry::Instance().Revoke(CLSID_SystemDeviceEnum);
    window_ = std::make_unique<TForm1>(dialogs_);

    EXPECT_EQ(dialogs_.messages,
              std::vector<QString>{QStringLiteral("Class not registered Reason: ($80040154).")});
    EXPECT_TRUE(dialogs_.exceptions.empty());
    ASSERT_NE(Window().Capture(), nullptr);
    EXPECT_EQ(Window().VQLangComboBox1().GetCount(), 0);
}

TEST_F(MainWindowTest, WithoutCaptureGraphBuilderTheWindowOpensEmptyAndOkStillAsks) {
    StartBackend(json::array({kLabCamera}));
    ClassRegistry::Instance().Revoke(CLSID_CaptureGraphBuilder2);
    window_ = std::make_unique<TForm1>(dialogs_);

    ASSERT_EQ(dialogs_.exceptions.size(), 1U);
    EXPECT_EQ(Window().Capture(), nullptr);
    EXPECT_EQ(Window().VQLangComboBox1().GetCount(), 0);

    dialogs_.answer = false;
    PressOk();
    EXPECT_EQ(Window().MemoText(), u"");
    EXPECT_EQ(dialogs_.questions.size(), 1U);
    EXPECT_EQ(dialogs_.exceptions.size(), 1U);
}

TEST_F(MainWindowTest, GraphNotificationsReachTheComponentWhileTheWindowRuns) {
    Open(json::array({kLabCamera}));
    const QtMessagePump pump;
    PressOk();
    TDXShowCapture& capture = *Window().Capture();
    QEventLoop loop;
    int finished = 0;
    capture.SetOnFinished([&](TComponent&) {
        ++finished;
        loop.quit();
    });
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(capture.Graph().As(&sink), S_OK);
    // Sent from inside the running loop, as the graph would while the window is up.
    QTimer::singleShot(0, [&] { sink->Notify(EC_COMPLETE, 0, 0); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(30000);
    loop.exec();
    EXPECT_EQ(finished, 1);
}

// Records the order in which the window puts its dialogs up.
class OrderedDialogs : public AnsweringDialogs {
public:
    std::vector<std::string> order;

    bool Confirm(QWidget* parent, const QString& caption, const QString& text) override {
        order.push_back("question");
        return AnsweringDialogs::Confirm(parent, caption, text);
    }
    void ShowException(QWidget* parent, const QString& text) override {
        order.push_back("error box");
        AnsweringDialogs::ShowException(parent, text);
    }
};

std::size_t SeparatorCount(const std::u16string& text) {
    const std::u16string line = std::u16string(kReportSeparator) + u"\r\n";
    std::size_t count = 0;
    for (std::size_t at = text.find(line); at != std::u16string::npos;
         at = text.find(line, at + line.size())) {
        ++count;
    }
    return count;
}

TEST(MainWindowDeviceFailure, ShowsWhatWasReadThenTheFailureBeforeTheQuestion) {
    test::FakeV4l2Tree tree;
    tree.AddNode("video0", v4l2::testing::LoadRecording("vivid.json"));
    v4l2::StartV4l2Platform(tree.Roots(), tree.Opener());
    tree.PrepareNextOpen("video0", [](v4l2::RecordedDevice& device) {
        device.FailCall(v4l2::Ioctl::EnumFmt, 40, EIO);
    });
    OrderedDialogs dialogs;
    {
        TForm1 window(dialogs);
        window.show();
        window.Button1().click();
        EXPECT_EQ(SeparatorCount(window.MemoText()), 40u * 6u) << "the formats that were read";
        const QString failure = QString::fromStdString(
            tree.Dev("video0").string() + ": VIDIOC_ENUM_FMT, index 40: " + std::strerror(EIO));
        EXPECT_EQ(dialogs.exceptions, std::vector<QString>{failure});
        EXPECT_EQ(dialogs.order, (std::vector<std::string>{"error box", "question"}));

        // The device answers in full the next time: no error box, nothing left over.
        dialogs.order.clear();
        window.Button1().click();
        EXPECT_EQ(SeparatorCount(window.MemoText()), 83u * 6u);
        EXPECT_EQ(dialogs.order, std::vector<std::string>{"question"});
    }
}

}  // namespace
}  // namespace capspect
