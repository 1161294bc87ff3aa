#include "app/win32/window_start.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/win32/main_window.h"
#include "app/win32/user_dialogs.h"
#include "app/window_steps.h"

namespace capspect {

ExitStatus RunMainWindow(const CommandContext& context) {
    // The backend initialises COM on this thread as a single-threaded apartment.
    const std::unique_ptr<Backend> backend = Backend::Start(context.options, context.err);
    if (!backend) {
        return ExitStatus::Failure;
    }
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    MessageBoxDialogs dialogs(u"Vidscope");
    backend->WatchDeviceChanges();
    TForm1 window(dialogs,
                  context.options.verbose ? VerboseReports(context.err) : TDXShowReports{});
    window.Show(SW_SHOWDEFAULT);
    return RunMessageLoop(window) == 0 ? ExitStatus::Success : ExitStatus::Failure;
}

}  // namespace capspect
