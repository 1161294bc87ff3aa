// The item combo box over the system's real combo box: the native list it relies on (the
// same contract the Linux double keeps), owner drawing through reflected WM_DRAWITEM,
// the captions answering CB_FINDSTRING, typing, the Delete key and the visual states.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/win32/VQComboBoxes.h"
#include "tests/controls/ComboListWindowContract.h"
#include "win32/Win32Controls.h"

namespace capspect {
namespace {

constexpr Win32Form::Design kTestForm{
    .className = L"CapspectComboTest",
    .caption = u"combo box test",
    .clientWidth = 300,
    .clientHeight = 200,
    .fontFace = L"Tahoma",
    .fontHeight = -11,
};

// A window and its messages for the length of a test.
class TestForm {
public:
    ~TestForm() {
        form.reset();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    std::unique_ptr<Win32Form> form = std::make_unique<Win32Form>(kTestForm);
};

// A plain owner-drawn combo box of the system's, as the control's window is made.
class NativeComboBox : public Win32Window {
public:
    explicit NativeComboBox(HWND parent) {
        Attach(CreateChildWindow(L"COMBOBOX", u"", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 0, parent,
                                 1));
    }
};

class RealComboList {
public:
    TComboListWindow& List() { return list_; }

private:
    TestForm window_;
    NativeComboBox comboBox_{window_.form->Handle()};
    ComboBoxList list_{comboBox_};
};

}  // namespace

namespace test {
INSTANTIATE_TYPED_TEST_SUITE_P(RealComboBox, ComboListContract, ::testing::Types<RealComboList>);
}  // namespace test

namespace {

class Win32ComboBoxTest : public ::testing::Test {
protected:
    void AddItems(std::initializer_list<std::pair<const char16_t*, const char16_t*>> items) {
        for (const auto& [caption, value] : items) {
            combo.Add(caption, value);
        }
    }

