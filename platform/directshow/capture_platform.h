// The simulated platform's capture path: the device filters that device monikers bind to,
// the capture graph builder and the Smart Tee.
#pragma once

namespace capspect::sim {

// Registers CLSID_CaptureGraphBuilder2 and the Smart Tee (filter mapper and registry, in
// CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, "qcap.dll") and makes device monikers
// bind to simulated capture filters. Safe to call more than once.
void RegisterSimulatedCapture();

}  // namespace capspect::sim
