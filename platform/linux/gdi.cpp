#include "platform/sdk/gdi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/linux/gdi.h"
#include "platform/support/platform_context.h"

namespace {

// The largest pixel memory one bitmap may take; a bigger request fails like an
// out-of-memory on the platform instead of exhausting the process.
constexpr std::uint64_t kMaxBitmapBytes = std::uint64_t{256} * 1024 * 1024;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

bool IsSupportedDepth(UINT bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

struct BitmapObject {
    LONG width = 0;
    LONG height = 0;
    WORD bitsPerPixel = 1;
    LONG stride = 0;
    // DIB sections hand their pixel memory out; their rows may run bottom-up.
    bool isDibSection = false;
    bool bottomUp = false;
    bool stock = false;
    std::vector<BYTE> bits;
    HDC selectedInto = nullptr;

    BYTE* Row(LONG y) { return bits.data() + static_cast<std::size_t>(RowIndex(y)) * stride; }
    const BYTE* Row(LONG y) const {
        return bits.data() + static_cast<std::size_t>(RowIndex(y)) * stride;
    }
    LONG RowIndex(LONG y) const { return bottomUp ? height - 1 - y : y; }
    bool Contains(LONG x, LONG y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    COLORREF Pixel(LONG x, LONG y) const {
        const BYTE* row = Row(y);
        switch (bitsPerPixel) {
            case 1:
                return (row[x / 8] & (0x80 >> (x % 8))) != 0 ? kWhite : kBlack;
            case 24:
                return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
            default:
                return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
        }
    }

    void SetPixel(LONG x, LONG y, COLORREF color) {
        BYTE* row = Row(y);
        switch (bitsPerPixel) {
            case 1: {
                // The nearer of black and white.
                const unsigned brightness = GetRValue(color) + GetGValue(color) + GetBValue(color);
                const BYTE mask = static_cast<BYTE>(0x80 >> (x % 8));
                row[x / 8] = brightness >= 3 * 128 ? static_cast<BYTE>(row[x / 8] | mask)
                                                   : static_cast<BYTE>(row[x / 8] & ~mask);
                break;
            }
            case 24:
                row[x * 3] = GetBValue(color);
                row[x * 3 + 1] = GetGValue(color);
                row[x * 3 + 2] = GetRValue(color);
                break;
            default:
                row[x * 4] = GetBValue(color);
                row[x * 4 + 1] = GetGValue(color);
                row[x * 4 + 2] = GetRValue(color);
                row[x * 4 + 3] = 0;
                break;
        }
    }
};

struct BrushObject {
    COLORREF color = 0;
    bool stock = false;
    int selections = 0;
};

struct DeviceContextObject {
    // Window contexts come from GetDC and go back through ReleaseDC; memory contexts come
    // from CreateCompatibleDC and hold a bitmap.
    bool memory = false;
    HWND window = nullptr;
    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
};

using GdiObject = std::variant<DeviceContextObject, BitmapObject, BrushObject>;

// Every live GDI object by handle. One lock guards the table; calls are short.
class GdiTable {
public:
    GdiTable() {
        BitmapObject stock;
        stock.width = 1;
        stock.height = 1;
        stock.stride = 2;
        stock.stock = true;
        stock.bits.assign(2, 0);
        stockBitmap_ = Add<HBITMAP>(std::move(stock));
        whiteBrush_ = Add<HBRUSH>(BrushObject{kWhite, true, 0});
        blackBrush_ = Add<HBRUSH>(BrushObject{kBlack, true, 0});
    }

    static GdiTable& Instance() { return capspect::PlatformContext::Part<GdiTable>(); }

    std::mutex& Mutex() { return mutex_; }

    template <typename Object>
    Object* Find(const void* handle) {
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == objects_.end() ? nullptr : std::get_if<Object>(&found->second);
    }

    template <typename Handle>
    Handle Add(GdiObject object) {
        next_ += 4;
        objects_.emplace(next_, std::move(object));
        return reinterpret_cast<Handle>(next_);
    }

    void Remove(const void* handle) { objects_.erase(reinterpret_cast<std::uintptr_t>(handle)); }

    std::size_t LiveCount() const { return objects_.size() - kStockObjects; }

    HBITMAP StockBitmap() const { return stockBitmap_; }
    HBRUSH WhiteBrush() const { return whiteBrush_; }
    HBRUSH BlackBrush() const { return blackBrush_; }

private:
    static constexpr std::size_t kStockObjects = 3;

    std::mutex mutex_;
    std::unordered_map<std::uintptr_t, GdiObject> objects_;
    // Handle values start well above 0 and step by 4, like the platform's.
    std::uintptr_t next_ = 0x10000;
    HBITMAP stockBitmap_ = nullptr;
    HBRUSH whiteBrush_ = nullptr;
    HBRUSH blackBrush_ = nullptr;
};

using Lock = std::scoped_lock<std::mutex>;

// Bytes per row: device-dependent rows are word aligned, DIB rows double-word aligned.
std::uint64_t StrideOf(LONG width, UINT bitsPerPixel, bool dib) {
    const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(width) * bitsPerPixel;
    const std::uint64_t unit = dib ? 32 : 16;
    return (bitsPerRow + unit - 1) / unit * (unit / 8);
}

// A zeroed (black) bitmap, or nothing when the size or depth cannot be kept.
std::optional<BitmapObject> NewBitmap(LONG width, LONG height, UINT bitsPerPixel, bool dib) {
    if (width <= 0 || height <= 0 || !IsSupportedDepth(bitsPerPixel)) {
        return std::nullopt;
    }
    const std::uint64_t stride = StrideOf(width, bitsPerPixel, dib);
    if (stride * static_cast<std::uint64_t>(height) > kMaxBitmapBytes) {
        return std::nullopt;
    }
    BitmapObject bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bitsPerPixel = static_cast<WORD>(bitsPerPixel);
    bitmap.stride = static_cast<LONG>(stride);
    bitmap.isDibSection = dib;
    bitmap.bits.assign(static_cast<std::size_t>(stride * static_cast<std::uint64_t>(height)), 0);
    return bitmap;
}

// The bitmap selected into a memory context; null for window contexts and bad handles.
BitmapObject* SurfaceOf(GdiTable& table, HDC hdc) {
    const auto* context = table.Find<DeviceContextObject>(hdc);
    if (context == nullptr || !context->memory) {
        return nullptr;
    }
    return table.Find<BitmapObject>(context->bitmap);
}

HGDIOBJ SelectBitmap(GdiTable& table, HDC hdc, DeviceContextObject& context, HBITMAP handle,
                     BitmapObject& bitmap) {
    if (!context.memory) {
        return nullptr;
    }
    if (!bitmap.stock && bitmap.selectedInto != nullptr && bitmap.selectedInto != hdc) {
        return nullptr;
    }
    const HBITMAP previous = context.bitmap;
    if (auto* old = table.Find<BitmapObject>(previous); old != nullptr && !old->stock) {
        old->selectedInto = nullptr;
    }
    if (!bitmap.stock) {
        bitmap.selectedInto = hdc;
    }
    context.bitmap = handle;
    return previous;
}

HGDIOBJ SelectBrush(GdiTable& table, DeviceContextObject& context, HBRUSH handle,
                    BrushObject& brush) {
    const HBRUSH previous = context.brush;
    if (auto* old = table.Find<BrushObject>(previous); old != nullptr) {
        --old->selections;
    }
    ++brush.selections;
    context.brush = handle;
    return previous;
}

// Lets go of what a context holds before the context goes.
void ReleaseSelections(GdiTable& table, const DeviceContextObject& context) {
    if (auto* bitmap = table.Find<BitmapObject>(context.bitmap); bitmap && !bitmap->stock) {
        bitmap->selectedInto = nullptr;
    }
    if (auto* brush = table.Find<BrushObject>(context.brush); brush != nullptr) {
        --brush->selections;
    }
}

HDC AddContext(GdiTable& table, bool memory, HWND window) {
    DeviceContextObject context;
    context.memory = memory;
    context.window = window;
    context.bitmap = memory ? table.StockBitmap() : nullptr;
    context.brush = table.WhiteBrush();
    table.Find<BrushObject>(context.brush)->selections++;
    return table.Add<HDC>(context);
}

}  // namespace

HDC GetDC(HWND hwnd) {
    if (hwnd != nullptr && !IsWindow(hwnd)) {
        return nullptr;
    }
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    return AddContext(table, false, hwnd);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const auto* context = table.Find<DeviceContextObject>(hdc);
    if (context == nullptr || context->memory || context->window != hwnd) {
        return 0;
    }
    ReleaseSelections(table, *context);
    table.Remove(hdc);
    return 1;
}

HDC CreateCompatibleDC(HDC hdc) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    if (hdc != nullptr && table.Find<DeviceContextObject>(hdc) == nullptr) {
        return nullptr;
    }
    return AddContext(table, true, nullptr);
}

BOOL DeleteDC(HDC hdc) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const auto* context = table.Find<DeviceContextObject>(hdc);
    // A window's context goes back through ReleaseDC.
    if (context == nullptr || !context->memory) {
        return FALSE;
    }
    ReleaseSelections(table, *context);
    table.Remove(hdc);
    return TRUE;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
    if (planes != 1) {
        return nullptr;
    }
    auto bitmap = NewBitmap(width, height, bitCount, false);
    if (!bitmap) {
        return nullptr;
    }
    if (bits != nullptr) {
        std::memcpy(bitmap->bits.data(), bits, bitmap->bits.size());
    }
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    return table.Add<HBITMAP>(std::move(*bitmap));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const auto* context = table.Find<DeviceContextObject>(hdc);
    if (context == nullptr) {
        return nullptr;
    }
    UINT depth = 32;
    if (context->memory) {
        depth = table.Find<BitmapObject>(context->bitmap)->bitsPerPixel;
    }
    // An empty size gives a 1 x 1 monochrome bitmap, as on the platform.
    if (width == 0 || height == 0) {
        width = 1;
        height = 1;
        depth = 1;
    }
    auto bitmap = NewBitmap(width, height, depth, false);
    return bitmap ? table.Add<HBITMAP>(std::move(*bitmap)) : nullptr;
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD /*offset*/) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) {
        return nullptr;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
        header.biCompression != BI_RGB || header.biHeight == std::numeric_limits<LONG>::min()) {
        return nullptr;
    }
    auto bitmap = NewBitmap(header.biWidth, std::abs(header.biHeight), header.biBitCount, true);
    if (!bitmap) {
        return nullptr;
    }
    bitmap->bottomUp = header.biHeight > 0;
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const HBITMAP handle = table.Add<HBITMAP>(std::move(*bitmap));
    if (bits != nullptr) {
        *bits = table.Find<BitmapObject>(handle)->bits.data();
    }
    return handle;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    return table.Add<HBRUSH>(BrushObject{color & 0xFFFFFF, false, 0});
}

