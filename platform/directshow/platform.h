// Start-up of the simulated DirectShow backend.
#pragma once

namespace capspect::sim {

// Registers the simulated platform's classes (the filter graph manager, the capture path
// of capture_platform.h, the video renderers, the standard splitters and decoders) in the COM class
// registry, the filter mapper and the registry, and connects graph notifications to the platform's
// message posting. Safe to call more than once.
void RegisterSimulatedPlatform();

}  // namespace capspect::sim
