// A hidden message window that lives as long as its owning object.
#pragma once

#include <utility>

#include <windows.h>

#include "platform/support/hidden_window.h"

namespace capspect {

// Allocates the window on the calling thread (which must pump its messages) and frees it
// on destruction or Release; messages still queued for it are dropped then.
class THiddenWindow {
public:
    THiddenWindow() = default;
    explicit THiddenWindow(WindowProcedure procedure)
        : FHandle(AllocateHWnd(std::move(procedure))) {}
    ~THiddenWindow() { Release(); }
    THiddenWindow(const THiddenWindow&) = delete;
    THiddenWindow& operator=(const THiddenWindow&) = delete;
    THiddenWindow(THiddenWindow&& other) noexcept
        : FHandle(std::exchange(other.FHandle, nullptr)) {}
    THiddenWindow& operator=(THiddenWindow&& other) noexcept {
        if (this != &other) {
            Release();
            FHandle = std::exchange(other.FHandle, nullptr);
        }
        return *this;
    }

    HWND Handle() const { return FHandle; }
    void Release() { DeallocateHWnd(std::exchange(FHandle, nullptr)); }

private:
    HWND FHandle = nullptr;
};

}  // namespace capspect
