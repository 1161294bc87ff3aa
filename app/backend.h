// The options valid with every command, and the platform backend they choose: the
// simulated platform over a device catalog (a file or the built-in demo), V4L2 on Linux,
// or the system's own DirectShow on Windows.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>
#include "app/output_stream.h"

#include <windows.h>

#include "platform/support/platform_context.h"

namespace capspect {

enum class BackendKind { Sim, V4l2, DirectShow };

// The backends of this build by the names --backend takes, and the default one.
std::optional<BackendKind> BackendNamed(std::string_view name);
std::string_view BackendName(BackendKind kind);
std::string_view BackendNames();  // for messages: "sim or v4l2"
BackendKind DefaultBackend();
// The help lines of the --backend option in this build.
std::string_view BackendHelp();

struct BackendOptions {
    std::optional<BackendKind> backend;                // --backend NAME
    std::optional<std::filesystem::path> devicesFile;  // --devices FILE
    bool demo = false;                                 // --demo
    bool verbose = false;                              // --verbose

    // Sim with a catalog or with --backend sim; otherwise the one --backend names, else the
    // build's default (V4L2 on Linux, DirectShow on Windows).
    BackendKind Kind() const;
};

// A command line whose global options are wrong; what() says why, in one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ParsedCommandLine {
    BackendOptions options;
    std::vector<std::string> command;  // the verb and its own arguments
};

// Takes the global options out of `args`, wherever they stand (before or after the
// verb); the other arguments keep their order. A "--" ends the global options: it is
// dropped and everything after it goes to the verb as it stands. Options take their value
// as the next argument or after '=' (--devices=FILE). Throws UsageError.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// A device that failed to answer the backend: its list of formats as read is shorter than
// the device's, or different, so no report of it may pass as complete.
struct DeviceFailure {
    HRESULT code = S_OK;  // the errno as an HRESULT, as the components' error events carry it
    // "<device path>: VIDIOC_ENUM_FRAMESIZES for YUYV, index 3: Input/output error"
    std::string text;
};

// The device failures since the backend started or since the last call, in the order they
// happened (the V4L2 backend's: each bind records its device); each is answered once.
std::vector<DeviceFailure> TakeDeviceFailures();

// A started backend: the platform the device verbs run on. It holds the platform's
// context, so that everything registered, installed or made for the run goes with it.
class Backend {
public:
    // Starts the backend `options` choose. When it cannot start (a catalog that does not
    // load, a backend that is not built) writes one line to `err` and answers nullptr.
    static std::unique_ptr<Backend> Start(const BackendOptions& options, OutputStream& err);

    ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    BackendKind Kind() const { return kind_; }

    // From now on follows devices that come and go (V4L2: the device monitor; a catalog's
    // devices change only when told to). Changes reach graphs and device notifications on
    // the calling thread, which must pump its messages: the window's thread, not the
    // command line's, whose verbs end before a device could come or go.
    void WatchDeviceChanges();

private:
    explicit Backend(BackendKind kind);

    // First, so that it is made before the backend's work and ends after it. A backend
    // started inside a running context (a test's) runs in that one.
    std::optional<PlatformContext> platform_;
    BackendKind kind_;
    // Whatever follows devices that come and go (V4L2: the device monitor).
    std::shared_ptr<void> deviceWatch_;
};

}  // namespace capspect
