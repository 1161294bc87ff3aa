// The platform's enumerator objects (IEnumPins, IEnumFilters, IEnumMediaTypes) over a
// collection that can change while it is enumerated: an enumerator notices a change
// through the collection's version and answers VFW_E_ENUM_OUT_OF_SYNC until it is Reset.
#pragma once

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include <windows.h>

#include <dshow.h>

#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim {

// What an enumerator walks: a snapshot of the elements and a version that changes with
// the collection. `keepAlive` holds the collection's owner while enumerators exist.
template <typename Element>
struct EnumerationSource {
    ComPtr<IUnknown> keepAlive;
    std::function<std::vector<Element>()> snapshot;
    std::function<unsigned()> version;
};

template <typename Enum, typename Element, typename Out>
class Enumerator : public ComObject<Enum> {
public:
    explicit Enumerator(EnumerationSource<Element> source)
        : source_(std::move(source)), elements_(source_.snapshot()), version_(CurrentVersion()) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Out* out, ULONG* fetched) override {
        if (out == nullptr || (count > 1 && fetched == nullptr)) {
            return E_POINTER;
        }
        if (fetched != nullptr) {
            *fetched = 0;
        }
        if (version_ != CurrentVersion()) {
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        ULONG done = 0;
        while (done < count && position_ < elements_.size()) {
            out[done] = Hand(elements_[position_]);
            if (out[done] == nullptr) {
                for (ULONG i = 0; i < done; ++i) {
                    Drop(out[i]);
                }
                return E_OUTOFMEMORY;
            }
            ++done;
            ++position_;
        }
        if (fetched != nullptr) {
            *fetched = done;
        }
        return done == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        if (version_ != CurrentVersion()) {
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        const std::size_t left = elements_.size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        elements_ = source_.snapshot();
        version_ = CurrentVersion();
        position_ = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(Enum** clone) override {
        if (clone == nullptr) {
            return E_POINTER;
        }
        auto copy = MakeComObject<Enumerator>(source_);
        copy->elements_ = elements_;
        copy->version_ = version_;
        copy->position_ = position_;
        *clone = copy.Detach();
        return S_OK;
    }

private:
    unsigned CurrentVersion() const { return source_.version ? source_.version() : 0; }

    // Interface elements are handed out with a reference of their own; media types as
    // CoTaskMem-allocated copies.
    static Out Hand(const Element& element) {
        if constexpr (std::is_same_v<Element, MediaType>) {
            return element.CreateCopy();
        } else {
            Out item = element.Get();
            item->AddRef();
            return item;
        }
    }
    static void Drop(Out item) {
        if constexpr (std::is_same_v<Element, MediaType>) {
            DeleteMediaType(item);
        } else {
            item->Release();
        }
    }

    EnumerationSource<Element> source_;
    std::vector<Element> elements_;
    unsigned version_;
    std::size_t position_ = 0;
};

using PinEnumerator = Enumerator<IEnumPins, ComPtr<IPin>, IPin*>;
using FilterEnumerator = Enumerator<IEnumFilters, ComPtr<IBaseFilter>, IBaseFilter*>;
using MediaTypeEnumerator = Enumerator<IEnumMediaTypes, MediaType, AM_MEDIA_TYPE*>;

}  // namespace capspect::sim
