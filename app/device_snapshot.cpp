#include "app/device_snapshot.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/support/comptr.h"
#include "platform/support/interface_id.h"
#include "platform/support/mediatypes.h"
#include "platform/support/pin_category.h"
#include "platform/support/pin_info.h"
#include "platform/support/variant.h"
#include "platform/support/wide_string.h"

namespace capspect {
namespace {

// The structure the format type calls for, from as many bytes as the block has: a short
// block is the structure cut off, as the catalog records it.
template <typename T>
T FormatStructure(const AM_MEDIA_TYPE& type) {
    T structure{};
    if (type.pbFormat != nullptr) {
        std::memcpy(&structure, type.pbFormat, std::min<std::size_t>(type.cbFormat, sizeof(T)));
    }
    return structure;
}

sim::MediaTypeDesc MediaTypeDescOf(const AM_MEDIA_TYPE& type) {
    sim::MediaTypeDesc desc;
    desc.majortype = type.majortype;
    desc.subtype = type.subtype;
    desc.formattype = type.formattype;
    desc.bFixedSizeSamples = type.bFixedSizeSamples;
    desc.bTemporalCompression = type.bTemporalCompression;
    desc.lSampleSize = type.lSampleSize;
    desc.cbFormat = type.cbFormat;
    if (type.formattype == FORMAT_VideoInfo) {
        desc.format = FormatStructure<VIDEOINFOHEADER>(type);
    } else if (type.formattype == FORMAT_VideoInfo2) {
        desc.format = FormatStructure<VIDEOINFOHEADER2>(type);
    } else if (type.formattype == FORMAT_WaveFormatEx) {
        desc.format = FormatStructure<WAVEFORMATEX>(type);
    }
    return desc;
}

std::optional<LONG> ReadBagInteger(IPropertyBag& bag, const char16_t* name) {
    Variant value;
    if (FAILED(bag.Read(WideText(name), value.get(), nullptr)) ||
        FAILED(VariantChangeType(value.get(), value.get(), 0, VT_I4))) {
        return std::nullopt;
    }
    return value->lVal;
}

std::optional<sim::DeviceProperties> ReadProperties(IMoniker& moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker.BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.GetAddressOf())))) {
        return std::nullopt;
    }
    sim::DeviceProperties properties;
    properties.friendlyName = ReadPropertyText(*bag.Get(), u"FriendlyName");
    properties.description = ReadPropertyText(*bag.Get(), u"Description");
    properties.devicePath = ReadPropertyText(*bag.Get(), u"DevicePath");
    properties.clsid = ReadPropertyText(*bag.Get(), u"CLSID");
    properties.waveInId = ReadBagInteger(*bag.Get(), u"WaveInID");
    return properties;
}

