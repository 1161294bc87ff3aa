// Saving and loading the whole graph through IPersistStream, in the byte format that
// docs/graph-stream.md describes: the filters by class and name, then the connections by
// filter index and pin id with their media types.
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/directshow/filter_graph.h"
#include "platform/directshow/pin_walk.h"
#include "platform/sdk/com.h"
#include "platform/support/comptr.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim {

namespace {

constexpr std::array<BYTE, 4> kMagic{'C', 'S', 'G', 'R'};
// Version 2 adds the file a source filter reads to each filter record.
constexpr DWORD kVersion = 2;
constexpr DWORD kOldestVersion = 1;
// Guards against corrupt counts before anything is allocated for them.
constexpr DWORD kMostItems = 1u << 16;

class StreamWriter {
public:
    explicit StreamWriter(IStream* stream) : stream_(stream) {}

    void Bytes(const void* data, std::size_t size) {
        if (SUCCEEDED(result_) && size != 0) {
            ULONG written = 0;
            result_ = stream_->Write(data, static_cast<ULONG>(size), &written);
            if (SUCCEEDED(result_) && written != size) {
                result_ = STG_E_WRITEFAULT;
            }
        }
    }
    void Dword(DWORD value) {
        const std::array<BYTE, 4> bytes{static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                                        static_cast<BYTE>(value >> 16),
                                        static_cast<BYTE>(value >> 24)};
        Bytes(bytes.data(), bytes.size());
    }
    void Guid(const GUID& guid) {
        Dword(guid.Data1);
        Dword(guid.Data2 | (static_cast<DWORD>(guid.Data3) << 16));
        Bytes(guid.Data4.data(), guid.Data4.size());
    }
    void Text(std::u16string_view text) {
        Dword(static_cast<DWORD>(text.size()));
        for (const char16_t unit : text) {
            const std::array<BYTE, 2> bytes{static_cast<BYTE>(unit), static_cast<BYTE>(unit >> 8)};
            Bytes(bytes.data(), bytes.size());
        }
    }
    void Type(const AM_MEDIA_TYPE& type) {
        Guid(type.majortype);
        Guid(type.subtype);
        Dword(static_cast<DWORD>(type.bFixedSizeSamples));
        Dword(static_cast<DWORD>(type.bTemporalCompression));
        Dword(type.lSampleSize);
        Guid(type.formattype);
        Dword(type.cbFormat);
        Bytes(type.pbFormat, type.cbFormat);
    }
    HRESULT Result() const { return result_; }

private:
    IStream* stream_;
    HRESULT result_ = S_OK;
};

class StreamReader {
public:
    explicit StreamReader(IStream* stream) : stream_(stream) {}

    bool Bytes(void* data, std::size_t size) {
        if (ok_ && size != 0) {
            ULONG read = 0;
            ok_ = SUCCEEDED(stream_->Read(data, static_cast<ULONG>(size), &read)) && read == size;
        }
        return ok_;
    }
    DWORD Dword() {
        std::array<BYTE, 4> b{};
        Bytes(b.data(), b.size());
        return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<DWORD>(b[3]) << 24);
    }
    DWORD Count() {
        const DWORD count = Dword();
        ok_ = ok_ && count <= kMostItems;
        return ok_ ? count : 0;
    }
    GUID Guid() {
        GUID guid{};
        guid.Data1 = Dword();
        const DWORD words = Dword();
        guid.Data2 = static_cast<WORD>(words);
        guid.Data3 = static_cast<WORD>(words >> 16);
        Bytes(guid.Data4.data(), guid.Data4.size());
        return guid;
    }
    std::u16string Text() {
        std::u16string text(Count(), u'\0');
        for (char16_t& unit : text) {
            std::array<BYTE, 2> b{};
            Bytes(b.data(), b.size());
            unit = static_cast<char16_t>(b[0] | (b[1] << 8));
        }
        return text;
    }
    MediaType Type() {
        const GUID major = Guid();
        const GUID sub = Guid();
        const BOOL fixedSize = static_cast<BOOL>(Dword());
        const BOOL temporal = static_cast<BOOL>(Dword());
        const ULONG sampleSize = Dword();
        const GUID formatType = Guid();
        std::vector<BYTE> format(Count());
        Bytes(format.data(), format.size());
        MediaType type(major, sub, formatType, format);
        AM_MEDIA_TYPE record = type.Get();
        record.bFixedSizeSamples = fixedSize;
        record.bTemporalCompression = temporal;
        record.lSampleSize = sampleSize;
        return MediaType(record);
    }
    bool Ok() const { return ok_; }

private:
    IStream* stream_;
    bool ok_ = true;
};

