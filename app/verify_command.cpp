#include "app/verify_command.h"

#include <charconv>
#include <memory>
#include <optional>

#include "app/message_text.h"
#include "app/rendered_device.h"
#include "app/verify_device.h"
#include "app/verify_interrupt.h"
#include "app/verify_output.h"
#include "app/verify_progress.h"
#include "app/verify_run.h"
#include "platform/support/program_start.h"
#include "platform/support/unicode.h"

namespace capspect {
namespace {

constexpr std::string_view kUsage =
    "usage: capspect verify [--frames N] [--timeout SECONDS] [--formats LIST] [--json] [DEVICE]";
constexpr int kMaxFrames = 100'000;
constexpr double kMaxTimeoutSeconds = 3600;

struct VerifyArguments {
    VerifySettings settings;
    bool json = false;
    std::string devicePath;  // empty: the first device
};

std::optional<int> ParsePositive(std::string_view text, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<REFERENCE_TIME> ParseSeconds(std::string_view text) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0) ||
        seconds > kMaxTimeoutSeconds) {
        return std::nullopt;
    }
    return static_cast<REFERENCE_TIME>(seconds * 1e7 + 0.5);
}

// "1-3,7": positions in the report's list, counted from 1, as indices from 0.
std::optional<std::vector<int>> ParsePositions(std::string_view text) {
    std::vector<int> indices;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        const std::size_t dash = part.find('-');
        const auto first = ParsePositive(part.substr(0, dash), 1'000'000);
        const auto last = dash == std::string_view::npos
                              ? first
                              : ParsePositive(part.substr(dash + 1), 1'000'000);
        if (!first || !last || *last < *first) {
            return std::nullopt;
        }
        for (int position = *first; position <= *last; ++position) {
            indices.push_back(position - 1);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
        if (text.empty()) {
            return std::nullopt;
        }
    }
    if (indices.empty()) {
        return std::nullopt;
    }
    return indices;
}

// Splits "--name=value" or takes the value from the next argument.
class OptionReader {
public:
    OptionReader(std::span<const std::string> args, OutputStream& err) : args_(args), err_(err) {}

    bool Done() const { return next_ >= args_.size(); }
    const std::string& Take() { return args_[next_++]; }

    // The value of option `name`, whose argument `arg` was just taken.
    std::optional<std::string> ValueOf(std::string_view name, const std::string& arg) {
        if (arg.size() > name.size() && arg[name.size()] == '=') {
            return arg.substr(name.size() + 1);
        }
        if (Done()) {
            err_ << "capspect verify: " << name << " needs a value (" << kUsage << ")\n";
            return std::nullopt;
        }
        return Take();
    }

private:
    std::span<const std::string> args_;
    OutputStream& err_;
    std::size_t next_ = 0;
};

bool IsOption(const std::string& arg, std::string_view name) {
    return arg == name ||
           (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=');
}

bool BadValue(OutputStream& err, std::string_view name, const std::string& value,
              std::string_view expected) {
    err << "capspect verify: " << name << " " << QuotedText(value) << ": expected " << expected
        << " (" << kUsage << ")\n";
    return false;
}

// Reads one option's value into `parsed`; false after writing the usage error.
bool ReadOption(OptionReader& reader, const std::string& arg, VerifyArguments& parsed,
                OutputStream& err) {
    for (const std::string_view name : {"--frames", "--timeout", "--formats"}) {
        if (!IsOption(arg, name)) {
            continue;
        }
        const std::optional<std::string> value = reader.ValueOf(name, arg);
        if (!value) {
            return false;
        }
        if (name == "--frames") {
            const auto frames = ParsePositive(*value, kMaxFrames);
            parsed.settings.frames = frames.value_or(0);
            return frames || BadValue(err, name, *value, "a whole number from 1 to 100000");
        }
        if (name == "--timeout") {
            const auto timeout = ParseSeconds(*value);
            parsed.settings.timeout = timeout.value_or(0);
            return timeout || BadValue(err, name, *value, "seconds above 0, at most 3600");
        }
        parsed.settings.only = ParsePositions(*value);
        return parsed.settings.only.has_value() ||
               BadValue(err, name, *value, "positions from 1 such as 1-3,7");
    }
    err << "capspect verify: unknown option " << QuotedText(arg) << " (" << kUsage << ")\n";
    return false;
}

std::optional<VerifyArguments> ParseVerifyArguments(std::span<const std::string> args,
                                                    OutputStream& err) {
    VerifyArguments parsed;
    bool haveDevice = false;
    OptionReader reader(args, err);
    while (!reader.Done()) {
        const std::string& arg = reader.Take();
        if (arg == "--json") {
            parsed.json = true;
        } else if (arg.starts_with('-')) {
            if (!ReadOption(reader, arg, parsed, err)) {
                return std::nullopt;
            }
        } else if (haveDevice) {
            err << "capspect verify: more than one device given (" << kUsage << ")\n";
            return std::nullopt;
        } else {
            parsed.devicePath = arg;
            haveDevice = true;
        }
    }
    return parsed;
}

// The progress line goes only to a terminal: a log or a pipe gets nothing extra.
std::unique_ptr<ProgressLine> ProgressFor(const CommandContext& context) {
    if (!context.err.IsStandardError() || !StandardErrorIsTerminal()) {
        return nullptr;
    }
    return std::make_unique<ProgressLine>(context.err);
}

}  // namespace

ExitStatus RunVerifyCommand(std::span<const std::string> args, const CommandContext& context) {
    const std::optional<VerifyArguments> parsed = ParseVerifyArguments(args, context.err);
    if (!parsed) {
        return ExitStatus::Usage;
    }
    // From here on Ctrl-C ends the run cleanly: rendering already sets the device's
    // preferred format, which the run's restore undoes.
    const InterruptWatch interrupt;
    const std::unique_ptr<RenderedDevice> rendered =
        RenderedDevice::Render("verify", parsed->devicePath, context);
    if (!rendered) {
        return ExitStatus::Failure;
    }
    const std::unique_ptr<FormatTrials> trials =
        RenderedDeviceTrials(rendered->Capture(), rendered->Device().Moniker().Get());
    if (!trials) {
        context.err << "capspect verify: "
                    << QuotedText(Utf16ToUtf8(rendered->Device().Description()))
                    << " cannot be streamed in this build\n";
        return ExitStatus::Failure;
    }
    VerifyRun run;
    {
        const std::unique_ptr<ProgressLine> progress = ProgressFor(context);
        run = VerifyFormats(
            rendered->Capture().OutputFormats(), *trials, parsed->settings,
            [&interrupt] { return interrupt.Interrupted(); },
            [&progress](const VerifyProgress& at) {
                if (progress) {
                    progress->Show(at);
                }
            });
    }
    context.out << (parsed->json ? FormatVerifyJson(rendered->Device(), parsed->settings, run)
                                 : FormatVerifyText(run));
    return AllFormatsOk(run) ? ExitStatus::Success : ExitStatus::Failure;
}

}  // namespace capspect
