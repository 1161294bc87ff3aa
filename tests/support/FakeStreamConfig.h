// Test support: an IAMStreamConfig that answers from a list of capabilities, each a
// capability record with its media type, and fails any call with a chosen code.
#pragma once

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <dshow.h>

#include "platform/support/comobject.h"
#include "platform/support/mediatypes.h"

namespace capspect::test {

class FakeStreamConfig : public ComObject<IAMStreamConfig> {
public:
    struct Capability {
        VIDEO_STREAM_CONFIG_CAPS caps{};
        MediaType mediaType;
        // GetStreamCaps for this index answers this code.
        HRESULT result = S_OK;
        // Misbehaviour to survive: a media type handed out together with a failure code,
        // or a success without one.
        bool mediaTypeOnFailure = false;
        bool noMediaTypeOnSuccess = false;
    };

    std::vector<Capability> capabilities;
    int capsSize = static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS));
    HRESULT numberOfCapabilitiesResult = S_OK;
    HRESULT getFormatResult = S_OK;
    HRESULT setFormatResult = S_OK;
    // The device's current format; none makes GetFormat fail with VFW_E_NOT_CONNECTED.
    std::optional<MediaType> current;
    // Every media type SetFormat was given, accepted or not; none stands for a null type.
    std::vector<std::optional<MediaType>> setFormatRequests;

    Capability& AddCapability(const VIDEO_STREAM_CONFIG_CAPS& caps, MediaType mediaType) {
        return capabilities.emplace_back(Capability{caps, std::move(mediaType)});
    }

    HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override {
        setFormatRequests.push_back(mediaType != nullptr ? std::optional(MediaType(*mediaType))
                                                         : std::nullopt);
        if (FAILED(setFormatResult)) {
            return setFormatResult;
        }
        if (mediaType != nullptr) {
            current = MediaType(*mediaType);
        }
        return setFormatResult;
    }

    HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override {
        if (mediaType == nullptr) {
            return E_POINTER;
        }
        *mediaType = nullptr;
        if (FAILED(getFormatResult)) {
            return getFormatResult;
        }
        if (!current) {
            return VFW_E_NOT_CONNECTED;
        }
        *mediaType = current->CreateCopy();
        return *mediaType != nullptr ? getFormatResult : E_OUTOFMEMORY;
    }

    HRESULT GetNumberOfCapabilities(int* count, int* size) override {
        if (count == nullptr || size == nullptr) {
            return E_POINTER;
        }
        if (FAILED(numberOfCapabilitiesResult)) {
            return numberOfCapabilitiesResult;
        }
        *count = static_cast<int>(capabilities.size());
        *size = capsSize;
        return numberOfCapabilitiesResult;
    }

    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) override {
        if (mediaType == nullptr || caps == nullptr) {
            return E_POINTER;
        }
        *mediaType = nullptr;
        if (index < 0 || index >= static_cast<int>(capabilities.size())) {
            return S_FALSE;
        }
        const Capability& capability = capabilities[static_cast<std::size_t>(index)];
        const bool handOut = SUCCEEDED(capability.result) ? !capability.noMediaTypeOnSuccess
                                                          : capability.mediaTypeOnFailure;
        if (handOut) {
            *mediaType = capability.mediaType.CreateCopy();
        }
        if (SUCCEEDED(capability.result)) {
            std::memcpy(caps, &capability.caps, sizeof(capability.caps));
        }
        return capability.result;
    }
};

}  // namespace capspect::test
