#include "platform/support/mediatypes.h"

#include <cstring>
#include <new>
#include <utility>

#include <objbase.h>

namespace {

AM_MEDIA_TYPE EmptyMediaType() {
    return AM_MEDIA_TYPE{GUID_NULL, GUID_NULL, TRUE, FALSE, 1, GUID_NULL, nullptr, 0, nullptr};
}

bool FormatBlocksEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    if (a.cbFormat != b.cbFormat) {
        return false;
    }
    return a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

}  // namespace

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    if (target == nullptr || source == nullptr) {
        return E_POINTER;
    }
    if (target == source) {
        return S_OK;
    }
    *target = *source;
    if (source->cbFormat != 0 && source->pbFormat != nullptr) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (target->pbFormat == nullptr) {
            target->cbFormat = 0;
            target->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->cbFormat = 0;
        target->pbFormat = nullptr;
    }
    if (target->pUnk != nullptr) {
        target->pUnk->AddRef();
    }
    return S_OK;
}

void FreeMediaType(AM_MEDIA_TYPE& mediaType) {
    if (mediaType.cbFormat != 0 || mediaType.pbFormat != nullptr) {
        CoTaskMemFree(mediaType.pbFormat);
        mediaType.cbFormat = 0;
        mediaType.pbFormat = nullptr;
    }
    if (mediaType.pUnk != nullptr) {
        mediaType.pUnk->Release();
        mediaType.pUnk = nullptr;
    }
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
    if (source == nullptr) {
        return nullptr;
    }
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (copy == nullptr) {
        return nullptr;
    }
    if (FAILED(CopyMediaType(copy, source))) {
        CoTaskMemFree(copy);
        return nullptr;
    }
    return copy;
}

void DeleteMediaType(AM_MEDIA_TYPE* mediaType) {
    if (mediaType != nullptr) {
        FreeMediaType(*mediaType);
        CoTaskMemFree(mediaType);
    }
}

namespace capspect {

bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
           FormatBlocksEqual(a, b);
}

bool MediaTypeMatches(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern) {
    if (pattern.majortype != GUID_NULL && pattern.majortype != candidate.majortype) {
        return false;
    }
    if (pattern.subtype != GUID_NULL && pattern.subtype != candidate.subtype) {
        return false;
    }
    if (pattern.formattype == GUID_NULL) {
        return true;
    }
    if (pattern.formattype != candidate.formattype) {
        return false;
    }
    return pattern.cbFormat == 0 || FormatBlocksEqual(candidate, pattern);
}

MediaType::MediaType() : type_(EmptyMediaType()) {}

MediaType::MediaType(const GUID& majorType, const GUID& subType, const GUID& formatType,
                     std::span<const BYTE> format)
    : MediaType() {
    type_.majortype = majorType;
    type_.subtype = subType;
    SetFormat(formatType, format);
}

MediaType::MediaType(const AM_MEDIA_TYPE& source) : MediaType() {
    if (FAILED(CopyMediaType(&type_, &source))) {
        throw std::bad_alloc();
    }
}

MediaType::MediaType(const MediaType& other) : MediaType(other.type_) {}

MediaType::MediaType(MediaType&& other) noexcept
    : type_(std::exchange(other.type_, EmptyMediaType())) {}

MediaType& MediaType::operator=(const MediaType& other) {
    if (this != &other) {
        MediaType copy(other);
        std::swap(type_, copy.type_);
    }
    return *this;
}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
    if (this != &other) {
        FreeMediaType(type_);
        type_ = std::exchange(other.type_, EmptyMediaType());
    }
    return *this;
}

MediaType::~MediaType() {
    FreeMediaType(type_);
}

MediaType MediaType::Video(const GUID& subType, const VIDEOINFOHEADER& header) {
    MediaType type(MEDIATYPE_Video, subType, FORMAT_VideoInfo,
                   std::span(reinterpret_cast<const BYTE*>(&header), sizeof header));
    type.SetSampleSize(header.bmiHeader.biSizeImage);
    return type;
}

MediaType MediaType::Audio(const GUID& subType, const WAVEFORMATEX& format) {
    MediaType type(MEDIATYPE_Audio, subType, FORMAT_WaveFormatEx,
                   std::span(reinterpret_cast<const BYTE*>(&format), sizeof format));
    type.SetSampleSize(format.nBlockAlign);
    return type;
}

AM_MEDIA_TYPE* MediaType::Receive() {
    FreeMediaType(type_);
    type_ = EmptyMediaType();
    return &type_;
}

void MediaType::SetFormat(const GUID& formatType, std::span<const BYTE> format) {
    BYTE* block = nullptr;
    if (!format.empty()) {
        block = static_cast<BYTE*>(CoTaskMemAlloc(format.size()));
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(block, format.data(), format.size());
    }
    CoTaskMemFree(type_.pbFormat);
    type_.formattype = formatType;
    type_.pbFormat = block;
    type_.cbFormat = static_cast<ULONG>(format.size());
}

void MediaType::SetSampleSize(ULONG sampleSize) {
    type_.lSampleSize = sampleSize;
    type_.bFixedSizeSamples = sampleSize != 0 ? TRUE : FALSE;
}

std::span<const BYTE> MediaType::Format() const {
    return type_.pbFormat != nullptr ? std::span<const BYTE>(type_.pbFormat, type_.cbFormat)
                                     : std::span<const BYTE>{};
}

}  // namespace capspect
