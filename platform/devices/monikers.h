// The moniker and moniker enumerator objects of the device enumerator: a base for monikers
// that name a device or a filter by a display name, and an enumerator over a fixed list.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include <objbase.h>

#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "platform/support/unicode.h"
#include "platform/support/wide_string.h"

namespace capspect::sim {

// The moniker methods that naming a device does not need.
// The class of the platform's device monikers (CLSID_CDeviceMoniker).
inline constexpr CLSID kDeviceMonikerClass{
    0x4315D437, 0x5B8C, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

class MonikerBase : public ComObject<IMoniker> {
public:
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker** enumerator) override {
        if (enumerator == nullptr) {
            return E_POINTER;
        }
        *enumerator = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
        return MK_E_UNAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return MK_E_NOINVERSE; }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override {
        return MK_E_NOPREFIX;
    }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*,
                                               IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) override {
        if (kind == nullptr) {
            return E_POINTER;
        }
        *kind = MKSYS_NONE;
        return S_FALSE;
    }

    // A device moniker is not saved into streams: it names a device of this machine now.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override {
        if (classId == nullptr) {
            return E_POINTER;
        }
        *classId = kDeviceMonikerClass;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        *name = nullptr;
        return CopyDisplayName(DisplayName(), name);
    }

    // Two monikers are equal when they name the same thing: their display names match
    // without regard to case.
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override {
        if (other == nullptr) {
            return E_INVALIDARG;
        }
        LPOLESTR otherName = nullptr;
        if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName))) {
            return S_FALSE;
        }
        const std::u16string mine = DisplayName();
        const bool equal =
            !NameLess{}(mine, Utf16Text(otherName)) && !NameLess{}(Utf16Text(otherName), mine);
        CoTaskMemFree(otherName);
        return equal ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override {
        if (hash == nullptr) {
            return E_POINTER;
        }
        DWORD value = 0;
        for (const char16_t c : DisplayName()) {
            const char16_t folded = (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c;
            value = value * 31 + folded;
        }
        *hash = value;
        return S_OK;
    }

protected:
    virtual std::u16string DisplayName() const = 0;

    // A CoTaskMem-allocated copy of `name` in `out`.
    static HRESULT CopyDisplayName(std::u16string_view name, LPOLESTR* out) {
        auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
        if (copy == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(copy, name.data(), name.size() * sizeof(OLECHAR));
        copy[name.size()] = u'\0';
        *out = copy;
        return S_OK;
    }

    // Checks the out-parameter and the parts of a bind request this platform refuses, and
    // the fault a test armed for the bind call `call`. S_OK: go on binding.
    static HRESULT BeginBind(IMoniker* left, void** object, std::string_view call) {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (left != nullptr) {
            return MK_E_NOSTORAGE;
        }
        return InjectedFault(call).value_or(S_OK);
    }
};

class MonikerEnumerator final : public ComObject<IEnumMoniker> {
public:
    explicit MonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, std::size_t position = 0)
        : monikers_(std::move(monikers)), position_(position) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** monikers, ULONG* fetched) override {
        if (monikers == nullptr) {
            return E_POINTER;
        }
        if (fetched == nullptr && count != 1) {
            return E_INVALIDARG;
        }
        if (const auto fault = InjectedFault("IEnumMoniker::Next")) {
            return *fault;
        }
        ULONG given = 0;
        for (; given < count && position_ < monikers_.size(); ++given, ++position_) {
            monikers_[position_].CopyTo(&monikers[given]);
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        return given == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = monikers_.size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** enumerator) override {
        if (enumerator == nullptr) {
            return E_POINTER;
        }
        *enumerator = MakeComObject<MonikerEnumerator>(monikers_, position_).Detach();
        return S_OK;
    }

private:
    const std::vector<ComPtr<IMoniker>> monikers_;
    std::size_t position_;
};

}  // namespace capspect::sim
