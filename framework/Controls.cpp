#include "framework/Controls.h"

namespace capspect {

TPlainWinControl::TPlainWinControl(int clientWidth, int clientHeight)
    : FWindow([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; }) {
    SetClientSize(clientWidth, clientHeight);
}

void TPlainWinControl::SetClientSize(int width, int height) {
    FClientRect = RECT{0, 0, width, height};
}

}  // namespace capspect
