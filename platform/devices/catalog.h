// The device catalog: the simulated capture devices, as a JSON file describes them
// (docs/catalog.md), and its loader. The model carries everything the simulated device
// enumerator, device filter and crossbar need, including the faults they are to inject.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <windows.h>

#include <dshow.h>
#include <dvdmedia.h>

#include "platform/devices/catalog_names.h"

namespace capspect::sim {

// A platform call that is to fail with `hr`. Without `indices` every call fails; with them
// only the calls for those indices (what an index means depends on the call).
struct CallFault {
    HRESULT hr = E_FAIL;
    std::optional<std::vector<int>> indices;

    bool AppliesTo(int index) const;
};
using OptionalFault = std::optional<CallFault>;

// The fault of IAMCrossbar::get_CrossbarPinInfo: for the listed input and output pins, or
// for every pin when neither list is given.
struct CrossbarPinInfoFault {
    HRESULT hr = E_FAIL;
    std::optional<std::vector<int>> inputs;
    std::optional<std::vector<int>> outputs;

    bool AppliesTo(bool isInput, int index) const;
};

// A media type: the AM_MEDIA_TYPE fields and the format block's fields.
struct MediaTypeDesc {
    GUID majortype{};
    GUID subtype{};
    GUID formattype{};
    BOOL bFixedSizeSamples = TRUE;
    BOOL bTemporalCompression = FALSE;
    ULONG lSampleSize = 0;
    // The size of the format block, which may differ from the size of the structure: a
    // shorter block is the structure cut off, a longer one is padded with zeros.
    ULONG cbFormat = 0;
    // The structure the format type calls for; nothing for other format types.
    std::variant<std::monostate, VIDEOINFOHEADER, VIDEOINFOHEADER2, WAVEFORMATEX> format;

    // The cbFormat bytes of the format block.
    std::vector<BYTE> FormatBlock() const;
};

// A streaming failure that ends a simulated stream after `afterFrames` frames.
struct StreamFailureDesc {
    int afterFrames = 0;
    HRESULT hr = E_FAIL;
};

// What a capability delivers when it is streamed. Without it a capability streams at the
// rate of the format set, the first frame one frame interval after the start.
struct StreamingDesc {
    // The real frame interval; none: the set format's AvgTimePerFrame.
    std::optional<REFERENCE_TIME> frameInterval;
    // From the start of the stream to the first frame; none: one frame interval.
    std::optional<REFERENCE_TIME> firstFrameDelay;
    // The stream falls silent after this many frames (0: it delivers none); none: no limit.
    std::optional<int> frames;
    // The device accepts the format but delivers this size or subtype instead.
    std::optional<SIZE> deliveredSize;
    std::optional<GUID> deliveredSubtype;
    std::optional<StreamFailureDesc> failure;
};

struct Capability {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    MediaTypeDesc mediaType;
    StreamingDesc streaming;
};

// What a pin's IAMStreamConfig offers.
struct StreamConfigDesc {
    // The record size GetNumberOfCapabilities reports (128 for video capabilities).
    int capsSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    // The capability whose media type is the pin's format before any SetFormat; -1: none.
    int current = -1;
    std::vector<Capability> capabilities;
};

struct PinFaults {
    OptionalFault getNumberOfCapabilities;
    OptionalFault getStreamCaps;  // indices: the capability asked for
    OptionalFault getFormat;
    OptionalFault setFormat;  // indices: the capability being set
};

enum class PinDirection { Input, Output };

struct PinDesc {
    std::u16string name;
    PinDirection direction = PinDirection::Output;
    std::optional<GUID> category;  // PIN_CATEGORY_*; none for pins without one
    std::optional<StreamConfigDesc> streamConfig;
    // The types a pin without stream configuration offers.
    std::vector<MediaTypeDesc> mediaTypes;
    PinFaults faults;
};

// Related pins are passed through as given (a driver may answer any index); routes are
// checked against the inputs.
struct CrossbarInput {
    LONG type = 0;  // the platform's PhysicalConnectorType value
    LONG related = -1;
};

struct CrossbarOutput {
    LONG type = 0;
    LONG related = -1;
    // The input routed to this output, -1 for none. Not checked against the inputs, so
    // that a driver answering an index out of range can be simulated.
    LONG routedFrom = -1;
    // The inputs this output can take; none given: every input of the same kind (video
    // connector types are below 0x1000, audio ones from 0x1000).
    std::optional<std::vector<LONG>> canRouteFrom;
};

struct CrossbarFaults {
    OptionalFault getPinCounts;
    std::optional<CrossbarPinInfoFault> getCrossbarPinInfo;
    OptionalFault getIsRoutedTo;  // indices: output
    OptionalFault canRoute;       // indices: output
    OptionalFault route;          // indices: output
};

struct CrossbarDesc {
    std::vector<CrossbarInput> inputs;
    std::vector<CrossbarOutput> outputs;
    CrossbarFaults faults;

    // Whether `output` may be routed from `input` (both in range).
    bool CanRoute(int output, int input) const;
};

enum class DeviceCategory { Video, Audio };

// The device's property bag; an absent property cannot be read.
struct DeviceProperties {
    std::optional<std::u16string> friendlyName;
    std::optional<std::u16string> description;
    std::optional<std::u16string> devicePath;
    std::optional<std::u16string> clsid;  // any text: a malformed value is a test case
    std::optional<LONG> waveInId;
};

struct DeviceFaults {
    OptionalFault bindToStorage;
    OptionalFault bindToObject;
    // RenderStream of the preview stream; indices: the preview pin's current capability.
    OptionalFault renderPreview;
};

struct CatalogDevice {
    DeviceCategory category = DeviceCategory::Video;
    DeviceProperties properties;
    // The file registered as the InprocServer32 of the device's CLSID; none: not registered.
    std::optional<std::u16string> fileName;
    std::vector<PinDesc> pins;
    std::optional<CrossbarDesc> crossbar;
    DeviceFaults faults;
};

struct Catalog {
    std::vector<CatalogDevice> devices;
};

// A catalog that could not be loaded. what() is one line: the source name, then the JSON
// path of the fault and what was expected there, or the line and column of a syntax error.
class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Both answer a complete catalog or throw CatalogError; nothing partly loaded escapes.
Catalog LoadCatalogFile(const std::filesystem::path& file);
Catalog LoadCatalogString(std::string_view json, std::string_view sourceName = "<catalog>");

}  // namespace capspect::sim
