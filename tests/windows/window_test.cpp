// The main window on Win32, on the system's DirectShow with catalog devices: what
// FormCreate lists, the layout, what OK writes and asks, the clipboard, the error box, and
// devices that come and go.
#include <windows.h>

#include <dbt.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/backend.h"
#include "app/command_line.h"
#include "app/demo_catalog.h"
#include "app/win32/main_window.h"
#include "app/win32/user_dialogs.h"
#include "platform/devices/devenum.h"
#include "platform/support/unicode.h"

// Found by argument-dependent lookup: RECT is in the global namespace.
bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << '(' << r.left << ',' << r.top << ")-(" << r.right << ',' << r.bottom << ')';
}

namespace capspect {
namespace {

// Answers the questions the window puts to the user and records them.
class AnsweringDialogs : public UserDialogs {
public:
    struct Question {
        std::u16string caption;
        std::u16string text;
    };

    bool answer = false;
    std::vector<Question> questions;
    std::vector<std::u16string> messages;
    std::vector<std::u16string> exceptions;

    bool Confirm(HWND, std::u16string_view caption, std::u16string_view text) override {
        questions.push_back({std::u16string(caption), std::u16string(text)});
        return answer;
    }
    void ShowMessage(HWND, std::u16string_view text) override { messages.emplace_back(text); }
    void ShowException(HWND, std::u16string_view text) override { exceptions.emplace_back(text); }
};

std::filesystem::path TestData(const char* name) {
    const char* root = std::getenv("CAPSPECT_TEST_DATA");
    return std::filesystem::path(root != nullptr ? root : "tests/data") / "sim" / name;
}

// What `capspect report ARGS` prints, through the same command line as the program's.
std::string CommandOutput(const std::vector<std::string>& args) {
    StringOutput out;
    StringOutput err;
    EXPECT_EQ(RunCommandLine(args, out, err), ExitStatus::Success) << err.Text();
    return out.Text();
}

RECT Rect(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

class Win32WindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        window_.reset();
        backend_.reset();
        // The window's messages, and the quit message a destroyed main window posts.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }

    void Open(BackendOptions options) {
        StringOutput err;
        backend_ = Backend::Start(options, err);
        ASSERT_NE(backend_, nullptr) << err.Text();
        window_ = std::make_unique<TForm1>(dialogs_);
    }
    void OpenDemo() {
        BackendOptions options;
        options.demo = true;
        Open(options);
    }
    void OpenCatalog(const char* name) {
        BackendOptions options;
        options.devicesFile = TestData(name);
        Open(options);
    }

    TForm1& Window() { return *window_; }

    std::string MemoUtf8() { return Utf16ToUtf8(Window().MemoText()); }

    AnsweringDialogs dialogs_;
    std::unique_ptr<Backend> backend_;
    std::unique_ptr<TForm1> window_;
};

TEST_F(Win32WindowTest, FormCreateListsTheDevicesWithTheFirstSelected) {
    OpenDemo();
    const TDXShowCaptureDevices& devices = Window().Capture()->CaptureDevices();
    ASSERT_EQ(devices.Count(), 3);
    TVQLangComboBox& combo = Window().VQLangComboBox1();
    ASSERT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(SendMessageW(combo.Handle(), CB_GETCOUNT, 0, 0), 3) << "one native entry per item";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(combo.Items().Items(i).Caption(), devices.Items(i).Description());
        EXPECT_EQ(combo.Items().Items(i).Value(), devices.Items(i).DevicePath());
    }
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    EXPECT_EQ(combo.ItemIndex(), devices.Items(0).DevicePath());
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_TRUE(dialogs_.exceptions.empty());
}

TEST_F(Win32WindowTest, LaysTheControlsOutAsDesigned) {
    OpenDemo();
    // The test program has no manifest, so the system scales nothing: 96 dots per inch.
    ASSERT_EQ(Window().Dpi(), 96U);
    EXPECT_EQ(Window().Text(), u"Vidscope");
    RECT client{};
    GetClientRect(Window().Handle(), &client);
    EXPECT_EQ(client, Rect(0, 0, 700, 383));
    EXPECT_EQ(Window().Panel1().BoundsInParent(), Rect(0, 0, 700, 33));
    EXPECT_EQ(Window().VQLangComboBox1().BoundsInParent(), Rect(16, 8, 201, 22))
        << "the closed face: an item height of 16 gives the designed 22 pixels";
    EXPECT_EQ(Window().Button1().BoundsInParent(), Rect(232, 8, 75, 22));
    EXPECT_EQ(Window().Button1().Text(), u"OK");
    EXPECT_EQ(Window().Memo1().BoundsInParent(), Rect(0, 33, 700, 350));

    const auto style = GetWindowLongPtrW(Window().Memo1().Handle(), GWL_STYLE);
    EXPECT_NE(style & ES_MULTILINE, 0);
    EXPECT_NE(style & WS_VSCROLL, 0);
    EXPECT_EQ(style & WS_HSCROLL, 0);
    EXPECT_EQ(style & ES_READONLY, 0);
    const auto comboStyle = GetWindowLongPtrW(Window().VQLangComboBox1().Handle(), GWL_STYLE);
    EXPECT_EQ(comboStyle & 0xF, CBS_DROPDOWNLIST);
    EXPECT_NE(comboStyle & CBS_OWNERDRAWFIXED, 0);
    EXPECT_EQ(comboStyle & CBS_HASSTRINGS, 0);

    LOGFONTW font{};
    const auto handle =
        reinterpret_cast<HFONT>(SendMessageW(Window().Memo1().Handle(), WM_GETFONT, 0, 0));
    ASSERT_NE(GetObjectW(handle, sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");

    // A larger window gives the text area the room; the panel keeps its height.
    RECT frame = Rect(0, 0, 900, 500);
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(Window().Handle(), GWL_STYLE)),
                       FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Window().Handle(), GWL_EXSTYLE)));
    SetWindowPos(Window().Handle(), nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Window().Panel1().BoundsInParent(), Rect(0, 0, 900, 33));
    EXPECT_EQ(Window().Memo1().BoundsInParent(), Rect(0, 33, 900, 467));
}