std::u16string PinId(IPin* pin) {
    LPWSTR id = nullptr;
    if (FAILED(pin->QueryId(&id)) || id == nullptr) {
        return {};
    }
    std::u16string text(id);
    CoTaskMemFree(id);
    return text;
}

// The file a source filter reads; empty for other filters and sources without a file.
std::u16string SourceFile(IBaseFilter* filter) {
    ComPtr<IFileSourceFilter> source;
    LPOLESTR file = nullptr;
    if (FAILED(filter->QueryInterface(IID_PPV_ARGS(source.GetAddressOf()))) ||
        FAILED(source->GetCurFile(&file, nullptr)) || file == nullptr) {
        return {};
    }
    std::u16string text(file);
    CoTaskMemFree(file);
    return text;
}

// Opens the saved file in a loaded source filter before its pins are connected.
HRESULT LoadSourceFile(IBaseFilter* filter, const std::u16string& file) {
    if (file.empty()) {
        return S_OK;
    }
    ComPtr<IFileSourceFilter> source;
    if (FAILED(filter->QueryInterface(IID_PPV_ARGS(source.GetAddressOf())))) {
        return VFW_E_CORRUPT_GRAPH_FILE;
    }
    return source->Load(file.c_str(), nullptr);
}

struct SavedConnection {
    DWORD outputFilter;
    std::u16string outputPin;
    DWORD inputFilter;
    std::u16string inputPin;
    MediaType type;
};

}  // namespace

HRESULT FilterGraph::GetClassID(CLSID* classId) {
    if (classId == nullptr) {
        return E_POINTER;
    }
    *classId = CLSID_FilterGraph;
    return S_OK;
}

HRESULT FilterGraph::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT FilterGraph::Save(IStream* stream, BOOL clearDirty) {
    if (const auto fault = InjectedFault("IPersistStream::Save")) {
        return *fault;
    }
    if (stream == nullptr) {
        return E_POINTER;
    }
    // Oldest first, so that loading adds the filters back in their original order.
    std::vector<Member> members(members_.rbegin(), members_.rend());
    std::vector<SavedConnection> connections;
    for (DWORD from = 0; from < members.size(); ++from) {
        for (const ComPtr<IPin>& pin : PinsOf(members[from].filter.Get(), PINDIR_OUTPUT)) {
            const ComPtr<IPin> peer = PeerOf(pin.Get());
            const ComPtr<IBaseFilter> peerFilter = OwnerOf(peer.Get());
            if (!peerFilter) {
                continue;
            }
            const auto to = std::find_if(members.begin(), members.end(),
                                         [&](const Member& m) { return m.filter == peerFilter; });
            MediaType type;
            if (to == members.end() || FAILED(pin->ConnectionMediaType(type.Receive()))) {
                continue;
            }
            connections.push_back({from, PinId(pin.Get()), static_cast<DWORD>(to - members.begin()),
                                   PinId(peer.Get()), std::move(type)});
        }
    }

    StreamWriter writer(stream);
    writer.Bytes(kMagic.data(), kMagic.size());
    writer.Dword(kVersion);
    writer.Dword(static_cast<DWORD>(members.size()));
    for (const Member& member : members) {
        CLSID clsid{};
        if (const HRESULT hr = member.filter->GetClassID(&clsid); FAILED(hr)) {
            return VFW_E_NOT_ALLOWED_TO_SAVE;
        }
        writer.Guid(clsid);
        writer.Text(member.name);
        writer.Text(SourceFile(member.filter.Get()));
    }
    writer.Dword(static_cast<DWORD>(connections.size()));
    for (const SavedConnection& connection : connections) {
        writer.Dword(connection.outputFilter);
        writer.Text(connection.outputPin);
        writer.Dword(connection.inputFilter);
        writer.Text(connection.inputPin);
        writer.Type(connection.type.Get());
    }
    if (FAILED(writer.Result())) {
        return writer.Result();
    }
    if (clearDirty) {
        dirty_ = false;
    }
    return S_OK;
}

