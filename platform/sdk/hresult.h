// HRESULT result codes: the platform's type, tests and the constants this system uses.
#pragma once

#include <cstdint>

#include "platform/sdk/wintypes.h"

using HRESULT = std::int32_t;

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// Builds a code from severity (0 or 1), facility and code, as the platform's macro does.
constexpr HRESULT MAKE_HRESULT(unsigned severity, unsigned facility, unsigned code) {
    return static_cast<HRESULT>((severity << 31) | (facility << 16) | code);
}

// The platform writes codes as unsigned hex; this turns such a literal into an HRESULT.
constexpr HRESULT HResultFromBits(std::uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

constexpr unsigned FACILITY_WIN32 = 7;
constexpr HRESULT HRESULT_FROM_WIN32(unsigned long error) {
    return static_cast<HRESULT>(error) <= 0
               ? static_cast<HRESULT>(error)
               : static_cast<HRESULT>((error & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;

constexpr HRESULT E_NOTIMPL = HResultFromBits(0x80004001);
constexpr HRESULT E_NOINTERFACE = HResultFromBits(0x80004002);
constexpr HRESULT E_POINTER = HResultFromBits(0x80004003);
constexpr HRESULT E_ABORT = HResultFromBits(0x80004004);
constexpr HRESULT E_FAIL = HResultFromBits(0x80004005);
constexpr HRESULT E_UNEXPECTED = HResultFromBits(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = HResultFromBits(0x80070005);
constexpr HRESULT E_HANDLE = HResultFromBits(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = HResultFromBits(0x8007000E);
constexpr HRESULT E_INVALIDARG = HResultFromBits(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = HResultFromBits(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HResultFromBits(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = HResultFromBits(0x80040154);
constexpr HRESULT MK_E_SYNTAX = HResultFromBits(0x800401E4);
constexpr HRESULT E_PROP_ID_UNSUPPORTED = HResultFromBits(0x80070490);
constexpr HRESULT E_PROP_SET_UNSUPPORTED = HResultFromBits(0x80070492);

constexpr HRESULT STG_E_FILENOTFOUND = HResultFromBits(0x80030002);
constexpr HRESULT STG_E_PATHNOTFOUND = HResultFromBits(0x80030003);
constexpr HRESULT STG_E_ACCESSDENIED = HResultFromBits(0x80030005);
constexpr HRESULT STG_E_INVALIDPOINTER = HResultFromBits(0x80030009);
constexpr HRESULT STG_E_READFAULT = HResultFromBits(0x8003001E);
constexpr HRESULT STG_E_WRITEFAULT = HResultFromBits(0x8003001D);
constexpr HRESULT STG_E_FILEALREADYEXISTS = HResultFromBits(0x80030050);
constexpr HRESULT STG_E_INVALIDNAME = HResultFromBits(0x800300FC);
constexpr HRESULT STG_E_NOTSIMPLEFORMAT = HResultFromBits(0x800300FB);
constexpr HRESULT STG_E_FILENOTSTORAGE = HResultFromBits(0x800300FA);
constexpr HRESULT STG_S_CONVERTED = HResultFromBits(0x00030200);
constexpr HRESULT STG_E_INVALIDFUNCTION = HResultFromBits(0x80030001);
constexpr HRESULT STG_E_TOOMANYOPENFILES = HResultFromBits(0x80030004);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = HResultFromBits(0x80030008);
constexpr HRESULT STG_E_DISKISWRITEPROTECTED = HResultFromBits(0x80030013);
constexpr HRESULT STG_E_SHAREVIOLATION = HResultFromBits(0x80030020);
constexpr HRESULT STG_E_INVALIDPARAMETER = HResultFromBits(0x80030057);
constexpr HRESULT STG_E_MEDIUMFULL = HResultFromBits(0x80030070);
constexpr HRESULT STG_E_INVALIDHEADER = HResultFromBits(0x800300FB);
constexpr HRESULT STG_E_INVALIDFLAG = HResultFromBits(0x800300FF);
constexpr HRESULT STG_E_DOCFILECORRUPT = HResultFromBits(0x80030109);

constexpr unsigned long ERROR_SUCCESS = 0;
constexpr unsigned long ERROR_FILE_NOT_FOUND = 2;
constexpr unsigned long ERROR_PATH_NOT_FOUND = 3;
constexpr unsigned long ERROR_ACCESS_DENIED = 5;
constexpr unsigned long ERROR_INVALID_HANDLE = 6;
constexpr unsigned long ERROR_INVALID_PARAMETER = 87;
constexpr unsigned long ERROR_BAD_PATHNAME = 161;
constexpr unsigned long ERROR_MORE_DATA = 234;
constexpr unsigned long ERROR_NO_MORE_ITEMS = 259;

// Moniker and OLE Automation codes.
constexpr HRESULT MK_E_UNAVAILABLE = HResultFromBits(0x800401E3);
constexpr HRESULT MK_E_NOINVERSE = HResultFromBits(0x800401EC);
constexpr HRESULT MK_E_NOSTORAGE = HResultFromBits(0x800401ED);
constexpr HRESULT MK_E_NOPREFIX = HResultFromBits(0x800401EE);
constexpr HRESULT DISP_E_TYPEMISMATCH = HResultFromBits(0x80020005);
constexpr HRESULT DISP_E_BADVARTYPE = HResultFromBits(0x80020008);
constexpr HRESULT DISP_E_OVERFLOW = HResultFromBits(0x8002000A);

// DirectShow status codes.
constexpr HRESULT VFW_S_NO_MORE_ITEMS = HResultFromBits(0x00040103);
constexpr HRESULT VFW_S_DUPLICATE_NAME = HResultFromBits(0x0004022D);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = HResultFromBits(0x00040237);
constexpr HRESULT VFW_S_PARTIAL_RENDER = HResultFromBits(0x00040242);
constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = HResultFromBits(0x00040258);
constexpr HRESULT VFW_S_VIDEO_NOT_RENDERED = HResultFromBits(0x00040257);
constexpr HRESULT VFW_S_CANT_CUE = HResultFromBits(0x00040268);
constexpr HRESULT VFW_S_NOPREVIEWPIN = HResultFromBits(0x0004027E);

// DirectShow error codes.
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = HResultFromBits(0x80040200);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = HResultFromBits(0x80040201);
constexpr HRESULT VFW_E_NEED_OWNER = HResultFromBits(0x80040202);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = HResultFromBits(0x80040203);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = HResultFromBits(0x80040204);
constexpr HRESULT VFW_E_FILTER_ACTIVE = HResultFromBits(0x80040205);
constexpr HRESULT VFW_E_NO_TYPES = HResultFromBits(0x80040206);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = HResultFromBits(0x80040207);
constexpr HRESULT VFW_E_INVALID_DIRECTION = HResultFromBits(0x80040208);
constexpr HRESULT VFW_E_NOT_CONNECTED = HResultFromBits(0x80040209);
constexpr HRESULT VFW_E_NO_ALLOCATOR = HResultFromBits(0x8004020A);
constexpr HRESULT VFW_E_RUNTIME_ERROR = HResultFromBits(0x8004020B);
constexpr HRESULT VFW_E_NO_CLOCK = HResultFromBits(0x80040213);
constexpr HRESULT VFW_E_NO_SINK = HResultFromBits(0x80040214);
constexpr HRESULT VFW_E_NO_INTERFACE = HResultFromBits(0x80040215);
constexpr HRESULT VFW_E_NOT_FOUND = HResultFromBits(0x80040216);
constexpr HRESULT VFW_E_CANNOT_CONNECT = HResultFromBits(0x80040217);
constexpr HRESULT VFW_E_CANNOT_RENDER = HResultFromBits(0x80040218);
constexpr HRESULT VFW_E_CHANGING_FORMAT = HResultFromBits(0x80040219);
constexpr HRESULT VFW_E_NO_COLOR_KEY_SET = HResultFromBits(0x8004021A);
constexpr HRESULT VFW_E_NOT_OVERLAY_CONNECTION = HResultFromBits(0x8004021B);
constexpr HRESULT VFW_E_STATE_CHANGED = HResultFromBits(0x80040223);
constexpr HRESULT VFW_E_NOT_STOPPED = HResultFromBits(0x80040224);
constexpr HRESULT VFW_E_NOT_PAUSED = HResultFromBits(0x80040225);
constexpr HRESULT VFW_E_NOT_RUNNING = HResultFromBits(0x80040226);
constexpr HRESULT VFW_E_WRONG_STATE = HResultFromBits(0x80040227);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = HResultFromBits(0x8004022A);
constexpr HRESULT VFW_E_DUPLICATE_NAME = HResultFromBits(0x8004022D);
constexpr HRESULT VFW_E_TIMEOUT = HResultFromBits(0x8004022E);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = HResultFromBits(0x8004022F);
constexpr HRESULT VFW_E_ENUM_OUT_OF_RANGE = HResultFromBits(0x80040230);
constexpr HRESULT VFW_E_CIRCULAR_GRAPH = HResultFromBits(0x80040231);
constexpr HRESULT VFW_E_NOT_ALLOWED_TO_SAVE = HResultFromBits(0x80040232);
constexpr HRESULT VFW_E_CORRUPT_GRAPH_FILE = HResultFromBits(0x80040235);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = HResultFromBits(0x80040240);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = HResultFromBits(0x80040241);
constexpr HRESULT VFW_E_FILE_TOO_SHORT = HResultFromBits(0x80040243);
constexpr HRESULT VFW_E_INVALID_FILE_VERSION = HResultFromBits(0x80040244);
constexpr HRESULT VFW_E_INVALID_CLSID = HResultFromBits(0x80040247);
constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = HResultFromBits(0x80040248);
constexpr HRESULT VFW_E_NO_TIME_FORMAT_SET = HResultFromBits(0x80040252);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = HResultFromBits(0x8004025F);
constexpr HRESULT VFW_E_NO_TIME_FORMAT = HResultFromBits(0x80040261);
constexpr HRESULT VFW_E_READ_ONLY = HResultFromBits(0x80040262);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = HResultFromBits(0x80040265);
constexpr HRESULT VFW_E_NO_CAPTURE_HARDWARE = HResultFromBits(0x80040275);
constexpr HRESULT VFW_E_VMR_NOT_IN_MIXER_MODE = HResultFromBits(0x80040296);
constexpr HRESULT VFW_E_BAD_KEY = HResultFromBits(0x800403F2);
