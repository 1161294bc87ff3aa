// ComPtr: a counted reference to a platform interface, released when it goes away.
#pragma once

#include <cstddef>
#include <utility>

#include <objbase.h>

#include "platform/support/interface_id.h"

namespace capspect {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes its own reference on `ptr`.
    ComPtr(T* ptr) : ptr_(ptr) { AddRefHeld(); }
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) { AddRefHeld(); }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <typename U>
    requires std::is_convertible_v<U*, T*> ComPtr(const ComPtr<U>& other) : ptr_(other.Get()) {
        AddRefHeld();
    }
    template <typename U>
    requires std::is_convertible_v<U*, T*> ComPtr(ComPtr<U>&& other)
    noexcept : ptr_(other.Detach()) {}
    ~ComPtr() { ReleaseHeld(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For out-parameters: the held reference must be empty or released first.
    T** GetAddressOf() { return &ptr_; }
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &ptr_;
    }

    void Reset() { ReleaseHeld(); }
    // Takes over a reference the caller owns, without adding one.
    void Attach(T* ptr) {
        ReleaseHeld();
        ptr_ = ptr;
    }
    // Hands the held reference to the caller.
    [[nodiscard]] T* Detach() { return std::exchange(ptr_, nullptr); }

    // Copies the reference into an out-parameter, adding one for the receiver.
    HRESULT CopyTo(T** out) const {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = ptr_;
        if (ptr_ != nullptr) {
            ptr_->AddRef();
        }
        return S_OK;
    }

    // QueryInterface for another interface of the same object.
    template <typename U>
    HRESULT As(ComPtr<U>* out) const {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (ptr_ == nullptr) {
            out->Reset();
            return E_POINTER;
        }
        return ptr_->QueryInterface(IidOf<U>(),
                                    reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.ptr_ == b.ptr_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.ptr_ == nullptr; }

private:
    void AddRefHeld() const {
        if (ptr_ != nullptr) {
            ptr_->AddRef();
        }
    }
    void ReleaseHeld() {
        if (T* held = std::exchange(ptr_, nullptr)) {
            held->Release();
        }
    }

    T* ptr_ = nullptr;
};

}  // namespace capspect
