// Graph files as the graph component opens them: arbitrary bytes as a file, through
// TDXShow::LoadGraphFile, the compound-file layer (libgsf) and the graph manager's
// IPersistStream::Load. The file lives in memory (a memfd opened by name). A failed load
// leaves the graph empty.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "Components/VQDirectShow/DXShow.h"
#include "Components/VQDirectShow/DXShowErrors.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/graph_filters.h"
#include "platform/directshow/platform.h"
#include "platform/linux/messages.h"
#include "platform/sdk/messages.h"
#include "platform/support/platform_context.h"
#include "platform/support/unicode.h"

using namespace capspect;

namespace {

// The simulated platform and one graph component for the whole run; LoadGraphFile tears
// the previous graph down itself.
struct GraphFileTarget {
    GraphFileTarget() {
        sim::RegisterSimulatedPlatform();
        // The list the component empties when it goes must outlive this static object,
        // so it is made first (statics end in the reverse order of their making).
        TDXShow::RecentFilters();
        component = std::make_unique<TDXShow>();
        name = Utf8ToUtf16(file.Path());
    }

    // First, so that it ends after the component.
    PlatformContext platform;
    fuzz::MemoryFile file;
    std::u16string name;
    std::unique_ptr<TDXShow> component;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static GraphFileTarget target;
    target.file.Write(std::span(data, size));
    HRESULT hr = E_FAIL;
    try {
        hr = target.component->LoadGraphFile(target.name);
    } catch (const EDShowError&) {
        // A compound file that cannot be opened is raised, as the component documents.
    }
    if (FAILED(hr)) {
        fuzz::Check(fuzz::FilterCount(target.component->Graph().Get()) == 0,
                    "a failed load leaves the graph empty");
    }
    ProcessMessagesUntilIdle();
    return 0;
}
