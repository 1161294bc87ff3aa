#include "util/MediaTypeHelpers.h"

#include <objbase.h>

namespace capspect {

void ClearMediaType(AM_MEDIA_TYPE& mediaType) {
    if (mediaType.cbFormat != 0) {
        CoTaskMemFree(mediaType.pbFormat);
        mediaType.cbFormat = 0;
        mediaType.pbFormat = nullptr;
    }
    if (mediaType.pUnk != nullptr) {
        IUnknown* const unknown = mediaType.pUnk;
        mediaType.pUnk = nullptr;
        unknown->Release();
    }
}

void DisposeMediaType(AM_MEDIA_TYPE* mediaType) {
    if (mediaType != nullptr) {
        ClearMediaType(*mediaType);
        CoTaskMemFree(mediaType);
    }
}

}  // namespace capspect
