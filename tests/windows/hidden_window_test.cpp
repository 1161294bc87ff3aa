// Hidden message windows on the system's window manager.
#include "platform/support/hidden_window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace capspect {
namespace {

// The system dispatches the messages, so an exception of the procedure must stop at the
// window: the process goes on, later messages still arrive, and the message loop gets
// the exception once.
TEST(HiddenWindow, AnExceptionOfItsProcedureIsKeptForTheMessageLoop) {
    int handled = 0;
    const HWND window = AllocateHWnd([&handled](UINT message, WPARAM, LPARAM) -> LRESULT {
        handled += message >= WM_APP ? 1 : 0;
        if (message == WM_APP) {
            throw std::runtime_error("the procedure failed");
        }
        return 7;
    });
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageW(window, WM_APP, 0, 0));
    ASSERT_TRUE(PostMessageW(window, WM_APP + 1, 0, 0));
    MSG message{};
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(handled, 2);
    EXPECT_EQ(SendMessageW(window, WM_APP + 2, 0, 0), 7);

    const std::exception_ptr failure = TakeWindowProcedureFailure();
    ASSERT_TRUE(failure);
    try {
        std::rethrow_exception(failure);
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "the procedure failed");
    }
    EXPECT_FALSE(TakeWindowProcedureFailure());
    DeallocateHWnd(window);
}

}  // namespace
}  // namespace capspect
