// `capspect snapshot` in the Windows build: describing a device of the system's DirectShow
// as a catalog needs the reading of a device through the platform's interfaces, which this
// build does not have yet; the command says so instead of writing a partial catalog.
#include "app/snapshot_command.h"

namespace capspect {

ExitStatus RunSnapshotCommand(std::span<const std::string> /*args*/,
                              const CommandContext& context) {
    context.err << "capspect snapshot: not available in this Windows build yet\n";
    return ExitStatus::Failure;
}

}  // namespace capspect
