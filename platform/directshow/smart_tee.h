// The simulated Smart Tee (CLSID_SmartTee): splits a capture stream into a capture and a
// preview stream. One input pin, "Input", takes any video; its two outputs, "Capture"
// (output 0) and "Preview" (output 1), offer the input's connection type once the input
// is connected and cannot be connected before.
#pragma once

#include "platform/directshow/filter.h"

namespace capspect::sim {

class SmartTee : public Filter {
public:
    SmartTee();

    Pin& Input() const { return *input_; }
    Pin& CaptureOutput() const { return *capture_; }
    Pin& PreviewOutput() const { return *preview_; }

private:
    class InputPin;
    class OutputPin;

    // The input's connection changed: the outputs offer its type, or nothing.
    void InputTypeChanged(const MediaType* type);

    Pin* input_ = nullptr;
    Pin* capture_ = nullptr;
    Pin* preview_ = nullptr;
};

}  // namespace capspect::sim
