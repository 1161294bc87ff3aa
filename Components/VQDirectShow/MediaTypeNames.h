// Short names of media format types, video subtypes and analog video standards, as the
// format report shows them.
#pragma once

#include <string>

#include <windows.h>

namespace capspect {

// Name of the format block's layout, e.g. "VIDEOINFOHEADER"; "unknown" for an unlisted GUID.
std::u16string FormatTypeName(const GUID& formatType);

// Name of a video subtype, e.g. "YUY2"; "unknown SubType" for an unlisted GUID.
std::u16string SubtypeName(const GUID& subtype);

// The set of AnalogVideoStandard bits as text, e.g. "NTSC-M PAL-B/G PAL-60": the NTSC,
// PAL, PAL-60, SECAM and PAL-N (COMBO) groups in that order, joined by single blanks.
// "None" for 0; unnamed bits are ignored.
std::u16string VideoStandardName(ULONG standards);

}  // namespace capspect
