// Names the Windows SDK documents that the headers or import libraries of mingw-w64 10 lack,
// with their documented values. The wrappers in include/ add them to the SDK header that
// declares them on the platform, so that code includes the SDK's header names only.
#pragma once

#include <guiddef.h>

// Class and category identifiers that no mingw-w64 header declares (definitions in
// mingw_gaps.cpp).
EXTERN_C const CLSID CLSID_EnhancedVideoRenderer;
EXTERN_C const GUID CLSID_VideoEffects1Category;
EXTERN_C const GUID CLSID_VideoEffects2Category;
// The planar YUV 4:2:0 subtype, FOURCC "I420".
EXTERN_C const GUID MEDIASUBTYPE_I420;

// Interfaces that the headers declare without the identity __uuidof needs.
#ifdef __cplusplus
struct IMediaEvent;
struct IMediaEventEx;
struct IVideoWindow;
struct IBasicVideo;
struct IBasicVideo2;
struct IBasicAudio;
struct IVMRMixerBitmap;
struct IVMRFilterConfig;
__CRT_UUID_DECL(IMediaEvent, 0x56A868B6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
                0x70)
__CRT_UUID_DECL(IMediaEventEx, 0x56A868C0, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
                0x70)
__CRT_UUID_DECL(IVideoWindow, 0x56A868B4, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
                0x70)
__CRT_UUID_DECL(IBasicVideo, 0x56A868B5, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
                0x70)
__CRT_UUID_DECL(IBasicVideo2, 0x329BB360, 0xF6EA, 0x11D1, 0x90, 0x38, 0x00, 0xA0, 0xC9, 0x69, 0x72,
                0x98)
__CRT_UUID_DECL(IBasicAudio, 0x56A868B3, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
                0x70)
__CRT_UUID_DECL(IVMRMixerBitmap, 0x1E673275, 0x0257, 0x40AA, 0xAF, 0x20, 0x7C, 0x60, 0x8D, 0x4A,
                0x04, 0x28)
__CRT_UUID_DECL(IVMRFilterConfig, 0x9E5530C5, 0x7034, 0x48B4, 0xBB, 0x46, 0x0B, 0x8A, 0x6E, 0xFC,
                0x8E, 0x36)
#endif
