#include "app/win32/user_dialogs.h"

#include "framework/Exceptions.h"
#include "platform/support/wide_string.h"

namespace capspect {
namespace {

int ShowBox(HWND owner, std::u16string_view caption, std::u16string_view text, UINT type) {
    const std::u16string terminatedCaption(caption);
    const std::u16string terminatedText(text);
    return MessageBoxW(owner, WideText(terminatedText), WideText(terminatedCaption), type);
}

}  // namespace

bool MessageBoxDialogs::Confirm(HWND owner, std::u16string_view caption, std::u16string_view text) {
    return ShowBox(owner, caption, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void MessageBoxDialogs::ShowMessage(HWND owner, std::u16string_view text) {
    ShowBox(owner, applicationCaption_, text, MB_OK);
}

void MessageBoxDialogs::ShowException(HWND owner, std::u16string_view text) {
    ShowBox(owner, applicationCaption_, ExceptionBoxText(text), MB_OK | MB_ICONERROR);
}

}  // namespace capspect
