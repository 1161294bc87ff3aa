#include "Components/VQDirectShow/DXShowCaptureInputs.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

namespace capspect {

namespace {

// Connector types from 0x1000 on are audio connectors.
constexpr LONG kFirstAudioConnector = 0x1000;

struct ConnectorName {
    PhysicalConnectorType type;
    std::u16string_view name;
};

// PhysConn_Video_SCART has no name of its own here and reads as "Unknown Type".
constexpr std::array kConnectorNames{
    ConnectorName{PhysConn_Video_Tuner, u"Video Tuner"},
    ConnectorName{PhysConn_Video_Composite, u"Video Composite"},
    ConnectorName{PhysConn_Video_SVideo, u"S-Video"},
    ConnectorName{PhysConn_Video_RGB, u"Video RGB"},
    ConnectorName{PhysConn_Video_YRYBY, u"Video YRYBY"},
    ConnectorName{PhysConn_Video_SerialDigital, u"Video Serial Digital"},
    ConnectorName{PhysConn_Video_ParallelDigital, u"Video Parallel Digital"},
    ConnectorName{PhysConn_Video_SCSI, u"Video SCSI"},
    ConnectorName{PhysConn_Video_AUX, u"Video AUX"},
    ConnectorName{PhysConn_Video_1394, u"Video 1394"},
    ConnectorName{PhysConn_Video_USB, u"Video USB"},
    ConnectorName{PhysConn_Video_VideoDecoder, u"Video Decoder"},
    ConnectorName{PhysConn_Video_VideoEncoder, u"Video Encoder"},
    ConnectorName{PhysConn_Video_Black, u"Video Black"},
    ConnectorName{PhysConn_Audio_Tuner, u"Audio Tuner"},
    ConnectorName{PhysConn_Audio_Line, u"Audio Line"},
    ConnectorName{PhysConn_Audio_Mic, u"Audio Microphone"},
    ConnectorName{PhysConn_Audio_AESDigital, u"Audio AES/EBU Digital"},
    ConnectorName{PhysConn_Audio_SPDIFDigital, u"Audio S/PDIF"},
    ConnectorName{PhysConn_Audio_SCSI, u"Audio SCSI"},
    ConnectorName{PhysConn_Audio_AUX, u"Audio AUX"},
    ConnectorName{PhysConn_Audio_1394, u"Audio 1394"},
    ConnectorName{PhysConn_Audio_USB, u"Audio USB"},
    ConnectorName{PhysConn_Audio_AudioDecoder, u"Audio Decoder"},
};

constexpr std::u16string_view kUnknownConnector = u"Unknown Type";

// True when the crossbar can describe output `index`; outputs it cannot describe are
// neither read nor routed.
bool HasOutputPin(IAMCrossbar& crossBar, LONG index) {
    LONG related = 0;
    LONG type = 0;
    return SUCCEEDED(crossBar.get_CrossbarPinInfo(FALSE, index, &related, &type));
}

}  // namespace

// --- TDXShowCaptureInput -------------------------------------------------------------------

TDXShowCaptureInput::TDXShowCaptureInput(TDXShowCaptureInputs& collection)
    : FCollection(collection) {}

std::u16string TDXShowCaptureInput::PhysicalPinName() const {
    const auto found =
        std::find_if(std::begin(kConnectorNames), std::end(kConnectorNames),
                     [this](const ConnectorName& entry) { return entry.type == FPinType; });
    return std::u16string(found != std::end(kConnectorNames) ? found->name : kUnknownConnector);
}

bool TDXShowCaptureInput::IsVideoPin() const {
    return FPinType < kFirstAudioConnector;
}

bool TDXShowCaptureInput::IsAudioPin() const {
    return !IsVideoPin();
}

bool TDXShowCaptureInput::Select() {
    IAMCrossbar* const crossBar = FCollection.CrossBar();
    // An input the crossbar could not describe has no index to route from.
    if (crossBar == nullptr || FPinIndex < 0) {
        return false;
    }
    LONG outputCount = 0;
    LONG inputCount = 0;
    if (FAILED(crossBar->get_PinCounts(&outputCount, &inputCount))) {
        return false;
    }
    for (LONG output = 0; output < outputCount; ++output) {
        if (HasOutputPin(*crossBar, output) && crossBar->CanRoute(output, FPinIndex) == S_OK) {
            // A refused route leaves that output as it was; the others are still tried.
            crossBar->Route(output, FPinIndex);
        }
    }
    return true;
}

void TDXShowCaptureInput::ReadPinInfo(IAMCrossbar& crossBar, int index) {
    if (SUCCEEDED(crossBar.get_CrossbarPinInfo(TRUE, index, &FRelatedPin, &FPinType))) {
        FPinIndex = index;
    }
}

// --- TDXShowCaptureInputs ------------------------------------------------------------------

void TDXShowCaptureInputs::Refresh(IAMCrossbar* crossBar) {
    FCrossBar = crossBar;
    Clear();
    if (crossBar == nullptr) {
        return;
    }
    LONG outputCount = 0;
    LONG inputCount = 0;
    if (FAILED(crossBar->get_PinCounts(&outputCount, &inputCount))) {
        return;
    }
    for (LONG input = 0; input < inputCount; ++input) {
        Add().ReadPinInfo(*crossBar, input);
    }
    MarkRoutedInputs(*crossBar, outputCount);
}

void TDXShowCaptureInputs::MarkRoutedInputs(IAMCrossbar& crossBar, LONG outputCount) {
    for (LONG output = 0; output < outputCount; ++output) {
        if (!HasOutputPin(crossBar, output)) {
            continue;
        }
        LONG input = -1;
        // S_FALSE and other successes mean the output carries no input.
        if (crossBar.get_IsRoutedTo(output, &input) == S_OK && input >= 0 && input < Count()) {
            Items(input).MarkRouted();
        }
    }
}

}  // namespace capspect
