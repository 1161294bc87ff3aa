// DirectShow media type records and identifiers, with the platform's names and binary
// layout (VIDEOINFOHEADER is 88 bytes, VIDEOINFOHEADER2 112, VIDEO_STREAM_CONFIG_CAPS 128).
#pragma once

#include "platform/sdk/guid.h"
#include "platform/sdk/unknown.h"
#include "platform/sdk/wintypes.h"

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};

struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    DWORD dwInterlaceFlags;
    DWORD dwCopyProtectFlags;
    DWORD dwPictAspectRatioX;
    DWORD dwPictAspectRatioY;
    DWORD dwControlFlags;  // shares its place with dwReserved1 on the platform
    DWORD dwReserved2;
    BITMAPINFOHEADER bmiHeader;
};

struct VIDEO_STREAM_CONFIG_CAPS {
    GUID guid;
    ULONG VideoStandard;
    SIZE InputSize;
    SIZE MinCroppingSize;
    SIZE MaxCroppingSize;
    int CropGranularityX;
    int CropGranularityY;
    int CropAlignX;
    int CropAlignY;
    SIZE MinOutputSize;
    SIZE MaxOutputSize;
    int OutputGranularityX;
    int OutputGranularityY;
    int StretchTapsX;
    int StretchTapsY;
    int ShrinkTapsX;
    int ShrinkTapsY;
    LONGLONG MinFrameInterval;
    LONGLONG MaxFrameInterval;
    LONG MinBitsPerSecond;
    LONG MaxBitsPerSecond;
};

// WAVEFORMATEX is packed on the platform (18 bytes).
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)

static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(sizeof(VIDEOINFOHEADER2) == 112);
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);
static_assert(sizeof(WAVEFORMATEX) == 18);

// The analog video standard bits (AnalogVideoStandard).
enum AnalogVideoStandard : ULONG {
    AnalogVideo_None = 0x00000000,
    AnalogVideo_NTSC_M = 0x00000001,
    AnalogVideo_NTSC_M_J = 0x00000002,
    AnalogVideo_NTSC_433 = 0x00000004,
    AnalogVideo_PAL_B = 0x00000010,
    AnalogVideo_PAL_D = 0x00000020,
    AnalogVideo_PAL_G = 0x00000040,
    AnalogVideo_PAL_H = 0x00000080,
    AnalogVideo_PAL_I = 0x00000100,
    AnalogVideo_PAL_M = 0x00000200,
    AnalogVideo_PAL_N = 0x00000400,
    AnalogVideo_PAL_60 = 0x00000800,
    AnalogVideo_SECAM_B = 0x00001000,
    AnalogVideo_SECAM_D = 0x00002000,
    AnalogVideo_SECAM_G = 0x00004000,
    AnalogVideo_SECAM_H = 0x00008000,
    AnalogVideo_SECAM_K = 0x00010000,
    AnalogVideo_SECAM_K1 = 0x00020000,
    AnalogVideo_SECAM_L = 0x00040000,
    AnalogVideo_SECAM_L1 = 0x00080000,
    AnalogVideo_PAL_N_COMBO = 0x00100000,
};

