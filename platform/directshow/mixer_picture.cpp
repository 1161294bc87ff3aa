// The copy of a picture that the simulated mixers take from the device context they are
// given, made the way the platform's mixers make theirs: a memory context of their own with
// a 32-bit DIB section, and a BitBlt from the caller's context.
#include "platform/directshow/renderers.h"
#include "platform/sdk/gdi.h"
#include "platform/support/gdi_handles.h"

namespace capspect::sim {

namespace {

bool Covers(const BITMAP& bitmap, const RECT& area) {
    return area.left >= 0 && area.top >= 0 && area.left < area.right && area.top < area.bottom &&
           area.right <= bitmap.bmWidth && area.bottom <= bitmap.bmHeight;
}

}  // namespace

HRESULT CopyMixerPicture(HDC source, const RECT& area, MixerPicture& picture) {
    BITMAP selected{};
    const HGDIOBJ bitmap = GetCurrentObject(source, OBJ_BITMAP);
    if (bitmap == nullptr || GetObject(bitmap, sizeof selected, &selected) == 0 ||
        !Covers(selected, area)) {
        return E_INVALIDARG;
    }
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueDC copyDC(CreateCompatibleDC(source));
    const UniqueBitmap copy(
        CreateDIBSection(copyDC.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copyDC || !copy) {
        return E_OUTOFMEMORY;
    }
    const HGDIOBJ previous = SelectObject(copyDC.get(), copy.get());
    const BOOL copied =
        BitBlt(copyDC.get(), 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    SelectObject(copyDC.get(), previous);
    if (!copied) {
        return E_FAIL;
    }
    const auto* pixel = static_cast<const BYTE*>(bits);
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (COLORREF& color : picture.pixels) {
        color = RGB(pixel[2], pixel[1], pixel[0]);
        pixel += 4;
    }
    return S_OK;
}

}  // namespace capspect::sim