HGDIOBJ GetStockObject(int index) {
    auto& table = GdiTable::Instance();
    switch (index) {
        case WHITE_BRUSH:
            return table.WhiteBrush();
        case BLACK_BRUSH:
            return table.BlackBrush();
        default:
            return nullptr;
    }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    auto* context = table.Find<DeviceContextObject>(hdc);
    if (context == nullptr) {
        return nullptr;
    }
    if (auto* bitmap = table.Find<BitmapObject>(object)) {
        return SelectBitmap(table, hdc, *context, static_cast<HBITMAP>(object), *bitmap);
    }
    if (auto* brush = table.Find<BrushObject>(object)) {
        return SelectBrush(table, *context, static_cast<HBRUSH>(object), *brush);
    }
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    if (const auto* bitmap = table.Find<BitmapObject>(object)) {
        if (bitmap->stock) {
            return TRUE;
        }
        if (bitmap->selectedInto != nullptr) {
            return FALSE;
        }
    } else if (const auto* brush = table.Find<BrushObject>(object)) {
        if (brush->stock) {
            return TRUE;
        }
        if (brush->selections > 0) {
            return FALSE;
        }
    } else {
        return FALSE;
    }
    table.Remove(object);
    return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    if (auto* bitmap = table.Find<BitmapObject>(object)) {
        if (buffer == nullptr) {
            return sizeof(BITMAP);
        }
        if (size < static_cast<int>(sizeof(BITMAP))) {
            return 0;
        }
        BITMAP record;
        record.bmWidth = bitmap->width;
        record.bmHeight = bitmap->height;
        record.bmWidthBytes = bitmap->stride;
        record.bmPlanes = 1;
        record.bmBitsPixel = bitmap->bitsPerPixel;
        record.bmBits = bitmap->isDibSection ? bitmap->bits.data() : nullptr;
        std::memcpy(buffer, &record, sizeof record);
        return sizeof(BITMAP);
    }
    if (const auto* brush = table.Find<BrushObject>(object)) {
        if (buffer == nullptr) {
            return sizeof(LOGBRUSH);
        }
        if (size < static_cast<int>(sizeof(LOGBRUSH))) {
            return 0;
        }
        const LOGBRUSH record{BS_SOLID, brush->color, 0};
        std::memcpy(buffer, &record, sizeof record);
        return sizeof(LOGBRUSH);
    }
    return 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const auto* context = table.Find<DeviceContextObject>(hdc);
    if (context == nullptr) {
        return nullptr;
    }
    switch (type) {
        case OBJ_BITMAP:
            return context->bitmap;
        case OBJ_BRUSH:
            return context->brush;
        default:
            return nullptr;
    }
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const auto* context = table.Find<DeviceContextObject>(hdc);
    const auto* fill = table.Find<BrushObject>(brush);
    if (context == nullptr || fill == nullptr || rect == nullptr) {
        return 0;
    }
    BitmapObject* surface = SurfaceOf(table, hdc);
    if (surface == nullptr) {
        return 1;  // a window: nothing kept
    }
    const LONG left = std::max<LONG>(rect->left, 0);
    const LONG top = std::max<LONG>(rect->top, 0);
    const LONG right = std::min(rect->right, surface->width);
    const LONG bottom = std::min(rect->bottom, surface->height);
    for (LONG y = top; y < bottom; ++y) {
        for (LONG x = left; x < right; ++x) {
            surface->SetPixel(x, y, fill->color);
        }
    }
    return 1;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    const BitmapObject* surface = SurfaceOf(table, hdc);
    if (surface == nullptr || !surface->Contains(x, y)) {
        return CLR_INVALID;
    }
    return surface->Pixel(x, y);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    BitmapObject* surface = SurfaceOf(table, hdc);
    if (surface == nullptr || !surface->Contains(x, y)) {
        return CLR_INVALID;
    }
    surface->SetPixel(x, y, color & 0xFFFFFF);
    return surface->Pixel(x, y);
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop) {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    if (table.Find<DeviceContextObject>(destination) == nullptr ||
        (rop != SRCCOPY && rop != BLACKNESS && rop != WHITENESS) || width < 0 || height < 0) {
        return FALSE;
    }
    const BitmapObject* from = nullptr;
    if (rop == SRCCOPY) {
        from = SurfaceOf(table, source);
        if (from == nullptr) {
            return FALSE;
        }
    }
    BitmapObject* to = SurfaceOf(table, destination);
    if (to == nullptr) {
        return TRUE;  // a window: nothing kept
    }
    // The rows and columns of the block that land in the destination (and, for a copy, come
    // from inside the source), in 64 bits so that no offset can overflow.
    const auto clip = [](std::int64_t offset, std::int64_t extent, std::int64_t limit) {
        return std::pair{std::max<std::int64_t>(0, -offset),
                         std::min<std::int64_t>(extent, limit - offset)};
    };
    auto [firstColumn, endColumn] = clip(x, width, to->width);
    auto [firstRow, endRow] = clip(y, height, to->height);
    if (from != nullptr) {
        const auto [sourceFirstColumn, sourceEndColumn] = clip(sourceX, width, from->width);
        const auto [sourceFirstRow, sourceEndRow] = clip(sourceY, height, from->height);
        firstColumn = std::max(firstColumn, sourceFirstColumn);
        endColumn = std::min(endColumn, sourceEndColumn);
        firstRow = std::max(firstRow, sourceFirstRow);
        endRow = std::min(endRow, sourceEndRow);
    }
    if (firstColumn >= endColumn || firstRow >= endRow) {
        return TRUE;
    }
    // Read the whole block first, so that a copy within one picture may overlap itself.
    const auto columns = static_cast<std::size_t>(endColumn - firstColumn);
    std::vector<COLORREF> block(columns * static_cast<std::size_t>(endRow - firstRow),
                                rop == WHITENESS ? kWhite : kBlack);
    if (from != nullptr) {
        for (auto row = firstRow; row < endRow; ++row) {
            for (auto column = firstColumn; column < endColumn; ++column) {
                block[static_cast<std::size_t>(row - firstRow) * columns +
                      static_cast<std::size_t>(column - firstColumn)] =
                    from->Pixel(static_cast<LONG>(sourceX + column),
                                static_cast<LONG>(sourceY + row));
            }
        }
    }
    for (auto row = firstRow; row < endRow; ++row) {
        for (auto column = firstColumn; column < endColumn; ++column) {
            to->SetPixel(static_cast<LONG>(x + column), static_cast<LONG>(y + row),
                         block[static_cast<std::size_t>(row - firstRow) * columns +
                               static_cast<std::size_t>(column - firstColumn)]);
        }
    }
    return TRUE;
}

namespace capspect {

std::size_t GdiObjectCount() {
    auto& table = GdiTable::Instance();
    const Lock lock(table.Mutex());
    return table.LiveCount();
}

}  // namespace capspect