TEST_F(Win32WindowTest, OkWritesWhatTheReportCommandPrintsAndAsksOnce) {
    const std::string expected = CommandOutput({"report", "--demo"});
    ASSERT_GT(expected.size(), 1000U);
    OpenDemo();
    Window().Button1().Click();
    EXPECT_EQ(MemoUtf8(), expected);
    ASSERT_EQ(dialogs_.questions.size(), 1U);
    EXPECT_EQ(dialogs_.questions[0].caption, u"Confirm");
    EXPECT_EQ(dialogs_.questions[0].text, u"Ergebnis in Zwischenablage kopieren?");
    EXPECT_EQ(Window().Memo1().FirstVisibleLine(), 0) << "the report shows its first line";

    // OK again gives the same report, not a doubled one; another device its own.
    Window().Button1().Click();
    EXPECT_EQ(MemoUtf8(), expected);
    const std::u16string second = Window().VQLangComboBox1().Items().Items(1).Value();
    Window().VQLangComboBox1().SetItemIndexNr(1);
    Window().Button1().Click();
    EXPECT_EQ(MemoUtf8(), CommandOutput({"report", "--demo", Utf16ToUtf8(second)}));
    EXPECT_EQ(dialogs_.questions.size(), 3U);
    EXPECT_TRUE(dialogs_.exceptions.empty());
}

TEST_F(Win32WindowTest, YesPutsTheWholeReportOnTheClipboardNoLeavesIt) {
    OpenDemo();
    ASSERT_TRUE(SetClipboardText(Window().Handle(), u"before"));
    dialogs_.answer = false;
    Window().Button1().Click();
    EXPECT_EQ(ClipboardText(), u"before");

    dialogs_.answer = true;
    Window().Button1().Click();
    const std::u16string copied = ClipboardText();
    EXPECT_EQ(copied, Window().MemoText());
    EXPECT_GT(copied.size(), 1000U);
    EXPECT_TRUE(copied.ends_with(u"------------------------------------------------------\r\n"));
}

TEST_F(Win32WindowTest, ARefusedFormatShowsTheErrorBoxAndKeepsThePreviousReport) {
    OpenCatalog("refusing_card.json");
    TVQLangComboBox& combo = Window().VQLangComboBox1();
    ASSERT_EQ(combo.GetCount(), 2);
    Window().Button1().Click();
    const std::u16string report = Window().MemoText();
    ASSERT_FALSE(report.empty());
    ASSERT_EQ(dialogs_.questions.size(), 1U);

    combo.SetItemIndexNr(1);  // the card that refuses every format
    Window().Button1().Click();
    ASSERT_EQ(dialogs_.exceptions.size(), 1U);
    EXPECT_NE(dialogs_.exceptions[0].find(u"($80040200)"), std::u16string::npos)
        << Utf16ToUtf8(dialogs_.exceptions[0]);
    EXPECT_EQ(Window().MemoText(), report) << "the previous report stays";
    EXPECT_EQ(dialogs_.questions.size(), 1U) << "no question after a failed render";

    // The window stays usable.
    combo.SetItemIndexNr(0);
    Window().Button1().Click();
    EXPECT_EQ(Window().MemoText(), report);
    EXPECT_EQ(dialogs_.questions.size(), 2U);
}

