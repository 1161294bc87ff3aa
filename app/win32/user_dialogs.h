// The questions and messages the main window puts to the user, as the system's message
// boxes. The window asks through this interface so that tests can answer instead of a
// person.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace capspect {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A confirmation with the buttons Yes and No; true for Yes.
    virtual bool Confirm(HWND owner, std::u16string_view caption, std::u16string_view text) = 0;
    // A plain message with an OK button.
    virtual void ShowMessage(HWND owner, std::u16string_view text) = 0;
    // The error box for an exception that reached the window.
    virtual void ShowException(HWND owner, std::u16string_view text) = 0;
};

// The dialogs as the system's message boxes. Boxes without a caption of their own take
// the application's.
class MessageBoxDialogs : public UserDialogs {
public:
    explicit MessageBoxDialogs(std::u16string applicationCaption)
        : applicationCaption_(std::move(applicationCaption)) {}

    bool Confirm(HWND owner, std::u16string_view caption, std::u16string_view text) override;
    void ShowMessage(HWND owner, std::u16string_view text) override;
    void ShowException(HWND owner, std::u16string_view text) override;

private:
    std::u16string applicationCaption_;
};

}  // namespace capspect