    TestForm window;
    Win32Panel panel{window.form->Handle(), 1};
    TVQLangComboBox combo{panel.Handle(), 2};
};

TEST_F(Win32ComboBoxTest, TheSystemAsksTheControlToDrawEveryEntry) {
    AddItems({{u"first", u"1"}, {u"second", u"2"}, {u"third", u"3"}});
    std::vector<int> drawn;
    combo.SetOnDrawItem([&](TVQLangComboBox& sender, int index, HDC, const RECT&, UINT state) {
        EXPECT_EQ(&sender, &combo);
        if ((state & ODS_COMBOBOXEDIT) == 0) {
            drawn.push_back(index);
        }
    });
    panel.SetBounds({0, 0, 300, 200});
    combo.SetBounds({10, 10, 150, 200});
    window.form->Show(SW_SHOWNOACTIVATE);
    SendMessageW(combo.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO layout{};
    layout.cbSize = sizeof layout;
    ASSERT_TRUE(GetComboBoxInfo(combo.Handle(), &layout));
    RedrawWindow(layout.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageW(combo.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    std::sort(drawn.begin(), drawn.end());
    drawn.erase(std::unique(drawn.begin(), drawn.end()), drawn.end());
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
}

// The picture the control draws for entry 0 when asked through its parent, as the system
// asks: a WM_DRAWITEM to the parent, reflected to the control.
std::vector<DWORD> DrawnEntry(const Win32Panel& parent, const TVQLangComboBox& combo) {
    constexpr int kWidth = 160;
    constexpr int kHeight = 16;
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    const HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT request{};
    request.CtlType = ODT_COMBOBOX;
    request.CtlID = static_cast<UINT>(GetDlgCtrlID(combo.Handle()));
    request.itemID = 0;
    request.itemAction = ODA_DRAWENTIRE;
    request.hwndItem = combo.Handle();
    request.hDC = dc;
    request.rcItem = RECT{0, 0, kWidth, kHeight};
    EXPECT_TRUE(SendMessageW(parent.Handle(), WM_DRAWITEM, request.CtlID,
                             reinterpret_cast<LPARAM>(&request)));
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> picture(pixels, pixels + kWidth * kHeight);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

TEST_F(Win32ComboBoxTest, DrawnCaptionsShowCustomValueForTheDecimalPlaceholder) {
    SendMessageW(combo.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(window.form->Font()), FALSE);
    combo.Add(u"Input %d", u"in");
    combo.SetCustomValue(3);
    const std::vector<DWORD> placeholder = DrawnEntry(panel, combo);
    combo.Items().Items(0).SetCaption(u"Input 3");
    EXPECT_EQ(DrawnEntry(panel, combo), placeholder);
    combo.Items().Items(0).SetCaption(u"Input 4");
    EXPECT_NE(DrawnEntry(panel, combo), placeholder) << "the picture shows the text";
    combo.Items().Items(0).SetCaption(u"Input %D");
    EXPECT_NE(DrawnEntry(panel, combo), placeholder) << "only \"%d\" is replaced";
}

// The control's closed face as it is on the screen after a repaint.
std::vector<DWORD> FacePicture(const TVQLangComboBox& combo) {
    RedrawWindow(combo.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(combo.Handle(), &client);
    BITMAPINFO format{};
    format.bmiHeader = {
        sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC window = GetDC(combo.Handle());
    const HDC dc = CreateCompatibleDC(window);
    const HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, client.right, client.bottom, window, 0, 0, SRCCOPY);
    ReleaseDC(combo.Handle(), window);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> picture(pixels, pixels + client.right * client.bottom);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

TEST_F(Win32ComboBoxTest, TheClosedFaceShowsTheSelectedCaption) {
    panel.SetBounds({0, 0, 300, 200});
    combo.SetBounds({10, 10, 150, 200});
    combo.SetFont(window.form->Font());
    window.form->Show(SW_SHOWNOACTIVATE);
    combo.Add(u"Input %d", u"in");
    combo.SetCustomValue(3);
    combo.SetItemIndexNr(0);
    const std::vector<DWORD> placeholder = FacePicture(combo);
    combo.Items().Items(0).SetCaption(u"Input 3");
    const std::vector<DWORD> number = FacePicture(combo);
    RecordProperty("themed", combo.Themed() ? "yes" : "no");
    if (combo.Themed()) {
        EXPECT_NE(placeholder, number) << "the themed face shows the caption as stored";
    } else {
        EXPECT_EQ(placeholder, number) << "the owner-drawn field shows CustomValue for %d";
    }
    combo.Items().Items(0).SetCaption(u"Input 4");
    EXPECT_NE(FacePicture(combo), number) << "the face shows the selected caption";
}

TEST_F(Win32ComboBoxTest, TheCaptionsAnswerTheListsFindString) {
    AddItems({{u"USB camera", u"a"},
              {u"PCI card", u"b"},
              {u"usb grabber", u"c"},
              {u"u", u"d"},
              {u"Firewire", u"e"}});
    const auto find = [&](int start, const wchar_t* text) {
        return static_cast<int>(SendMessageW(combo.Handle(), CB_FINDSTRING,
                                             static_cast<WPARAM>(start),
                                             reinterpret_cast<LPARAM>(text)));
    };
    EXPECT_EQ(find(-1, L"us"), 0);
    EXPECT_EQ(find(0, L"us"), 2) << "the search starts after the start";
    EXPECT_EQ(find(2, L"us"), 0) << "and wraps round";
    EXPECT_EQ(find(2, L""), 3) << "the empty text matches the entry after the start";
    EXPECT_EQ(find(-1, L"usb c"), 0);
    EXPECT_EQ(find(-1, L"firewire card"), -1) << "a caption shorter than the text never matches";
}

TEST_F(Win32ComboBoxTest, TypingSelectsByCaptionAndDeleteSelectsTheEmptyValue) {
    AddItems({{u"Lab camera", u"lab"}, {u"USB grabber", u"usb"}, {u"(none)", u""}});
    SendMessageW(combo.Handle(), WM_CHAR, L'u', 0);
    SendMessageW(combo.Handle(), WM_CHAR, L's', 0);
    EXPECT_EQ(combo.ItemIndex(), u"usb");
    SendMessageW(combo.Handle(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(combo.ItemIndexNr(), 2);
    EXPECT_EQ(combo.ItemIndex(), u"");
}

TEST_F(Win32ComboBoxTest, WindowEventsDriveTheVisualState) {
    combo.Add(u"only", u"1");
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::NotSet);
    SendMessageW(combo.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Hot);
    SendMessageW(combo.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Normal);
    EnableWindow(combo.Handle(), FALSE);
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Disabled);
    SendMessageW(combo.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Disabled) << "disabled stays disabled";
    EnableWindow(combo.Handle(), TRUE);
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Normal);
    // The list's notifications reach the control through its parent.
    SendMessageW(panel.Handle(), WM_COMMAND, MAKEWPARAM(2, CBN_DROPDOWN),
                 reinterpret_cast<LPARAM>(combo.Handle()));
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Pressed);
    SendMessageW(panel.Handle(), WM_COMMAND, MAKEWPARAM(2, CBN_CLOSEUP),
                 reinterpret_cast<LPARAM>(combo.Handle()));
    EXPECT_EQ(combo.Model().NewState(), TComboFaceState::Normal);
    if (combo.Themed()) {
        // A themed paint paints the new state and remembers it.
        panel.SetBounds({0, 0, 300, 200});
        combo.SetBounds({10, 10, 150, 200});
        window.form->Show(SW_SHOWNOACTIVATE);
        RedrawWindow(combo.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(combo.Model().CurrentState(), TComboFaceState::Normal);
    }
}

}  // namespace
}  // namespace capspect