// A class object that stands in for a system class for this process and makes nothing, as
// if the class were not registered.
class UnregisteredClass final : public IClassFactory {
public:
    explicit UnregisteredClass(REFCLSID clsid) {
        registered_ =
            CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    }
    ~UnregisteredClass() {
        if (SUCCEEDED(registered_)) {
            CoRevokeClassObject(cookie_);
        }
    }
    HRESULT Registered() const { return registered_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack, revoked before it goes.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** object) override {
        *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    HRESULT registered_;
    DWORD cookie_ = 0;
};

TEST_F(Win32WindowTest, WithoutCaptureGraphBuilderTheWindowOpensEmptyAndOkStillAsks) {
    StringOutput err;
    BackendOptions options;
    options.demo = true;
    backend_ = Backend::Start(options, err);
    ASSERT_NE(backend_, nullptr) << err.Text();
    const UnregisteredClass noBuilder(CLSID_CaptureGraphBuilder2);
    ASSERT_EQ(noBuilder.Registered(), S_OK);
    window_ = std::make_unique<TForm1>(dialogs_);

    ASSERT_EQ(dialogs_.exceptions.size(), 1U) << "FormCreate's exception in the error box";
    EXPECT_EQ(Window().Capture(), nullptr);
    EXPECT_EQ(Window().VQLangComboBox1().GetCount(), 0);
    Window().Button1().Click();
    EXPECT_EQ(Window().MemoText(), u"");
    EXPECT_EQ(dialogs_.questions.size(), 1U);
    EXPECT_EQ(dialogs_.exceptions.size(), 1U);
    window_.reset();  // before the class object goes
}

TEST_F(Win32WindowTest, AnotherDpiScalesTheLayoutAndTheFont) {
    OpenDemo();
    // What the system sends when the window moves to a monitor at 150 %.
    RECT suggested = Rect(50, 50, 1100, 640);
    SendMessageW(Window().Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(Window().Dpi(), 144U);
    RECT client{};
    GetClientRect(Window().Handle(), &client);
    EXPECT_EQ(Window().Panel1().BoundsInParent(), Rect(0, 0, client.right, 50));
    EXPECT_EQ(Window().Button1().BoundsInParent(), Rect(348, 12, 113, 33));
    const RECT combo = Window().VQLangComboBox1().BoundsInParent();
    EXPECT_EQ(combo.left, 24);
    EXPECT_EQ(combo.top, 12);
    EXPECT_EQ(combo.right - combo.left, 302);
    EXPECT_EQ(Window().VQLangComboBox1().ItemHeight(), 24);
    EXPECT_EQ(Window().Memo1().BoundsInParent(), Rect(0, 50, client.right, client.bottom - 50));
    LOGFONTW font{};
    const auto handle =
        reinterpret_cast<HFONT>(SendMessageW(Window().Button1().Handle(), WM_GETFONT, 0, 0));
    ASSERT_NE(GetObjectW(handle, sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, -17) << "-11 at 96 dots per inch";
}

// A capture device's arrival or removal as the system announces it to a registered window.
void AnnounceDeviceChange(const DeviceChangeWatch& watch, WPARAM event) {
    DEV_BROADCAST_DEVICEINTERFACE_W record{};
    record.dbcc_size = sizeof record;
    record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record.dbcc_classguid = AM_KSCATEGORY_CAPTURE;
    SendMessageW(watch.Window(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record));
}

TEST_F(Win32WindowTest, FollowsDevicesThatComeAndGo) {
    OpenDemo();
    const DeviceChangeWatch* watch = Window().DeviceChanges();
    ASSERT_NE(watch, nullptr);
    TVQLangComboBox& combo = Window().VQLangComboBox1();
    combo.SetItemIndexNr(2);
    const std::u16string chosen = combo.ItemIndex();

    // The same devices announced again: the choice stays.
    AnnounceDeviceChange(*watch, DBT_DEVICEARRIVAL);
    ASSERT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.ItemIndex(), chosen);

    // Other devices: the chosen one is gone, so the first is chosen.
    StringOutput err;
    std::optional<sim::Catalog> other = LoadChosenCatalog(TestData("refusing_card.json"), err);
    ASSERT_TRUE(other) << err.Text();
    sim::InstallCatalog(std::move(*other));
    AnnounceDeviceChange(*watch, DBT_DEVICEREMOVECOMPLETE);
    ASSERT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.Items().Items(1).Caption(), u"Refusing Card");
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    EXPECT_EQ(SendMessageW(combo.Handle(), CB_GETCOUNT, 0, 0), 2);

    // Other notifications are not device changes.
    sim::InstallCatalog(LoadDemoCatalog());
    SendMessageW(watch->Window(), WM_DEVICECHANGE, DBT_CONFIGCHANGED, 0);
    EXPECT_EQ(combo.GetCount(), 2);
}

}  // namespace
}  // namespace capspect
