// Media file identification: a look at a file's first bytes tells which kind of video it
// holds (AVI and WAVE, ISO base media and QuickTime brands, MPEG-1 and MPEG-2 streams).
#pragma once

#include <string>
#include <string_view>

#include "mediainfo/byte_stream.h"

namespace capspect {

// What identification found. Four-character codes read from a file are UTF-8 here, each
// byte taken as a character of the Windows-1252 code page and the code cut at its first
// zero byte.
struct TAviInfo {
    // AVI: the video stream's handler code; ftyp: the major brand; MPEG: "MPEG-1" or
    // "MPEG-2"; WAVE: "Audio".
    std::string VideoCodec;
    // AVI: the FOURCC description of VideoCodec; ftyp: a description of the brand; MPEG:
    // the same text as VideoCodec; WAVE: "Audio".
    std::string VideoCodecName;
    // AVI: the audio (or interleaved DV) stream's handler code; WAVE: "WAVE".
    std::string AudioCodec;
    // True for every RIFF file of form "AVI " or "WAVE".
    bool AviFile = false;

    friend bool operator==(const TAviInfo&, const TAviInfo&) = default;
};

// Identifies the file `fileName`: RIFF first, then (for other files) an ftyp box, then,
// when the extension suggests it, an MPEG stream. Raises EFOpenError when the file cannot
// be opened.
void IdentifyMediaFile(std::u16string_view fileName, TAviInfo& info);

// IdentifyMediaFile over an open stream; `fileName` only supplies the extension.
void IdentifyMediaStream(ByteStream& stream, std::u16string_view fileName, TAviInfo& info);

// Reads the stream and codec codes of a RIFF AVI file's header list, or marks a WAVE file.
void ReadRiffInfo(ByteStream& stream, TAviInfo& info);

// Reads a leading ftyp box; true when the stream starts with one.
bool ReadFtypInfo(ByteStream& stream, TAviInfo& info);

// 1 or 2 for an MPEG-1 or MPEG-2 program or video elementary stream, 0 otherwise.
int DetectMpegVersion(ByteStream& stream);

}  // namespace capspect