// The capabilities of the pin's IAMStreamConfig; the current one is the first whose media
// type equals the pin's format.
std::optional<sim::StreamConfigDesc> StreamConfigOf(IPin& pin) {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(pin.QueryInterface(IID_PPV_ARGS(config.GetAddressOf())))) {
        return std::nullopt;
    }
    int count = 0;
    int size = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &size))) {
        return std::nullopt;
    }
    sim::StreamConfigDesc desc;
    desc.capsSize = size;
    AM_MEDIA_TYPE* current = nullptr;
    const UniqueMediaType currentType(SUCCEEDED(config->GetFormat(&current)) ? current : nullptr);
    std::vector<BYTE> caps(std::max<std::size_t>(size, sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    for (int index = 0; index < count; ++index) {
        AM_MEDIA_TYPE* type = nullptr;
        if (FAILED(config->GetStreamCaps(index, &type, caps.data()))) {
            continue;
        }
        const UniqueMediaType owned(type);
        sim::Capability capability;
        std::memcpy(&capability.caps, caps.data(), sizeof capability.caps);
        capability.mediaType = MediaTypeDescOf(*owned);
        if (desc.current < 0 && currentType && MediaTypesEqual(*currentType, *owned)) {
            desc.current = static_cast<int>(desc.capabilities.size());
        }
        desc.capabilities.push_back(std::move(capability));
    }
    return desc;
}

std::vector<sim::MediaTypeDesc> MediaTypesOf(IPin& pin) {
    std::vector<sim::MediaTypeDesc> types;
    ComPtr<IEnumMediaTypes> enumerator;
    if (FAILED(pin.EnumMediaTypes(enumerator.GetAddressOf()))) {
        return types;
    }
    AM_MEDIA_TYPE* type = nullptr;
    while (enumerator->Next(1, &type, nullptr) == S_OK) {
        const UniqueMediaType owned(type);
        types.push_back(MediaTypeDescOf(*owned));
    }
    return types;
}

std::optional<sim::PinDesc> PinDescOf(IPin& pin) {
    OwnedPinInfo info;
    if (FAILED(pin.QueryPinInfo(info.Receive()))) {
        return std::nullopt;
    }
    sim::PinDesc desc;
    desc.name = info.Name();
    desc.direction =
        info.Direction() == PINDIR_INPUT ? sim::PinDirection::Input : sim::PinDirection::Output;
    desc.category = PinCategoryOf(pin);
    desc.streamConfig = StreamConfigOf(pin);
    if (!desc.streamConfig) {
        desc.mediaTypes = MediaTypesOf(pin);
    }
    return desc;
}

std::vector<sim::PinDesc> PinsOf(IBaseFilter& filter) {
    std::vector<sim::PinDesc> pins;
    ComPtr<IEnumPins> enumerator;
    if (FAILED(filter.EnumPins(enumerator.GetAddressOf()))) {
        return pins;
    }
    ComPtr<IPin> pin;
    while (enumerator->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        if (std::optional<sim::PinDesc> desc = PinDescOf(*pin.Get())) {
            pins.push_back(std::move(*desc));
        }
    }
    return pins;
}

sim::CrossbarDesc CrossbarDescOf(IAMCrossbar& crossbar) {
    sim::CrossbarDesc desc;
    LONG outputs = 0;
    LONG inputs = 0;
    if (FAILED(crossbar.get_PinCounts(&outputs, &inputs))) {
        return desc;
    }
    for (LONG input = 0; input < inputs; ++input) {
        sim::CrossbarInput pin;
        crossbar.get_CrossbarPinInfo(TRUE, input, &pin.related, &pin.type);
        desc.inputs.push_back(pin);
    }
    for (LONG output = 0; output < outputs; ++output) {
        sim::CrossbarOutput pin;
        crossbar.get_CrossbarPinInfo(FALSE, output, &pin.related, &pin.type);
        if (FAILED(crossbar.get_IsRoutedTo(output, &pin.routedFrom))) {
            pin.routedFrom = -1;
        }
        std::vector<LONG> routes;
        for (LONG input = 0; input < inputs; ++input) {
            if (crossbar.CanRoute(output, input) == S_OK) {
                routes.push_back(input);
            }
        }
        pin.canRouteFrom = std::move(routes);
        desc.outputs.push_back(pin);
    }
    return desc;
}

// The crossbar upstream of the device, as the capture graph builder finds it for the
// capture component: the filter is put into a graph of its own for the search.
std::optional<sim::CrossbarDesc> CrossbarUpstreamOf(IBaseFilter& filter) {
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(graph.GetAddressOf()))) ||
        FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(builder.GetAddressOf()))) ||
        FAILED(builder->SetFiltergraph(graph.Get())) ||
        FAILED(graph->AddFilter(&filter, WideText(u"device")))) {
        return std::nullopt;
    }
    std::optional<sim::CrossbarDesc> desc;
    ComPtr<IAMCrossbar> crossbar;
    if (SUCCEEDED(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, &filter,
                                         IID_PPV_ARGS(crossbar.GetAddressOf())))) {
        desc = CrossbarDescOf(*crossbar.Get());
    }
    // Emptying the graph takes out the crossbar the search added, and the device.
    ComPtr<IEnumFilters> filters;
    std::vector<ComPtr<IBaseFilter>> added;
    if (SUCCEEDED(graph->EnumFilters(filters.GetAddressOf()))) {
        ComPtr<IBaseFilter> each;
        while (filters->Next(1, each.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            added.push_back(each);
        }
    }
    for (const ComPtr<IBaseFilter>& each : added) {
        graph->RemoveFilter(each.Get());
    }
    return desc;
}

}  // namespace

std::optional<sim::CatalogDevice> DescribeCaptureDevice(const TDXShowDevice& device,
                                                        IBaseFilter& filter) {
    std::optional<sim::DeviceProperties> properties = ReadProperties(*device.Moniker().Get());
    if (!properties) {
        return std::nullopt;
    }
    sim::CatalogDevice entry;
    entry.category = sim::DeviceCategory::Video;
    entry.properties = std::move(*properties);
    if (const std::u16string& file = device.FileName(); file != u"<Unknown>") {
        entry.fileName = file;
    }
    entry.pins = PinsOf(filter);
    entry.crossbar = CrossbarUpstreamOf(filter);
    return entry;
}

}  // namespace capspect
