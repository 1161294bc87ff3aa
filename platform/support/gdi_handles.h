// Owning GDI handles for code that keeps GDI objects: the context is deleted, the object
// deleted, when the owner goes. An object must be selected out before its owner deletes it.
#pragma once

#include <memory>
#include <type_traits>

#include <windows.h>

namespace capspect {

struct DeleteDCOnExit {
    void operator()(HDC hdc) const { DeleteDC(hdc); }
};
using UniqueDC = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDCOnExit>;

struct DeleteObjectOnExit {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteObjectOnExit>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, DeleteObjectOnExit>;

}  // namespace capspect
