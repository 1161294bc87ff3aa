// Releasing DirectShow media type records.
#pragma once

#include <dshow.h>
#include <dvdmedia.h>

namespace capspect {

// Frees the format block (when cbFormat is not 0) and releases pUnk, clearing the fields.
// A pbFormat with cbFormat 0 is left alone: the record does not own it.
void ClearMediaType(AM_MEDIA_TYPE& mediaType);

// Clears a record that the platform allocated and frees the record itself; null is allowed.
void DisposeMediaType(AM_MEDIA_TYPE* mediaType);

}  // namespace capspect
