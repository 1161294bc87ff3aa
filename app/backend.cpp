#include "app/backend.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "app/demo_catalog.h"
#include "app/message_text.h"
#include "platform/sim/catalog.h"
#include "platform/sim/devenum.h"
#include "platform/sim/platform.h"
#include "platform/v4l2/errors.h"
#include "platform/v4l2/v4l2_platform.h"

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
            options_.devicesFile = std::filesystem::path(file);
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
        if (name == "sim") {
            return BackendKind::Sim;
        }
        if (name == "v4l2") {
            return BackendKind::V4l2;
        }
        throw UsageError("unknown backend " + Quoted(name) + " (use sim or v4l2)");
    }

    const std::vector<std::string>& args_;
    BackendOptions& options_;
};

void CheckCombination(const BackendOptions& options) {
    if (options.devicesFile && options.demo) {
        throw UsageError("use either --devices or --demo, not both");
    }
    if ((options.devicesFile || options.demo) && options.backend == BackendKind::V4l2) {
        throw UsageError("--devices and --demo run the sim backend, not v4l2");
    }
}

// Every class of the simulated platform is registered here, at this one place, before
// any verb runs. Installing the device set registers the system device enumerator.
void StartSimulatedPlatform(sim::Catalog catalog) {
    sim::RegisterSimulatedPlatform();
    sim::InstallCatalog(std::move(catalog));
}

}  // namespace

BackendKind BackendOptions::Kind() const {
    if (devicesFile || demo) {
        return BackendKind::Sim;
    }
    return backend.value_or(BackendKind::V4l2);
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

std::unique_ptr<Backend> Backend::Start(const BackendOptions& options, std::ostream& err) {
    if (options.Kind() == BackendKind::V4l2) {
        const v4l2::DiscoveryResult discovery =
            v4l2::StartV4l2Platform(v4l2::DiscoveryRoots{}, v4l2::FileDeviceOpener());
        if (options.verbose) {
            // Nodes that could not be asked are not devices; say why with --verbose.
            for (const v4l2::NodeProblem& problem : discovery.problems) {
                err << "capspect: " << PrintableText(problem.node.string()) << ": "
                    << std::strerror(problem.error) << '\n';
            }
        }
        return std::unique_ptr<Backend>(new Backend(BackendKind::V4l2));
    }
    // Without a catalog file the simulated platform shows the demo devices.
    sim::Catalog catalog;
    try {
        catalog =
            options.devicesFile ? sim::LoadCatalogFile(*options.devicesFile) : LoadDemoCatalog();
    } catch (const sim::CatalogError& error) {
        // The message holds the file name and catalog keys, which may hold any character.
        err << "capspect: " << PrintableText(error.what()) << '\n';
        return nullptr;
    }
    StartSimulatedPlatform(std::move(catalog));
    return std::unique_ptr<Backend>(new Backend(BackendKind::Sim));
}

std::vector<DeviceFailure> TakeDeviceFailures() {
    std::vector<DeviceFailure> failures;
    for (const v4l2::DeviceReadFailure& read : v4l2::TakeV4l2ReadFailures()) {
        failures.push_back({v4l2::HResultFromErrno(read.failure.error),
                            read.devicePath + ": " + v4l2::ReadFailureText(read.failure)});
    }
    return failures;
}

Backend::Backend(BackendKind kind) : kind_(kind) {}

void Backend::WatchDeviceChanges() {
    if (kind_ == BackendKind::V4l2 && !monitor_) {
        monitor_ = v4l2::WatchV4l2Devices();
    }
}

Backend::~Backend() {
    monitor_.reset();
    if (kind_ == BackendKind::Sim) {
        sim::InstallCatalog({});
    } else {
        v4l2::StopV4l2Platform();
    }
}

}  // namespace capspect
