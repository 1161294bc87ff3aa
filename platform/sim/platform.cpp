#include "platform/sim/platform.h"

#include "platform/com.h"
#include "platform/messages.h"
#include "platform/sim/capture_platform.h"
#include "platform/sim/decoders.h"
#include "platform/sim/event_queue.h"
#include "platform/sim/file_source.h"
#include "platform/sim/filter_graph.h"
#include "platform/sim/renderers.h"

namespace capspect::sim {

void RegisterSimulatedPlatform() {
    ClassRegistry::Instance().Register(CLSID_FilterGraph, FactoryFor<FilterGraph>());
    ClassRegistry::Instance().Register(CLSID_FilterGraphNoThread, FactoryFor<FilterGraph>());
    RegisterSimulatedCapture();
    RegisterSimulatedRenderers();
    RegisterSimulatedDecoders();
    RegisterSimulatedFilePlayback();
    // Graph notifications reach the application's window through its message queue.
    SetNotifyPoster([](OAHWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        PostMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
    });
}

}  // namespace capspect::sim