// Replaces the graph with the one in the stream. A stream that cannot be read whole, or a
// filter or connection that cannot be made, leaves the graph empty.
HRESULT FilterGraph::Load(IStream* stream) {
    if (const auto fault = InjectedFault("IPersistStream::Load")) {
        return *fault;
    }
    if (stream == nullptr) {
        return E_POINTER;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    RemoveAll();
    StreamReader reader(stream);
    std::array<BYTE, 4> magic{};
    reader.Bytes(magic.data(), magic.size());
    if (!reader.Ok() || magic != kMagic) {
        return VFW_E_INVALID_FILE_FORMAT;
    }
    const DWORD version = reader.Dword();
    if (version < kOldestVersion || version > kVersion) {
        return VFW_E_INVALID_FILE_VERSION;
    }
    const HRESULT hr = LoadContents(reader, version);
    if (FAILED(hr)) {
        RemoveAll();
        return hr;
    }
    dirty_ = false;
    return S_OK;
}

template <typename Reader>
HRESULT FilterGraph::LoadContents(Reader& reader, DWORD version) {
    std::vector<ComPtr<IBaseFilter>> filters(reader.Count());
    for (ComPtr<IBaseFilter>& filter : filters) {
        const CLSID clsid = reader.Guid();
        const std::u16string name = reader.Text();
        const std::u16string sourceFile = version >= 2 ? reader.Text() : std::u16string();
        if (!reader.Ok()) {
            return VFW_E_CORRUPT_GRAPH_FILE;
        }
        if (const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_PPV_ARGS(filter.GetAddressOf()));
            FAILED(hr)) {
            return hr;
        }
        if (const HRESULT hr = AddFilter(filter.Get(), name.c_str()); FAILED(hr)) {
            return hr;
        }
        if (const HRESULT hr = LoadSourceFile(filter.Get(), sourceFile); FAILED(hr)) {
            return hr;
        }
    }
    const DWORD connections = reader.Count();
    for (DWORD i = 0; i < connections; ++i) {
        const DWORD from = reader.Dword();
        const std::u16string outputId = reader.Text();
        const DWORD to = reader.Dword();
        const std::u16string inputId = reader.Text();
        const MediaType type = reader.Type();
        if (!reader.Ok() || from >= filters.size() || to >= filters.size()) {
            return VFW_E_CORRUPT_GRAPH_FILE;
        }
        ComPtr<IPin> output;
        ComPtr<IPin> input;
        if (FAILED(filters[from]->FindPin(outputId.c_str(), output.GetAddressOf())) ||
            FAILED(filters[to]->FindPin(inputId.c_str(), input.GetAddressOf()))) {
            return VFW_E_CORRUPT_GRAPH_FILE;
        }
        if (const HRESULT hr = ConnectDirect(output.Get(), input.Get(), &type.Get()); FAILED(hr)) {
            return hr;
        }
    }
    return reader.Ok() ? S_OK : VFW_E_CORRUPT_GRAPH_FILE;
}

HRESULT FilterGraph::GetSizeMax(ULARGE_INTEGER* size) {
    if (size == nullptr) {
        return E_POINTER;
    }
    // The size is only known by writing the graph out.
    return E_NOTIMPL;
}

}  // namespace capspect::sim
