// Test support: a single-threaded COM apartment for the length of a test, as the
// components expect on Windows.
#pragma once

#include <windows.h>

#include <objbase.h>

namespace capspect::test {

class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace capspect::test
