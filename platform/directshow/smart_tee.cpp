#include "platform/directshow/smart_tee.h"

#include "platform/sdk/dshow/capture.h"

namespace capspect::sim {

class SmartTee::InputPin : public Pin {
public:
    InputPin(Filter& filter, SmartTee& tee)
        : Pin(filter, PINDIR_INPUT, u"Input", {MediaType(MEDIATYPE_Video, GUID_NULL)}), tee_(tee) {}

protected:
    HRESULT CompleteConnect(IPin* /*peer*/) override {
        tee_.InputTypeChanged(&ConnectionType());
        return S_OK;
    }
    void BreakConnect() override { tee_.InputTypeChanged(nullptr); }

private:
    SmartTee& tee_;
};

class SmartTee::OutputPin : public Pin {
public:
    OutputPin(Filter& filter, std::u16string name, const Pin& input)
        : Pin(filter, PINDIR_OUTPUT, std::move(name)), input_(input) {}

    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override {
        // Without an input there is no type to pass on.
        if (!input_.IsConnected()) {
            return VFW_E_NOT_CONNECTED;
        }
        return Pin::Connect(receivePin, mediaType);
    }

private:
    const Pin& input_;
};

SmartTee::SmartTee() : Filter(CLSID_SmartTee) {
    input_ = &AddPin<InputPin>(*this);
    capture_ = &AddPin<OutputPin>(u"Capture", *input_);
    preview_ = &AddPin<OutputPin>(u"Preview", *input_);
}

void SmartTee::InputTypeChanged(const MediaType* type) {
    std::vector<MediaType> offered;
    if (type != nullptr) {
        offered.push_back(*type);
    }
    capture_->SetMediaTypes(offered);
    preview_->SetMediaTypes(std::move(offered));
}

}  // namespace capspect::sim
