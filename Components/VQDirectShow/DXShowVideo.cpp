#include "Components/VQDirectShow/DXShowVideo.h"

#include "platform/comobject.h"

namespace capspect {

class TOverlayNotifySink final : public ComObject<IOverlayNotify> {
public:
    explicit TOverlayNotifySink(TDXShowVideo& component) : component_(&component) {}
    void Detach() { component_ = nullptr; }
    HRESULT OnPaletteChange(DWORD, const PALETTEENTRY*) override { return S_OK; }
    HRESULT OnClipChange(const RECT*, const RECT*, const RGNDATA*) override { return S_OK; }
    HRESULT OnColorKeyChange(const COLORKEY*) override { return S_OK; }
    HRESULT OnPositionChange(const RECT*, const RECT*) override { return S_OK; }

private:
    TDXShowVideo* component_;
};

TDXShowVideo::TDXShowVideo(TDXShowReports reports) : TDXShow(std::move(reports)) {
    FQuickStart = true;
}

TDXShowVideo::~TDXShowVideo() {
    ShutDownGraph();
}

void TDXShowVideo::TearDownGraph() {
    TDXShow::TearDownGraph();
}

void TDXShowVideo::UpdateVideoWindow(TWinControl* AControl) {
    TDXShow::UpdateVideoWindow(AControl);
}

void TDXShowVideo::RePaintVideo(HDC) {}
void TDXShowVideo::SetColorKey(TColor) {}
bool TDXShowVideo::IsVMR7() const {
    return false;
}
bool TDXShowVideo::IsVMR9() const {
    return false;
}
bool TDXShowVideo::IsEVR() const {
    return false;
}
void TDXShowVideo::AddCustomFilters() {}
void TDXShowVideo::AfterRender() {}
bool TDXShowVideo::HandleComponentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result) {
    return TDXShow::HandleComponentMessage(message, wParam, lParam, result);
}
HRESULT TDXShowVideo::CreateVideoRenderer() {
    return E_NOTIMPL;
}
HRESULT TDXShowVideo::CreateOverlayRenderer() {
    return E_NOTIMPL;
}
HRESULT TDXShowVideo::CreateVMR7Renderer() {
    return E_NOTIMPL;
}
HRESULT TDXShowVideo::CreateVMR9Renderer() {
    return E_NOTIMPL;
}
HRESULT TDXShowVideo::CreateVMR9WindowlessRenderer() {
    return E_NOTIMPL;
}
HRESULT TDXShowVideo::CreateVMR9RenderlessRenderer() {
    return E_NOTIMPL;
}
HRESULT TDXShowVideo::CreateEVRRenderer() {
    return E_NOTIMPL;
}

}  // namespace capspect
