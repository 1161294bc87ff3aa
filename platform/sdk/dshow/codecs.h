// Media types of the standard splitters and decoders: MPEG-1 video and audio payloads.
#pragma once

#include "platform/sdk/mediatype.h"

constexpr WORD WAVE_FORMAT_MPEG = 0x0050;

// MPEG-1 audio as the MPEG-1 splitter delivers it.
inline const GUID MEDIASUBTYPE_MPEG1AudioPayload = capspect::sdk::FourCCSubtype(WAVE_FORMAT_MPEG);

// FORMAT_MPEGVideo: a VIDEOINFOHEADER followed by the stream's sequence header.
struct MPEG1VIDEOINFO {
    VIDEOINFOHEADER hdr;
    DWORD dwStartTimeCode;
    DWORD cbSequenceHeader;
    BYTE bSequenceHeader[1];
};
