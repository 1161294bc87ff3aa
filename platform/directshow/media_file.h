// What the simulated file source needs to know of a media file: the kind of byte stream it
// offers (which splitter takes it) and, where the headers tell it, the playing time. Only
// the start of the file is read; nothing is decoded.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "platform/sdk/guid.h"
#include "platform/sdk/wintypes.h"

namespace capspect::sim {

struct MediaFileFacts {
    // MEDIASUBTYPE_Avi, MEDIASUBTYPE_MPEG1System or MEDIASUBTYPE_WAVE.
    GUID subtype;
    // In 100 ns units; unknown when the headers do not tell it.
    std::optional<LONGLONG> duration;
};

// Identifies a file by its first bytes (`head`), else by the extension of `fileName`;
// nothing for other files. `fileSize` is the size of the whole file.
std::optional<MediaFileFacts> IdentifyMediaFile(std::span<const BYTE> head, ULONGLONG fileSize,
                                                std::u16string_view fileName);

// Reads the start of the file and identifies it. A file that cannot be read answers the
// platform's file error (HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), E_ACCESSDENIED, ...).
HRESULT InspectMediaFile(std::u16string_view fileName, std::optional<MediaFileFacts>& facts);

}  // namespace capspect::sim
