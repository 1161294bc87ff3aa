// The global options of the command line, wherever they stand.
#include <optional>
#include <string>
#include <string_view>

#include "app/backend.h"
#include "platform/support/file_reader.h"

namespace capspect {
namespace {

constexpr std::string_view kDevicesOption = "--devices";
constexpr std::string_view kBackendOption = "--backend";
constexpr std::string_view kDemoOption = "--demo";
constexpr std::string_view kVerboseOption = "--verbose";

// An argument of the form --name=value split at its first '='; other arguments are all
// name.
struct OptionArgument {
    std::string_view name;
    std::optional<std::string_view> value;
};

OptionArgument SplitOption(std::string_view arg) {
    const std::size_t equals = arg.find('=');
    if (!arg.starts_with("--") || equals == std::string_view::npos) {
        return {arg, std::nullopt};
    }
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Reads the global options one argument at a time.
class GlobalOptionReader {
public:
    GlobalOptionReader(const std::vector<std::string>& args, BackendOptions& options)
        : args_(args), options_(options) {}

    // Consumes the global option at `index` (and its value) and answers true, or answers
    // false for an argument that is not one.
    bool Take(std::size_t& index) {
        const OptionArgument option = SplitOption(args_[index]);
        if (option.name == kDevicesOption) {
            if (options_.devicesFile) {
                throw UsageError("option '--devices' given twice");
            }
            const std::string file = Value(option, index, "a catalog file name");
            options_.devicesFile = PathFromUtf8(file);
        } else if (option.name == kBackendOption) {
            if (options_.backend) {
                throw UsageError("option '--backend' given twice");
            }
            options_.backend = ParseBackend(Value(option, index, "a backend (sim or v4l2)"));
        } else if (option.name == kDemoOption) {
            RefuseValue(option);
            options_.demo = true;
        } else if (option.name == kVerboseOption) {
            RefuseValue(option);
            options_.verbose = true;
        } else {
            return false;
        }
        return true;
    }

private:
    // The option's value: after '=', else the next argument, which is then consumed.
    std::string Value(const OptionArgument& option, std::size_t& index, std::string_view what) {
        std::string value;
        if (option.value) {
            value = *option.value;
        } else if (index + 1 < args_.size()) {
            value = args_[++index];
        }
        if (value.empty()) {
            throw UsageError("option " + Quoted(option.name) + " needs " + std::string(what));
        }
        return value;
    }

    static void RefuseValue(const OptionArgument& option) {
        if (option.value) {
            throw UsageError("option " + Quoted(option.name) + " takes no value");
        }
    }

    static BackendKind ParseBackend(std::string_view name) {
        if (const std::optional<BackendKind> kind = BackendNamed(name)) {
            return *kind;
        }
        throw UsageError("unknown backend " + Quoted(name) + " (use " +
                         std::string(BackendNames()) + ")");
    }

    const std::vector<std::string>& args_;
    BackendOptions& options_;
};

void CheckCombination(const BackendOptions& options) {
    if (options.devicesFile && options.demo) {
        throw UsageError("use either --devices or --demo, not both");
    }
    if ((options.devicesFile || options.demo) && options.backend &&
        options.backend != BackendKind::Sim) {
        throw UsageError("--devices and --demo run the sim backend, not " +
                         std::string(BackendName(*options.backend)));
    }
}

}  // namespace

BackendKind BackendOptions::Kind() const {
    if (devicesFile || demo) {
        return BackendKind::Sim;
    }
    return backend.value_or(DefaultBackend());
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    GlobalOptionReader reader(args, parsed.options);
    for (std::size_t index = 0; index < args.size(); ++index) {
        if (args[index] == "--") {
            parsed.command.insert(parsed.command.end(), args.begin() + index + 1, args.end());
            break;
        }
        if (!reader.Take(index)) {
            parsed.command.push_back(args[index]);
        }
    }
    CheckCombination(parsed.options);
    return parsed;
}

}  // namespace capspect
