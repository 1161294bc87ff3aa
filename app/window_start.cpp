#include "app/window_start.h"

#include <QApplication>

#include <cstdlib>
#include <exception>
#include <memory>

#include "app/main_window.h"
#include "app/user_dialogs.h"
#include "app/window_steps.h"
#include "platform/sdk/com.h"
#include "qt/MessagePump.h"

namespace capspect {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// COM for the GUI thread, for as long as the window runs.
class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// Shows an exception that a component let out into the message loop, as the framework's
// loop does.
void ShowLoopException(UserDialogs& dialogs, QWidget& window, std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        dialogs.ShowException(&window, QString::fromStdU16String(ExceptionMessage(error)));
    }
}

}  // namespace

std::optional<std::string> MissingDisplayMessage() {
    if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) {
        return std::nullopt;
    }
    return "capspect: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
           "unset); the commands work without one, see 'capspect --help'";
}

ExitStatus RunMainWindow(const CommandContext& context) {
    if (const std::optional<std::string> message = MissingDisplayMessage()) {
        context.err << *message << '\n';
        return ExitStatus::Failure;
    }
    const std::unique_ptr<Backend> backend = Backend::Start(context.options, context.err);
    if (!backend) {
        return ExitStatus::Failure;
    }
    const ComApartment apartment;
    // Qt gets no arguments of ours: the command line has been read already.
    int argc = 1;
    char name[] = "capspect";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("capspect"));

    MessageBoxDialogs dialogs(QStringLiteral("Vidscope"));
    QtMessagePump pump;
    backend->WatchDeviceChanges();
    TForm1 window(dialogs,
                  context.options.verbose ? VerboseReports(context.err) : TDXShowReports{});
    pump.SetExceptionHandler(
        [&](std::exception_ptr failure) { ShowLoopException(dialogs, window, failure); });
    window.show();
    return QApplication::exec() == 0 ? ExitStatus::Success : ExitStatus::Failure;
}

}  // namespace capspect
