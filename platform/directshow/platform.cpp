#include "platform/directshow/platform.h"

#include "platform/directshow/capture_platform.h"
#include "platform/directshow/decoders.h"
#include "platform/directshow/event_queue.h"
#include "platform/directshow/file_source.h"
#include "platform/directshow/filter_graph.h"
#include "platform/directshow/renderers.h"
#include "platform/linux/com.h"
#include "platform/sdk/com.h"
#include "platform/sdk/messages.h"

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
