// COM runtime services: object creation through a class registry that backends fill,
// task memory, apartment initialisation.
#pragma once

#include <cstddef>

#include "platform/sdk/unknown.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

HRESULT CoInitializeEx(void* reserved, DWORD coinit);
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Tests can make it fail with the fault "CoCreateInstance" (platform/faults.h).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object);

void* CoTaskMemAlloc(std::size_t size);
void* CoTaskMemRealloc(void* block, std::size_t size);
void CoTaskMemFree(void* block);
