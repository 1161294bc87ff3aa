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
inline constexpr GUID MEDIATYPE_Video = FourCCGuid("vids");
inline constexpr GUID MEDIATYPE_Audio = FourCCGuid("auds");
inline constexpr GUID MEDIATYPE_Interleaved = FourCCGuid("iavs");
inline constexpr GUID MEDIATYPE_Stream{
    0xE436EB83, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Format types. FORMAT_Vidscope and FORMAT_Vidscope2 are this system's names for the
// platform's FORMAT_VideoInfo and FORMAT_VideoInfo2; both spellings stand for one GUID.
inline constexpr GUID FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_WaveFormatEx{
    0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_MPEGVideo{
    0x05589F82, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_MPEGStreams{
    0x05589F83, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_DvInfo{
    0x05589F84, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_VideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID FORMAT_MPEG2Video{
    0xE06D80E3, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
inline constexpr GUID FORMAT_None{
    0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
inline constexpr const GUID& FORMAT_Vidscope = FORMAT_VideoInfo;
inline constexpr const GUID& FORMAT_Vidscope2 = FORMAT_VideoInfo2;

// Video subtypes in the FOURCC form.
inline constexpr GUID MEDIASUBTYPE_CLPL = FourCCGuid("CLPL");
inline constexpr GUID MEDIASUBTYPE_YUYV = FourCCGuid("YUYV");
inline constexpr GUID MEDIASUBTYPE_IYUV = FourCCGuid("IYUV");
inline constexpr GUID MEDIASUBTYPE_YVU9 = FourCCGuid("YVU9");
inline constexpr GUID MEDIASUBTYPE_Y411 = FourCCGuid("Y411");
inline constexpr GUID MEDIASUBTYPE_Y41P = FourCCGuid("Y41P");
inline constexpr GUID MEDIASUBTYPE_YUY2 = FourCCGuid("YUY2");
inline constexpr GUID MEDIASUBTYPE_YVYU = FourCCGuid("YVYU");
inline constexpr GUID MEDIASUBTYPE_UYVY = FourCCGuid("UYVY");
inline constexpr GUID MEDIASUBTYPE_Y211 = FourCCGuid("Y211");
inline constexpr GUID MEDIASUBTYPE_CLJR = FourCCGuid("CLJR");
inline constexpr GUID MEDIASUBTYPE_IF09 = FourCCGuid("IF09");
inline constexpr GUID MEDIASUBTYPE_CPLA = FourCCGuid("CPLA");
inline constexpr GUID MEDIASUBTYPE_MJPG = FourCCGuid("MJPG");
inline constexpr GUID MEDIASUBTYPE_TVMJ = FourCCGuid("TVMJ");
inline constexpr GUID MEDIASUBTYPE_WAKE = FourCCGuid("WAKE");
inline constexpr GUID MEDIASUBTYPE_CFCC = FourCCGuid("CFCC");
inline constexpr GUID MEDIASUBTYPE_IJPG = FourCCGuid("IJPG");
inline constexpr GUID MEDIASUBTYPE_Plum = FourCCGuid("Plum");
inline constexpr GUID MEDIASUBTYPE_DVCS = FourCCGuid("DVCS");
inline constexpr GUID MEDIASUBTYPE_DVSD = FourCCGuid("DVSD");
inline constexpr GUID MEDIASUBTYPE_MDVF = FourCCGuid("MDVF");
inline constexpr GUID MEDIASUBTYPE_dvsd = FourCCGuid("dvsd");
inline constexpr GUID MEDIASUBTYPE_dvhd = FourCCGuid("dvhd");
inline constexpr GUID MEDIASUBTYPE_dvsl = FourCCGuid("dvsl");
inline constexpr GUID MEDIASUBTYPE_dv25 = FourCCGuid("dv25");
inline constexpr GUID MEDIASUBTYPE_dv50 = FourCCGuid("dv50");
inline constexpr GUID MEDIASUBTYPE_dvh1 = FourCCGuid("dvh1");
inline constexpr GUID MEDIASUBTYPE_NV12 = FourCCGuid("NV12");
inline constexpr GUID MEDIASUBTYPE_YV12 = FourCCGuid("YV12");
inline constexpr GUID MEDIASUBTYPE_I420 = FourCCGuid("I420");

// Video subtypes with GUIDs of their own.
inline constexpr GUID MEDIASUBTYPE_RGB1{
    0xE436EB78, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB4{
    0xE436EB79, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB8{
    0xE436EB7A, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB565{
    0xE436EB7B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB555{
    0xE436EB7C, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32{
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_ARGB1555{
    0x297C55AF, 0xE209, 0x4CB3, {0xB7, 0x57, 0xC7, 0x6D, 0x6B, 0x9C, 0x88, 0xA8}};
inline constexpr GUID MEDIASUBTYPE_ARGB4444{
    0x6E6415E6, 0x5C24, 0x425F, {0x93, 0xCD, 0x80, 0x10, 0x2B, 0x3D, 0x1C, 0xCA}};
inline constexpr GUID MEDIASUBTYPE_ARGB32{
    0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};

// Stream subtypes.
inline constexpr GUID MEDIASUBTYPE_MPEG1Packet{
    0xE436EB80, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_MPEG1Payload{
    0xE436EB81, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_MPEG1System{
    0xE436EB84, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_MPEG1VideoCD{
    0xE436EB85, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_MPEG1Video{
    0xE436EB86, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_MPEG1Audio{
    0xE436EB87, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_Avi{
    0xE436EB88, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_WAVE{
    0xE436EB8B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Audio subtypes: the wave format tag in the FOURCC form.
inline constexpr GUID MEDIASUBTYPE_PCM = FourCCGuid(0x00000001);