// Major types.
inline const GUID MEDIATYPE_Video = capspect::sdk::FourCCSubtype("vids");
inline const GUID MEDIATYPE_Audio = capspect::sdk::FourCCSubtype("auds");
inline const GUID MEDIATYPE_Interleaved = capspect::sdk::FourCCSubtype("iavs");
inline const GUID MEDIATYPE_Stream{
    0xE436EB83, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Format types.
inline const GUID FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const GUID FORMAT_WaveFormatEx{
    0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const GUID FORMAT_MPEGVideo{
    0x05589F82, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const GUID FORMAT_MPEGStreams{
    0x05589F83, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const GUID FORMAT_DvInfo{
    0x05589F84, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline const GUID FORMAT_VideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline const GUID FORMAT_MPEG2Video{
    0xE06D80E3, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
inline const GUID FORMAT_None{
    0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// Video subtypes in the FOURCC form.
inline const GUID MEDIASUBTYPE_CLPL = capspect::sdk::FourCCSubtype("CLPL");
inline const GUID MEDIASUBTYPE_YUYV = capspect::sdk::FourCCSubtype("YUYV");
inline const GUID MEDIASUBTYPE_IYUV = capspect::sdk::FourCCSubtype("IYUV");
inline const GUID MEDIASUBTYPE_YVU9 = capspect::sdk::FourCCSubtype("YVU9");
inline const GUID MEDIASUBTYPE_Y411 = capspect::sdk::FourCCSubtype("Y411");
inline const GUID MEDIASUBTYPE_Y41P = capspect::sdk::FourCCSubtype("Y41P");
inline const GUID MEDIASUBTYPE_YUY2 = capspect::sdk::FourCCSubtype("YUY2");
inline const GUID MEDIASUBTYPE_YVYU = capspect::sdk::FourCCSubtype("YVYU");
inline const GUID MEDIASUBTYPE_UYVY = capspect::sdk::FourCCSubtype("UYVY");
inline const GUID MEDIASUBTYPE_Y211 = capspect::sdk::FourCCSubtype("Y211");
inline const GUID MEDIASUBTYPE_CLJR = capspect::sdk::FourCCSubtype("CLJR");
inline const GUID MEDIASUBTYPE_IF09 = capspect::sdk::FourCCSubtype("IF09");
inline const GUID MEDIASUBTYPE_CPLA = capspect::sdk::FourCCSubtype("CPLA");
inline const GUID MEDIASUBTYPE_MJPG = capspect::sdk::FourCCSubtype("MJPG");
inline const GUID MEDIASUBTYPE_TVMJ = capspect::sdk::FourCCSubtype("TVMJ");
inline const GUID MEDIASUBTYPE_WAKE = capspect::sdk::FourCCSubtype("WAKE");
inline const GUID MEDIASUBTYPE_CFCC = capspect::sdk::FourCCSubtype("CFCC");
inline const GUID MEDIASUBTYPE_IJPG = capspect::sdk::FourCCSubtype("IJPG");
inline const GUID MEDIASUBTYPE_Plum = capspect::sdk::FourCCSubtype("Plum");
inline const GUID MEDIASUBTYPE_DVCS = capspect::sdk::FourCCSubtype("DVCS");
inline const GUID MEDIASUBTYPE_DVSD = capspect::sdk::FourCCSubtype("DVSD");
inline const GUID MEDIASUBTYPE_MDVF = capspect::sdk::FourCCSubtype("MDVF");
inline const GUID MEDIASUBTYPE_dvsd = capspect::sdk::FourCCSubtype("dvsd");
inline const GUID MEDIASUBTYPE_dvhd = capspect::sdk::FourCCSubtype("dvhd");
inline const GUID MEDIASUBTYPE_dvsl = capspect::sdk::FourCCSubtype("dvsl");
inline const GUID MEDIASUBTYPE_dv25 = capspect::sdk::FourCCSubtype("dv25");
inline const GUID MEDIASUBTYPE_dv50 = capspect::sdk::FourCCSubtype("dv50");
inline const GUID MEDIASUBTYPE_dvh1 = capspect::sdk::FourCCSubtype("dvh1");
inline const GUID MEDIASUBTYPE_NV12 = capspect::sdk::FourCCSubtype("NV12");
inline const GUID MEDIASUBTYPE_YV12 = capspect::sdk::FourCCSubtype("YV12");
inline const GUID MEDIASUBTYPE_I420 = capspect::sdk::FourCCSubtype("I420");

// Video subtypes with GUIDs of their own.
inline const GUID MEDIASUBTYPE_RGB1{
    0xE436EB78, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_RGB4{
    0xE436EB79, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_RGB8{
    0xE436EB7A, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_RGB565{
    0xE436EB7B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_RGB555{
    0xE436EB7C, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_RGB32{
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_ARGB1555{
    0x297C55AF, 0xE209, 0x4CB3, {0xB7, 0x57, 0xC7, 0x6D, 0x6B, 0x9C, 0x88, 0xA8}};
inline const GUID MEDIASUBTYPE_ARGB4444{
    0x6E6415E6, 0x5C24, 0x425F, {0x93, 0xCD, 0x80, 0x10, 0x2B, 0x3D, 0x1C, 0xCA}};
inline const GUID MEDIASUBTYPE_ARGB32{
    0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};

// Stream subtypes.
inline const GUID MEDIASUBTYPE_MPEG1Packet{
    0xE436EB80, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_MPEG1Payload{
    0xE436EB81, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_MPEG1System{
    0xE436EB84, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_MPEG1VideoCD{
    0xE436EB85, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_MPEG1Video{
    0xE436EB86, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_MPEG1Audio{
    0xE436EB87, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_Avi{
    0xE436EB88, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline const GUID MEDIASUBTYPE_WAVE{
    0xE436EB8B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Audio subtypes: the wave format tag in the FOURCC form.
inline const GUID MEDIASUBTYPE_PCM = capspect::sdk::FourCCSubtype(0x00000001);
