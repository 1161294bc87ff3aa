// The inputs of an analog capture card's crossbar: one item per input pin with its physical
// connector type and routing state. An item can route its input to every output that takes
// it.
#pragma once

#include <string>

#include <dshow.h>

#include "framework/Collections.h"
#include "platform/support/comptr.h"

namespace capspect {

class TDXShowCaptureInputs;

// The platform's PhysicalConnectorType; a crossbar may answer values the enumeration does
// not name, and the type holds those as well.
using TPhysicalConnectorType = PhysicalConnectorType;

// One input pin of the crossbar, as read by the list's Refresh.
class TDXShowCaptureInput : public TCollectionItem {
public:
    explicit TDXShowCaptureInput(TDXShowCaptureInputs& collection);

    TPhysicalConnectorType PinType() const { return static_cast<TPhysicalConnectorType>(FPinType); }
    // The index of the related pin (the audio input of a video input, say); -1 when the
    // crossbar named none.
    int RelatedPin() const { return FRelatedPin; }
    // The input's index on the crossbar; -1 when the crossbar could not describe the pin.
    int PinIndex() const { return FPinIndex; }
    // True when an output was routed from this input at the time of the last Refresh.
    bool IsRouted() const { return FRouted; }

    // The connector's name, e.g. "S-Video"; "Unknown Type" for a type without one.
    std::u16string PhysicalPinName() const;
    // Video connector types lie below 0x1000, audio ones from 0x1000 on, so every input is
    // exactly one of the two.
    bool IsVideoPin() const;
    bool IsAudioPin() const;

    // Routes this input to every output of the crossbar that can take it. Answers False when
    // the list has no crossbar, the crossbar cannot count its pins or this input has no
    // index; True otherwise, even when no output took the input. IsRouted changes only with
    // the next Refresh.
    bool Select();

private:
    friend class TDXShowCaptureInputs;

    // Asks the crossbar about input `index`. The answer goes straight into the item, so a
    // failed query leaves whatever the crossbar wrote; only a successful one sets PinIndex.
    void ReadPinInfo(IAMCrossbar& crossBar, int index);
    void MarkRouted() { FRouted = true; }

    TDXShowCaptureInputs& FCollection;
    LONG FPinType = 0;
    LONG FRelatedPin = -1;
    int FPinIndex = -1;
    bool FRouted = false;
};

// The input pins of one crossbar, read by Refresh.
class TDXShowCaptureInputs : public TCollection<TDXShowCaptureInput> {
public:
    TDXShowCaptureInputs() = default;

    // Replaces the items with the inputs of `crossBar` and keeps a reference to it. None, or
    // a crossbar that cannot count its pins, gives an empty list. An input that cannot be
    // described stays in the list with PinIndex -1.
    void Refresh(IAMCrossbar* crossBar);

    // A new item at the end of the list, describing no pin.
    TDXShowCaptureInput& Add() { return TCollection::Add(*this); }

    // The crossbar of the last Refresh; null before the first and after one with none.
    IAMCrossbar* CrossBar() const { return FCrossBar.Get(); }

private:
    void MarkRoutedInputs(IAMCrossbar& crossBar, LONG outputCount);

    ComPtr<IAMCrossbar> FCrossBar;
};

}  // namespace capspect
