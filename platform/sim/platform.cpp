#include "platform/sim/platform.h"

#include "platform/com.h"
#include "platform/sim/filter_graph.h"

namespace capspect::sim {

void RegisterSimulatedPlatform() {
    ClassRegistry::Instance().Register(CLSID_FilterGraph, FactoryFor<FilterGraph>());
    ClassRegistry::Instance().Register(CLSID_FilterGraphNoThread, FactoryFor<FilterGraph>());
}

}  // namespace capspect::sim
