// Handling of AM_MEDIA_TYPE records whose format blocks live in CoTaskMem memory, with the
// names the platform's filter base classes give these helpers, and MediaType, an owner of
// one media type.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include <windows.h>

#include <dshow.h>
#include <dvdmedia.h>

// Copies `source` into `target` (whose own blocks must already be free): the format block
// is duplicated and the pUnk reference added. E_OUTOFMEMORY leaves `target` empty.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// Frees the format block and releases pUnk; the record itself stays.
void FreeMediaType(AM_MEDIA_TYPE& mediaType);
// A CoTaskMem-allocated copy of `source`, or null when memory runs out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);
// Frees a CoTaskMem-allocated media type and its format block; null is allowed.
void DeleteMediaType(AM_MEDIA_TYPE* mediaType);

namespace capspect {

// This system's names for the platform's FORMAT_VideoInfo and FORMAT_VideoInfo2; both
// spellings stand for one GUID.
inline const GUID& FORMAT_Vidscope = FORMAT_VideoInfo;
inline const GUID& FORMAT_Vidscope2 = FORMAT_VideoInfo2;

// True when the major types, subtypes, format types and format blocks are equal.
bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

// True when `candidate` fits the possibly partial `pattern`: a GUID_NULL major type,
// subtype or format type in the pattern matches any value, and the format block is
// compared only when the pattern names a format type and carries a block.
bool MediaTypeMatches(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern);

// Deletes a media type handed out by the platform (GetFormat, GetStreamCaps, enumerators).
struct MediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* mediaType) const { DeleteMediaType(mediaType); }
};
using UniqueMediaType = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDeleter>;

// Owns one media type and its format block. Copies are deep; running out of memory while
// copying throws std::bad_alloc.
class MediaType {
public:
    MediaType();
    MediaType(const GUID& majorType, const GUID& subType, const GUID& formatType = GUID_NULL,
              std::span<const BYTE> format = {});
    explicit MediaType(const AM_MEDIA_TYPE& source);
    MediaType(const MediaType& other);
    MediaType(MediaType&& other) noexcept;
    MediaType& operator=(const MediaType& other);
    MediaType& operator=(MediaType&& other) noexcept;
    ~MediaType();

    // A media type with a VIDEOINFOHEADER format block.
    static MediaType Video(const GUID& subType, const VIDEOINFOHEADER& header);
    // A media type with a WAVEFORMATEX format block.
    static MediaType Audio(const GUID& subType, const WAVEFORMATEX& format);

    const AM_MEDIA_TYPE& Get() const { return type_; }
    const AM_MEDIA_TYPE* operator->() const { return &type_; }
    // Frees what is held and hands the empty record out for a call to fill.
    AM_MEDIA_TYPE* Receive();

    void SetFormat(const GUID& formatType, std::span<const BYTE> format);
    void SetSampleSize(ULONG sampleSize);
    std::span<const BYTE> Format() const;
    // The format block as `T`, or null when it is too short for one.
    template <typename T>
    const T* FormatAs() const {
        return type_.cbFormat >= sizeof(T) ? reinterpret_cast<const T*>(type_.pbFormat) : nullptr;
    }

    // A CoTaskMem-allocated copy for handing to a caller, or null when memory runs out.
    AM_MEDIA_TYPE* CreateCopy() const { return CreateMediaType(&type_); }
    // Fills a caller's record with a copy (the caller frees it with FreeMediaType).
    HRESULT CopyTo(AM_MEDIA_TYPE* target) const { return CopyMediaType(target, &type_); }

    friend bool operator==(const MediaType& a, const MediaType& b) {
        return MediaTypesEqual(a.type_, b.type_);
    }

private:
    AM_MEDIA_TYPE type_;
};

}  // namespace capspect
