// The names a catalog may use for GUIDs, HRESULTs and physical connector types.
#include "platform/devices/catalog_names.h"

#include <array>

#include <dshow.h>

#include "platform/support/guids.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim {
namespace {

struct NamedGuid {
    std::string_view name;
    GUID guid;
};

// Where one GUID has two names, the first is the one a catalog is written with.
const auto kGuidNames = std::to_array<NamedGuid>({
    {"GUID_NULL", GUID_NULL},
    {"MEDIATYPE_Video", MEDIATYPE_Video},
    {"MEDIATYPE_Audio", MEDIATYPE_Audio},
    {"MEDIATYPE_Interleaved", MEDIATYPE_Interleaved},
    {"MEDIATYPE_Stream", MEDIATYPE_Stream},
    {"FORMAT_Vidscope", FORMAT_Vidscope},
    {"FORMAT_VideoInfo", FORMAT_VideoInfo},
    {"FORMAT_Vidscope2", FORMAT_Vidscope2},
    {"FORMAT_VideoInfo2", FORMAT_VideoInfo2},
    {"FORMAT_WaveFormatEx", FORMAT_WaveFormatEx},
    {"FORMAT_MPEGVideo", FORMAT_MPEGVideo},
    {"FORMAT_MPEGStreams", FORMAT_MPEGStreams},
    {"FORMAT_DvInfo", FORMAT_DvInfo},
    {"FORMAT_MPEG2Video", FORMAT_MPEG2Video},
    {"FORMAT_None", FORMAT_None},
    {"MEDIASUBTYPE_CLPL", MEDIASUBTYPE_CLPL},
    {"MEDIASUBTYPE_YUYV", MEDIASUBTYPE_YUYV},
    {"MEDIASUBTYPE_IYUV", MEDIASUBTYPE_IYUV},
    {"MEDIASUBTYPE_YVU9", MEDIASUBTYPE_YVU9},
    {"MEDIASUBTYPE_Y411", MEDIASUBTYPE_Y411},
    {"MEDIASUBTYPE_Y41P", MEDIASUBTYPE_Y41P},
    {"MEDIASUBTYPE_YUY2", MEDIASUBTYPE_YUY2},
    {"MEDIASUBTYPE_YVYU", MEDIASUBTYPE_YVYU},
    {"MEDIASUBTYPE_UYVY", MEDIASUBTYPE_UYVY},
    {"MEDIASUBTYPE_Y211", MEDIASUBTYPE_Y211},
    {"MEDIASUBTYPE_CLJR", MEDIASUBTYPE_CLJR},
    {"MEDIASUBTYPE_IF09", MEDIASUBTYPE_IF09},
    {"MEDIASUBTYPE_CPLA", MEDIASUBTYPE_CPLA},
    {"MEDIASUBTYPE_MJPG", MEDIASUBTYPE_MJPG},
    {"MEDIASUBTYPE_TVMJ", MEDIASUBTYPE_TVMJ},
    {"MEDIASUBTYPE_WAKE", MEDIASUBTYPE_WAKE},
    {"MEDIASUBTYPE_CFCC", MEDIASUBTYPE_CFCC},
    {"MEDIASUBTYPE_IJPG", MEDIASUBTYPE_IJPG},
    {"MEDIASUBTYPE_Plum", MEDIASUBTYPE_Plum},
    {"MEDIASUBTYPE_DVCS", MEDIASUBTYPE_DVCS},
    {"MEDIASUBTYPE_DVSD", MEDIASUBTYPE_DVSD},
    {"MEDIASUBTYPE_MDVF", MEDIASUBTYPE_MDVF},
    {"MEDIASUBTYPE_dvsd", MEDIASUBTYPE_dvsd},
    {"MEDIASUBTYPE_dvhd", MEDIASUBTYPE_dvhd},
    {"MEDIASUBTYPE_dvsl", MEDIASUBTYPE_dvsl},
    {"MEDIASUBTYPE_dv25", MEDIASUBTYPE_dv25},
    {"MEDIASUBTYPE_dv50", MEDIASUBTYPE_dv50},
    {"MEDIASUBTYPE_dvh1", MEDIASUBTYPE_dvh1},
    {"MEDIASUBTYPE_NV12", MEDIASUBTYPE_NV12},
    {"MEDIASUBTYPE_YV12", MEDIASUBTYPE_YV12},
    {"MEDIASUBTYPE_I420", MEDIASUBTYPE_I420},
    {"MEDIASUBTYPE_RGB1", MEDIASUBTYPE_RGB1},
    {"MEDIASUBTYPE_RGB4", MEDIASUBTYPE_RGB4},
    {"MEDIASUBTYPE_RGB8", MEDIASUBTYPE_RGB8},
    {"MEDIASUBTYPE_RGB565", MEDIASUBTYPE_RGB565},
    {"MEDIASUBTYPE_RGB555", MEDIASUBTYPE_RGB555},
    {"MEDIASUBTYPE_RGB24", MEDIASUBTYPE_RGB24},
    {"MEDIASUBTYPE_RGB32", MEDIASUBTYPE_RGB32},
    {"MEDIASUBTYPE_ARGB1555", MEDIASUBTYPE_ARGB1555},
    {"MEDIASUBTYPE_ARGB4444", MEDIASUBTYPE_ARGB4444},
    {"MEDIASUBTYPE_ARGB32", MEDIASUBTYPE_ARGB32},
    {"MEDIASUBTYPE_MPEG1Packet", MEDIASUBTYPE_MPEG1Packet},
    {"MEDIASUBTYPE_MPEG1Payload", MEDIASUBTYPE_MPEG1Payload},
    {"MEDIASUBTYPE_MPEG1System", MEDIASUBTYPE_MPEG1System},
    {"MEDIASUBTYPE_MPEG1VideoCD", MEDIASUBTYPE_MPEG1VideoCD},
    {"MEDIASUBTYPE_MPEG1Video", MEDIASUBTYPE_MPEG1Video},
    {"MEDIASUBTYPE_MPEG1Audio", MEDIASUBTYPE_MPEG1Audio},
    {"MEDIASUBTYPE_Avi", MEDIASUBTYPE_Avi},
    {"MEDIASUBTYPE_WAVE", MEDIASUBTYPE_WAVE},
    {"MEDIASUBTYPE_PCM", MEDIASUBTYPE_PCM},
    {"PIN_CATEGORY_CAPTURE", PIN_CATEGORY_CAPTURE},
    {"PIN_CATEGORY_PREVIEW", PIN_CATEGORY_PREVIEW},
    {"PIN_CATEGORY_ANALOGVIDEOIN", PIN_CATEGORY_ANALOGVIDEOIN},
    {"PIN_CATEGORY_VBI", PIN_CATEGORY_VBI},
    {"PIN_CATEGORY_VIDEOPORT", PIN_CATEGORY_VIDEOPORT},
    {"PIN_CATEGORY_NABTS", PIN_CATEGORY_NABTS},
    {"PIN_CATEGORY_EDS", PIN_CATEGORY_EDS},
    {"PIN_CATEGORY_TELETEXT", PIN_CATEGORY_TELETEXT},
    {"PIN_CATEGORY_CC", PIN_CATEGORY_CC},
    {"PIN_CATEGORY_STILL", PIN_CATEGORY_STILL},
    {"PIN_CATEGORY_TIMECODE", PIN_CATEGORY_TIMECODE},
    {"PIN_CATEGORY_VIDEOPORT_VBI", PIN_CATEGORY_VIDEOPORT_VBI},
});

struct NamedCode {
    std::string_view name;
    HRESULT hr;
};

constexpr auto kHresultNames = std::to_array<NamedCode>({
    {"S_OK", S_OK},
    {"S_FALSE", S_FALSE},
    {"E_NOTIMPL", E_NOTIMPL},
    {"E_NOINTERFACE", E_NOINTERFACE},
    {"E_POINTER", E_POINTER},
    {"E_ABORT", E_ABORT},
    {"E_FAIL", E_FAIL},
    {"E_UNEXPECTED", E_UNEXPECTED},
    {"E_ACCESSDENIED", E_ACCESSDENIED},
    {"E_HANDLE", E_HANDLE},
    {"E_OUTOFMEMORY", E_OUTOFMEMORY},
    {"E_INVALIDARG", E_INVALIDARG},
    {"CLASS_E_NOAGGREGATION", CLASS_E_NOAGGREGATION},
    {"CLASS_E_CLASSNOTAVAILABLE", CLASS_E_CLASSNOTAVAILABLE},
    {"REGDB_E_CLASSNOTREG", REGDB_E_CLASSNOTREG},
    {"MK_E_NOSTORAGE", MK_E_NOSTORAGE},
    {"E_PROP_ID_UNSUPPORTED", E_PROP_ID_UNSUPPORTED},
    {"E_PROP_SET_UNSUPPORTED", E_PROP_SET_UNSUPPORTED},
    {"VFW_S_NO_MORE_ITEMS", VFW_S_NO_MORE_ITEMS},
    {"VFW_S_PARTIAL_RENDER", VFW_S_PARTIAL_RENDER},
    {"VFW_S_NOPREVIEWPIN", VFW_S_NOPREVIEWPIN},
    {"VFW_E_INVALIDMEDIATYPE", VFW_E_INVALIDMEDIATYPE},
    {"VFW_E_INVALIDSUBTYPE", VFW_E_INVALIDSUBTYPE},
    {"VFW_E_ALREADY_CONNECTED", VFW_E_ALREADY_CONNECTED},
    {"VFW_E_FILTER_ACTIVE", VFW_E_FILTER_ACTIVE},
    {"VFW_E_NO_TYPES", VFW_E_NO_TYPES},
    {"VFW_E_NO_ACCEPTABLE_TYPES", VFW_E_NO_ACCEPTABLE_TYPES},
    {"VFW_E_INVALID_DIRECTION", VFW_E_INVALID_DIRECTION},
    {"VFW_E_NOT_CONNECTED", VFW_E_NOT_CONNECTED},
    {"VFW_E_RUNTIME_ERROR", VFW_E_RUNTIME_ERROR},
    {"VFW_E_NO_INTERFACE", VFW_E_NO_INTERFACE},
    {"VFW_E_NOT_FOUND", VFW_E_NOT_FOUND},
    {"VFW_E_CANNOT_CONNECT", VFW_E_CANNOT_CONNECT},
    {"VFW_E_CANNOT_RENDER", VFW_E_CANNOT_RENDER},
    {"VFW_E_CHANGING_FORMAT", VFW_E_CHANGING_FORMAT},
    {"VFW_E_NOT_STOPPED", VFW_E_NOT_STOPPED},
    {"VFW_E_WRONG_STATE", VFW_E_WRONG_STATE},
    {"VFW_E_TYPE_NOT_ACCEPTED", VFW_E_TYPE_NOT_ACCEPTED},
    {"VFW_E_TIMEOUT", VFW_E_TIMEOUT},
    {"VFW_E_INVALID_MEDIA_TYPE", VFW_E_INVALID_MEDIA_TYPE},
    {"VFW_E_NOT_IN_GRAPH", VFW_E_NOT_IN_GRAPH},
    {"VFW_E_UNSUPPORTED_STREAM", VFW_E_UNSUPPORTED_STREAM},
    {"VFW_E_NO_CAPTURE_HARDWARE", VFW_E_NO_CAPTURE_HARDWARE},
    {"VFW_E_BAD_KEY", VFW_E_BAD_KEY},
});

struct NamedConnector {
    std::string_view name;
    LONG value;
};

constexpr auto kConnectorNames = std::to_array<NamedConnector>({
    {"PhysConn_Video_Tuner", PhysConn_Video_Tuner},
    {"PhysConn_Video_Composite", PhysConn_Video_Composite},
    {"PhysConn_Video_SVideo", PhysConn_Video_SVideo},
    {"PhysConn_Video_RGB", PhysConn_Video_RGB},
    {"PhysConn_Video_YRYBY", PhysConn_Video_YRYBY},
    {"PhysConn_Video_SerialDigital", PhysConn_Video_SerialDigital},
    {"PhysConn_Video_ParallelDigital", PhysConn_Video_ParallelDigital},
    {"PhysConn_Video_SCSI", PhysConn_Video_SCSI},
    {"PhysConn_Video_AUX", PhysConn_Video_AUX},
    {"PhysConn_Video_1394", PhysConn_Video_1394},
    {"PhysConn_Video_USB", PhysConn_Video_USB},
    {"PhysConn_Video_VideoDecoder", PhysConn_Video_VideoDecoder},
    {"PhysConn_Video_VideoEncoder", PhysConn_Video_VideoEncoder},
    {"PhysConn_Video_SCART", PhysConn_Video_SCART},
    {"PhysConn_Video_Black", PhysConn_Video_Black},
    {"PhysConn_Audio_Tuner", PhysConn_Audio_Tuner},
    {"PhysConn_Audio_Line", PhysConn_Audio_Line},
    {"PhysConn_Audio_Mic", PhysConn_Audio_Mic},
    {"PhysConn_Audio_AESDigital", PhysConn_Audio_AESDigital},
    {"PhysConn_Audio_SPDIFDigital", PhysConn_Audio_SPDIFDigital},
    {"PhysConn_Audio_SCSI", PhysConn_Audio_SCSI},
    {"PhysConn_Audio_AUX", PhysConn_Audio_AUX},
    {"PhysConn_Audio_1394", PhysConn_Audio_1394},
    {"PhysConn_Audio_USB", PhysConn_Audio_USB},
    {"PhysConn_Audio_AudioDecoder", PhysConn_Audio_AudioDecoder},
});

}  // namespace

std::optional<GUID> GuidFromCatalogName(std::string_view name) {
    for (const auto& entry : kGuidNames) {
        if (entry.name == name) {
            return entry.guid;
        }
    }
    return std::nullopt;
}

std::string CatalogGuidText(const GUID& guid) {
    for (const auto& entry : kGuidNames) {
        if (entry.guid == guid) {
            return std::string(entry.name);
        }
    }
    return GuidToString(guid);
}

std::optional<HRESULT> HresultFromCatalogName(std::string_view name) {
    for (const auto& entry : kHresultNames) {
        if (entry.name == name) {
            return entry.hr;
        }
    }
    return std::nullopt;
}

std::optional<LONG> ConnectorFromCatalogName(std::string_view name) {
    for (const auto& entry : kConnectorNames) {
        if (entry.name == name) {
            return entry.value;
        }
    }
    return std::nullopt;
}

std::string CatalogConnectorText(LONG type) {
    for (const auto& entry : kConnectorNames) {
        if (entry.value == type) {
            return std::string(entry.name);
        }
    }
    return std::to_string(type);
}

}  // namespace capspect::sim
